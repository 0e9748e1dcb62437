#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/PortDiscovery.h"

namespace {

std::vector<std::string> FallbackNames()
{
    std::vector<std::string> names;
    for (int n = 1; n <= 16; ++n) {
        names.push_back("COM" + std::to_string(n));
    }
    return names;
}

SerialPortInfo Friendly(const std::string& friendlyName)
{
    return {"", "", friendlyName, false, ""};
}

TEST(PortListName, TakesComAndItsDigitsFromTheFriendlyName)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Communications Port (COM1)", "COM1"},
        {"USB Serial Port (COM12)", "COM12"},
        {"Serial Comm Port (COM3)", "COM3"},
        {"COM7", "COM7"},
        {"COM255abc", "COM255"},
        {"Printer Port (LPT1)", ""},
        {"", ""},
        {"Port COM", ""},
        {"COMx", ""},
        {"COMx Adapter (COM5)", "COM5"},
        {"com4", ""},
    };
    for (const auto& [friendlyName, name] : cases) {
        EXPECT_EQ(PortListName(Friendly(friendlyName)), name) << friendlyName;
    }
}

TEST(PortListName, PortNameWinsOverTheFriendlyName)
{
    EXPECT_EQ(PortListName({"/dev/ttyUSB0", "ttyUSB0", "ttyUSB0", true, "FT232R"}), "ttyUSB0");
    EXPECT_EQ(PortListName({"/tmp/COM3link", "/tmp/COM3link", "/tmp/COM3link", false, ""}),
              "/tmp/COM3link");
}

TEST(PostProcessPortRecords, FillsFriendlyNameAndDescription)
{
    struct Case {
        SerialPortInfo in;
        std::string friendlyName;
        std::string description;
    };
    const std::vector<Case> cases = {
        {{"p", "", "USB Serial Port (COM12)", true, ""},
         "USB Serial Port (COM12)",
         "USB Serial Port"},
        {{"p", "", "  Comm Port\t (COM2)", false, ""}, "  Comm Port\t (COM2)", "Comm Port"},
        {{"p", "", "(COM1)", false, ""}, "(COM1)", "(COM1)"},
        {{"p", "ttyS4", "", false, ""}, "ttyS4", "ttyS4"},
        {{"p", "COM3", "", false, "Modem"}, "COM3", "Modem"},
    };
    for (const Case& c : cases) {
        std::vector<SerialPortInfo> records = {c.in};
        PostProcessPortRecords(records);
        EXPECT_EQ(records[0].friendlyName, c.friendlyName) << c.in.friendlyName;
        EXPECT_EQ(records[0].description, c.description) << c.in.friendlyName;
        EXPECT_EQ(records[0].devicePath, "p");
    }
}

TEST(PortNamesFromRecords, KeepsOrderAndDuplicatesElseFallsBack)
{
    const std::vector<SerialPortInfo> records = {Friendly("USB Serial Port (COM12)"),
                                                 Friendly("Printer Port (LPT1)"),
                                                 {"/dev/ttyUSB0", "ttyUSB0", "", true, ""},
                                                 Friendly("Communications Port (COM1)"),
                                                 Friendly("USB Serial Port (COM12)")};
    EXPECT_EQ(PortNamesFromRecords(records),
              (std::vector<std::string>{"COM12", "ttyUSB0", "COM1", "COM12"}));
    // No name at all: exactly COM1 to COM16.
    EXPECT_EQ(PortNamesFromRecords({}), FallbackNames());
    EXPECT_EQ(PortNamesFromRecords({Friendly("Printer Port (LPT1)"), Friendly("COMx")}),
              FallbackNames());
}

