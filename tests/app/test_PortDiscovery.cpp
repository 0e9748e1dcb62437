#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/PortDiscovery.h"
#include "link/SerialPort.h"

namespace {

using Names = std::vector<std::string>;

const Names kFallback = {"COM1", "COM2",  "COM3",  "COM4",  "COM5",  "COM6",  "COM7",  "COM8",
                         "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16"};

SerialPortInfo Friendly(const std::string& friendlyName)
{
    return {"", "", friendlyName, false, ""};
}

TEST(PortDiscovery, ListNameTakesComAndItsDigitsFromTheFriendlyName)
{
    // clang-format off
    const char* const cases[][2] = {
        {"Communications Port (COM1)", "COM1"}, {"USB Serial Port (COM12)", "COM12"}, {"COM7", "COM7"},
        {"COM255abc", "COM255"}, {"Printer Port (LPT1)", ""}, {"", ""}, {"Port COM", ""}, {"COMx", ""},
        {"COMx Adapter (COM5)", "COM5"}, {"com4", ""}};
    // clang-format on
    for (const auto& [friendlyName, name] : cases) {
        EXPECT_EQ(PortListName(Friendly(friendlyName)), name) << friendlyName;
    }
    EXPECT_EQ(PortListName({"/tmp/COM3link", "/tmp/COM3link", "X (COM4)", false, ""}),
              "/tmp/COM3link");
}

TEST(PortDiscovery, NameListKeepsOrderAndDuplicatesElseFallsBackToSixteen)
{
    EXPECT_EQ(BuildPortNameList([](std::vector<SerialPortInfo>& records) {
                  records = {Friendly("USB Serial Port (COM12)"),
                             Friendly("Printer (LPT1)"),
                             {"/dev/ttyUSB0", "ttyUSB0", "", true, ""},
                             Friendly("Communications Port (COM1)"),
                             Friendly("USB Serial Port (COM12)")};
              }),
              "");
    EXPECT_EQ(PortNames(), (Names{"COM12", "ttyUSB0", "COM1", "COM12"}));
    EXPECT_EQ(PortNameAt(3) + PortNameAt(4) + PortNameAt(-1), "COM12");
    EXPECT_EQ(PortNamesFromRecords({}), kFallback);
    EXPECT_EQ(PortNamesFromRecords({Friendly("Printer (LPT1)"), Friendly("COMx")}), kFallback);

    // An enumeration error, whatever was found before it, leaves the fallback list.
    EXPECT_EQ(BuildPortNameList([](std::vector<SerialPortInfo>& records) {
                  records = {{"/dev/ttyACM0", "ttyACM0", "", true, ""}};
                  throw std::runtime_error("SetupDiGetClassDevs failed. (err=5)");
              }),
              "SetupDiGetClassDevs failed. (err=5)");
    EXPECT_EQ(PortNames(), kFallback);
    BuildPortNameList([](std::vector<SerialPortInfo>&) { throw 42; });
    EXPECT_EQ(PortNameCount(), 16);
}

TEST(PortDiscovery, EnvironmentPathsComeFirstNamedByTheirPath)
{
    setenv("TALVOX_PORTS", "/dev/pts/77:/tmp/ttyTALVOX::relative/port:", 1);
    EXPECT_EQ(BuildPortNameList(), "");
    unsetenv("TALVOX_PORTS");
    const std::string relative = (std::filesystem::current_path() / "relative/port").string();
    ASSERT_GE(PortNames().size(), 3u);
    EXPECT_EQ(Names(PortNames().begin(), PortNames().begin() + 3),
              (Names{"/dev/pts/77", "/tmp/ttyTALVOX", relative}));
}

TEST(PortDiscovery, DevicePathOfEachListName)
{
    // clang-format off
    const char* const cases[][2] = {
        {"COM1", "/dev/ttyS0"}, {"COM16", "/dev/ttyS15"}, {"COM100", "/dev/ttyS99"},
        {"ttyUSB0", "/dev/ttyUSB0"}, {"/tmp/ttyTALVOX", "/tmp/ttyTALVOX"}, {"COM0", "/dev/COM0"},
        {"COM", "/dev/COM"}, {"COM1x", "/dev/COM1x"}, {"COM01", "/dev/COM01"},
        {"COM99999999999", "/dev/COM99999999999"}};
    // clang-format on
    for (const auto& [name, device] : cases) {
        EXPECT_EQ(CSerialPort::DevicePath(name), device) << name;
    }
}

}  // namespace
