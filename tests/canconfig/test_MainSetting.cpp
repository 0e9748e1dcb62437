#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "canconfig/MainSetting.h"

namespace {

// The profile lives in a temporary folder; Qt fixes the location at the first
// QSettings, so this runs during static initialisation.
QTemporaryDir g_configHome, g_logFolder;
const bool g_configHomeSet =
    setenv("XDG_CONFIG_HOME", g_configHome.path().toLocal8Bit().constData(), 1) == 0;

const std::string kFolder = g_logFolder.path().toStdString();

using StoredValues = std::vector<std::pair<const char*, QVariant>>;

void StoreOnly(const StoredValues& values)
{
    ASSERT_TRUE(g_configHomeSet && g_logFolder.isValid());
    auto profile = OpenUserProfile();
    profile->clear();
    for (const auto& [name, value] : values) {
        profile->setValue(QString("Main Setting/") + name, value);
    }
}

TEST(MainSetting, FirstRunAndMissingLogFilesGiveTheDefaults)
{
    StoreOnly({});
    const MainSetting expected{
        0, 115200, 0x1C, 0x01020505, 0, 0, kFolder + "/EventLog.txt", kFolder + "/RDataLog.txt"};
    EXPECT_EQ(LoadSettings(3, kFolder), expected);
    EXPECT_EQ(OpenUserProfile()->fileName(),
              QDir(g_configHome.path()).filePath("Quorvane/Talvox.ini"));

    StoreOnly({{"Event Log Path", QString::fromStdString(kFolder)},  // a folder is no log file
               {"RData Log Path", QString::fromStdString(kFolder + "/gone.txt")}});
    EXPECT_EQ(LoadSettings(3, kFolder), expected);
}

TEST(MainSetting, LoadCorrectsStoredValues)
{
    constexpr uint32_t kBt = 0x01020505;
    // Name, stored values, port count; index, speed, mode byte, bit time, mask, ID.
    using Numbers = std::tuple<int32_t, uint32_t, int, uint32_t, uint32_t, uint32_t>;
    const std::tuple<const char*, StoredValues, int, Numbers> cases[] = {
        // clang-format off
        {"index above ports", {{"Serial Port Index", 5}}, 3, {2, 115200, 0x1C, kBt, 0, 0}},
        {"index, no ports", {{"Serial Port Index", 5}}, 0, {0, 115200, 0x1C, kBt, 0, 0}},
        {"negative index", {{"Serial Port Index", -1}}, 3, {0, 115200, 0x1C, kBt, 0, 0}},
        {"index as unsigned", {{"Serial Port Index", "4294967295"}}, 3, {0, 115200, 0x1C, kBt, 0, 0}},
        {"unknown speed", {{"Serial Port BaudRate", 12345}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        {"speed text", {{"Serial Port BaudRate", "fast"}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        {"mode 0xFF is 29-bit", {{"Brisca Mode", 0xFF}, {"CAN ID", 0x1FFFFFFF},
            {"CAN Mask ID", 0xFFFFFFFFu}}, 1, {0, 115200, 0x7F, kBt, 0x1FFFFFFF, 0x1FFFFFFF}},
        {"mode bit 7", {{"Brisca Mode", 0x80}}, 1, {0, 115200, 0x00, kBt, 0, 0}},
        {"2.0A only ignores bit 4", {{"Brisca Mode", 0x30}, {"CAN Mask ID", 0x1FFFF923},
            {"CAN ID", 0x12345}}, 1, {0, 115200, 0x30, kBt, 0x123, 0x345}},
        {"both, 11-bit", {{"Brisca Mode", 0}, {"CAN ID", 0x1FFFFFFF}}, 1, {0, 115200, 0, kBt, 0, 0x7FF}},
        {"both, 29-bit", {{"Brisca Mode", 0x10}, {"CAN ID", 0xFFFFFFFFu}}, 1,
            {0, 115200, 0x10, kBt, 0, 0x1FFFFFFF}},
        {"2.0B only, 29 bits", {{"Brisca Mode", 0x40}, {"CAN Mask ID", 0x1ABCDEF0}}, 1,
            {0, 115200, 0x40, kBt, 0x1ABCDEF0, 0}},
        {"PHSEG2 0", {{"CAN Bit Time", 0x01020500}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        {"above 1 Mbit/s", {{"CAN Bit Time", 0x00000101}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        {"id text", {{"CAN ID", "12x"}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        {"id beyond 32 bits", {{"CAN ID", "4294967296"}}, 1, {0, 115200, 0x1C, kBt, 0, 0}},
        // clang-format on
    };
    for (const auto& [name, stored, portCount, expected] : cases) {
        SCOPED_TRACE(name);
        StoreOnly(stored);
        const MainSetting s = LoadSettings(portCount, kFolder);
        EXPECT_EQ(Numbers(s.serialPortIndex, s.serialPortBaudRate, s.modeByte, s.canBitTime,
                          s.canMaskId, s.canId),
                  expected);
    }
}

TEST(MainSetting, SaveThenLoadRoundTripsAllEightValuesUnderReadableNames)
{
    StoreOnly({{"TData File Dir", "/home/user/lists"}});
    const std::string events = kFolder + "/이벤트.txt", data = kFolder + "/data, copy.txt";
    std::ofstream(events) << "x";
    std::ofstream(data) << "x";
    const MainSetting saved{2, 76800, 0x2B, 0x03020707, 0x7F0, 0x123, events, data};
    SaveSettings(saved);
    EXPECT_EQ(LoadSettings(3, kFolder), saved);

    std::stringstream file;
    file << std::ifstream(OpenUserProfile()->fileName().toStdString()).rdbuf();
    for (const char* line :
         {"[Main%20Setting]\n", "\nSerial%20Port%20Index=2\n", "\nSerial%20Port%20BaudRate=76800\n",
          "\nBrisca%20Mode=43\n", "\nCAN%20Bit%20Time=50464519\n", "\nCAN%20Mask%20ID=2032\n",
          "\nCAN%20ID=291\n", "\nEvent%20Log%20Path=", "\nRData%20Log%20Path=",
          "\nTData%20File%20Dir=/home/user/lists\n"}) {
        EXPECT_NE(file.str().find(line), std::string::npos) << line;
    }
}

}  // namespace