TEST(BuildPortNameList, ReplacesTheListFromTheEnumeration)
{
    const std::string error = BuildPortNameList([](std::vector<SerialPortInfo>& records) {
        records = {{"/dev/ttyACM0", "ttyACM0", "", true, ""}, Friendly("X (COM3)")};
    });
    EXPECT_EQ(error, "");
    EXPECT_EQ(PortNames(), (std::vector<std::string>{"ttyACM0", "COM3"}));
    EXPECT_EQ(PortNameCount(), 2);
    EXPECT_EQ(PortNameAt(1), "COM3");
    EXPECT_EQ(PortNameAt(2), "");
    EXPECT_EQ(PortNameAt(-1), "");
    ClearPortNames();
    EXPECT_EQ(PortNameCount(), 0);
    EXPECT_EQ(PortNameAt(0), "");
}

TEST(BuildPortNameList, EnumerationErrorLeavesTheFallbackList)
{
    const std::string error = BuildPortNameList([](std::vector<SerialPortInfo>& records) {
        records = {{"/dev/ttyACM0", "ttyACM0", "", true, ""}};
        throw std::runtime_error("SetupDiGetClassDevs failed. (err=5)");
    });
    EXPECT_EQ(error, "SetupDiGetClassDevs failed. (err=5)");
    EXPECT_EQ(PortNames(), FallbackNames());

    BuildPortNameList([](std::vector<SerialPortInfo>&) { throw 42; });
    EXPECT_EQ(PortNames(), FallbackNames());
}

TEST(EnumerateSerialPorts, EnvironmentPathsComeFirstNamedByTheirPath)
{
    setenv("TALVOX_PORTS", "/tmp/ttyTALVOX::/dev/pts/77:relative/port:", 1);
    std::vector<SerialPortInfo> records = {Friendly("stale")};
    EnumerateSerialPorts(records);
    unsetenv("TALVOX_PORTS");
    ASSERT_GE(records.size(), 3u);
    const std::string absolute = (std::filesystem::current_path() / "relative/port").string();
    const std::vector<std::string> expected = {"/tmp/ttyTALVOX", "/dev/pts/77", absolute};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(records[i].devicePath, expected[i]);
        EXPECT_EQ(PortListName(records[i]), expected[i]);
        EXPECT_EQ(PortDevicePath(PortListName(records[i])), expected[i]);
    }
    for (const SerialPortInfo& record : records) {
        EXPECT_NE(record.friendlyName, "stale");
    }
}

TEST(BuildPortNameList, PseudoTerminalInEnvironmentOpensThroughItsName)
{
    int master = -1;
    int slave = -1;
    char path[256] = {};
    ASSERT_EQ(openpty(&master, &slave, path, nullptr, nullptr), 0);
    setenv("TALVOX_PORTS", path, 1);
    EXPECT_EQ(BuildPortNameList(), "");
    unsetenv("TALVOX_PORTS");
    ASSERT_GE(PortNameCount(), 1);
    EXPECT_EQ(PortNameAt(0), path);
    const int fd = open(PortDevicePath(PortNameAt(0)).c_str(), O_RDWR | O_NOCTTY);
    EXPECT_GE(fd, 0);
    if (fd >= 0) {
        ASSERT_EQ(write(fd, "Y", 1), 1);
        char received = 0;
        EXPECT_EQ(read(master, &received, 1), 1);
        EXPECT_EQ(received, 'Y');
        close(fd);
    }
    close(slave);
    close(master);
}

TEST(PortDevicePath, MapsListNamesToDevices)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"COM1", "/dev/ttyS0"},      {"COM16", "/dev/ttyS15"},
        {"COM100", "/dev/ttyS99"},   {"ttyUSB0", "/dev/ttyUSB0"},
        {"ttyACM1", "/dev/ttyACM1"}, {"/tmp/ttyTALVOX", "/tmp/ttyTALVOX"},
        {"COM0", "/dev/COM0"},       {"COM", "/dev/COM"},
        {"COM1x", "/dev/COM1x"},     {"COM99999999999", "/dev/COM99999999999"},
        {"COM01", "/dev/COM01"},
    };
    for (const auto& [name, device] : cases) {
        EXPECT_EQ(PortDevicePath(name), device) << name;
    }
}

}  // namespace
