#include "dbc/SignalFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

int Decimals(double x)
{
    double scaled = std::fabs(x);
    for (int d = 0; d < 9; ++d) {
        if (std::fabs(scaled - std::round(scaled)) <= 1e-9 * scaled) {
            return d;
        }
        scaled *= 10.0;
    }
    return 9;
}

// "-0", "-0.00" read as zero without the sign.
void DropNegativeZero(std::string& text)
{
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
}

std::string Number(double value, std::chars_format format, int precision)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    std::string text(buffer, result.ptr);
    DropNegativeZero(text);
    return text;
}

}  // namespace

int SignalDecimals(const DbcSignal& signal)
{
    return std::max(Decimals(signal.factor), Decimals(signal.offset));
}

std::string FormatPhysical(const DbcSignal& signal, double physical)
{
    std::string text;
    if (!std::isfinite(physical)) {
        text = std::isnan(physical) ? "NaN" : (physical < 0 ? "-Inf" : "Inf");
    } else if (signal.valueType == DbcValueType::kFloat32 && signal.factor == 1.0 &&
               signal.offset == 0.0) {
        char buffer[64];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(physical));
        text.assign(buffer, result.ptr);
    } else if (signal.valueType != DbcValueType::kInteger || std::fabs(physical) >= 1e15) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, physical);
        text.assign(buffer, result.ptr);
    } else {
        text = Number(physical, std::chars_format::fixed, SignalDecimals(signal));
    }
    if (!signal.unit.empty()) {
        text += ' ';
        text += signal.unit;
    }
    return text;
}

std::string FormatSignalValue(const DbcSignalValue& value)
{
    if (!value.available || value.signal == nullptr) {
        return {};
    }
    if (!value.valueText.empty()) {
        std::string text =
            value.signal->isSigned ? std::to_string(value.rawSigned) : std::to_string(value.raw);
        text += " (";
        text += value.valueText;
        text += ')';
        return text;
    }
    return FormatPhysical(*value.signal, value.physical);
}

std::string FormatRawHex(const DbcSignal& signal, uint64_t raw)
{
    const int digits = (signal.length + 3) / 4;
    if (signal.length < 64) {
        raw &= (uint64_t{1} << signal.length) - 1;
    }
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(raw));
    return buffer;
}

std::string FormatDbcError(const std::string& path, const DbcError& error)
{
    if (error.line <= 0) {
        return path + ": " + error.expected + "이(가) 아니라 읽지 않았읍니다.";
    }
    return path + ", " + std::to_string(error.line) + "번째 줄에 " + error.expected +
           "이(가) 없읍니다.";
}

std::string FormatMessageId(const DbcMessageKey& key)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, key.extended ? "0x%08X" : "0x%03X", key.id);
    return buffer;
}

std::string FormatReplacedMessages(const std::vector<DbcMessageKey>& replaced)
{
    if (replaced.empty()) {
        return {};
    }
    std::string text = "DBC 메시지 ";
    for (size_t i = 0; i < replaced.size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += FormatMessageId(replaced[i]);
    }
    text += "을(를) 뒤의 파일의 정의로 바꾸었읍니다.";
    return text;
}
