#include "app/PortDiscovery.h"

#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include <QSerialPortInfo>

namespace {

constexpr int kFallbackPortCount = 16;

std::vector<std::string>& PortNameStore()
{
    static std::vector<std::string> names;
    return names;
}

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

std::string TrimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string AbsolutePath(const std::string& path)
{
    if (path.front() == '/') {
        return path;
    }
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

void AppendEnvironmentPorts(std::vector<SerialPortInfo>& records)
{
    const char* list = std::getenv("TALVOX_PORTS");
    if (list == nullptr) {
        return;
    }
    const std::string text(list);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(':', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            const std::string path = AbsolutePath(text.substr(start, end - start));
            records.push_back({path, path, {}, false, {}});
        }
        start = end + 1;
    }
}

}  // namespace

void EnumerateSerialPorts(std::vector<SerialPortInfo>& records)
{
    records.clear();
    AppendEnvironmentPorts(records);
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        // Qt reports USB adapters with their vendor and product IDs.
        records.push_back({port.systemLocation().toStdString(),
                           port.portName().toStdString(),
                           {},
                           port.hasVendorIdentifier() && port.hasProductIdentifier(),
                           port.description().toStdString()});
    }
    PostProcessPortRecords(records);
}

void PostProcessPortRecords(std::vector<SerialPortInfo>& records)
{
    for (SerialPortInfo& record : records) {
        if (record.friendlyName.empty()) {
            record.friendlyName = record.portName;
        }
        if (record.description.empty()) {
            record.description = record.friendlyName;
            const auto bracket = record.description.find('(');
            if (bracket != std::string::npos && bracket > 0) {
                record.description = TrimBlanks(record.description.substr(0, bracket));
            }
        }
    }
}

std::string PortListName(const SerialPortInfo& record)
{
    if (!record.portName.empty()) {
        return record.portName;
    }
    const std::string& friendly = record.friendlyName;
    for (auto com = friendly.find("COM"); com != std::string::npos;
         com = friendly.find("COM", com + 3)) {
        std::size_t end = com + 3;
        while (end < friendly.size() && IsDigit(friendly[end])) {
            ++end;
        }
        if (end > com + 3) {
            return friendly.substr(com, end - com);
        }
    }
    return {};
}

std::vector<std::string> PortNamesFromRecords(const std::vector<SerialPortInfo>& records)
{
    std::vector<std::string> names;
    for (const SerialPortInfo& record : records) {
        std::string name = PortListName(record);
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    if (names.empty()) {
        for (int n = 1; n <= kFallbackPortCount; ++n) {
            names.push_back("COM" + std::to_string(n));
        }
    }
    return names;
}

std::string BuildPortNameList(const PortEnumerator& enumerate)
{
    std::vector<SerialPortInfo> records;
    std::string error;
    try {
        enumerate(records);
    } catch (const std::exception& raised) {
        records.clear();
        error = raised.what();
        if (error.empty()) {
            error = "serial port enumeration failed";
        }
    } catch (...) {
        records.clear();
        error = "serial port enumeration failed";
    }
    PortNameStore() = PortNamesFromRecords(records);
    return error;
}

const std::vector<std::string>& PortNames()
{
    return PortNameStore();
}

int PortNameCount()
{
    return static_cast<int>(PortNameStore().size());
}

std::string PortNameAt(int index)
{
    if (index < 0 || index >= PortNameCount()) {
        return {};
    }
    return PortNameStore()[static_cast<std::size_t>(index)];
}

void ClearPortNames()
{
    PortNameStore().clear();
}
