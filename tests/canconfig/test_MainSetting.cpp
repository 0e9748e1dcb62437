#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "canconfig/MainSetting.h"

namespace {

// Points the user profile at a temporary folder for the whole run, before any
// QSettings exists (Qt fixes the default location at first use).
class ProfileEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_configHome.isValid());
        setenv("XDG_CONFIG_HOME", m_configHome.path().toLocal8Bit().constData(), 1);
    }
    QString ConfigHome() const { return m_configHome.path(); }

private:
    QTemporaryDir m_configHome;
};

auto* const g_profileEnvironment =
    static_cast<ProfileEnvironment*>(::testing::AddGlobalTestEnvironment(new ProfileEnvironment));

using StoredValues = std::vector<std::pair<const char*, QVariant>>;

class MainSettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_logFolder.isValid());
        auto profile = OpenUserProfile();
        profile->clear();
        profile->sync();
    }

    void Store(const StoredValues& values)
    {
        auto profile = OpenUserProfile();
        profile->beginGroup("Main Setting");
        for (const auto& [name, value] : values) {
            profile->setValue(QString::fromLatin1(name), value);
        }
        profile->endGroup();
    }

    std::string Folder() const { return m_logFolder.path().toStdString(); }

    std::string MakeFile(const char* name) const
    {
        const std::string path = Folder() + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    QTemporaryDir m_logFolder;
};

TEST_F(MainSettingTest, FirstRunGivesEveryDefault)
{
    const MainSetting expected{
        0, 115200, 0x1C, 0x01020505, 0, 0, Folder() + "/EventLog.txt", Folder() + "/RDataLog.txt"};
    EXPECT_EQ(LoadSettings(3, Folder()), expected);
    EXPECT_EQ(OpenUserProfile()->fileName(),
              QDir(g_profileEnvironment->ConfigHome()).filePath("Quorvane/Talvox.ini"));
}

struct CorrectionCase {
    const char* name;
    StoredValues stored;
    int portCount;
    int32_t portIndex;
    uint32_t baudRate;
    uint8_t modeByte;
    uint32_t bitTime;
    uint32_t maskId;
    uint32_t id;
};

TEST_F(MainSettingTest, LoadCorrectsStoredValues)
{
    constexpr uint32_t kBt = 0x01020505;
    // clang-format off
    const std::vector<CorrectionCase> cases = {
        {"index above ports", {{"Serial Port Index", 5}}, 3, 2, 115200, 0x1C, kBt, 0, 0},
        {"index, no ports", {{"Serial Port Index", 5}}, 0, 0, 115200, 0x1C, kBt, 0, 0},
        {"index in range", {{"Serial Port Index", 1}}, 3, 1, 115200, 0x1C, kBt, 0, 0},
        {"negative index", {{"Serial Port Index", -1}}, 3, 0, 115200, 0x1C, kBt, 0, 0},
        {"index as unsigned", {{"Serial Port Index", "4294967295"}}, 3, 0, 115200, 0x1C, kBt, 0, 0},
        {"unknown speed", {{"Serial Port BaudRate", 12345}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
        {"76800 stays", {{"Serial Port BaudRate", 76800}}, 1, 0, 76800, 0x1C, kBt, 0, 0},
        {"9600 stays", {{"Serial Port BaudRate", 9600}}, 1, 0, 9600, 0x1C, kBt, 0, 0},
        {"speed text", {{"Serial Port BaudRate", "fast"}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
        {"mode 0xFF is 29-bit", {{"Brisca Mode", 0xFF}, {"CAN ID", 0x1FFFFFFF},
            {"CAN Mask ID", 0xFFFFFFFFu}}, 1, 0, 115200, 0x7F, kBt, 0x1FFFFFFF, 0x1FFFFFFF},
        {"mode bit 7", {{"Brisca Mode", 0x80}}, 1, 0, 115200, 0x00, kBt, 0, 0},
        {"2.0A only, 11 bits", {{"Brisca Mode", 0x20}, {"CAN Mask ID", 0x1FFFF923},
            {"CAN ID", 0x12345}}, 1, 0, 115200, 0x20, kBt, 0x123, 0x345},
        {"both, 11-bit", {{"Brisca Mode", 0}, {"CAN ID", 0x1FFFFFFF}}, 1, 0, 115200, 0, kBt, 0, 0x7FF},
        {"both, 29-bit", {{"Brisca Mode", 0x10}, {"CAN ID", 0xFFFFFFFFu}}, 1, 0, 115200, 0x10, kBt,
            0, 0x1FFFFFFF},
        {"2.0B only, 29 bits", {{"Brisca Mode", 0x40}, {"CAN Mask ID", 0x1ABCDEF0}}, 1, 0, 115200,
            0x40, kBt, 0x1ABCDEF0, 0},
        {"PHSEG2 0", {{"CAN Bit Time", 0x01020500}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
        {"valid bit time", {{"CAN Bit Time", 0x00000202}}, 1, 0, 115200, 0x1C, 0x00000202, 0, 0},
        {"above 1 Mbit/s", {{"CAN Bit Time", 0x00000101}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
        {"id text", {{"CAN ID", "12x"}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
        {"id beyond 32 bits", {{"CAN ID", "4294967296"}}, 1, 0, 115200, 0x1C, kBt, 0, 0},
    };
    // clang-format on
    for (const CorrectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        Store(c.stored);
        const MainSetting loaded = LoadSettings(c.portCount, Folder());
        EXPECT_EQ(loaded.serialPortIndex, c.portIndex);
        EXPECT_EQ(loaded.serialPortBaudRate, c.baudRate);
        EXPECT_EQ(loaded.modeByte, c.modeByte);
        EXPECT_EQ(loaded.canBitTime, c.bitTime);
        EXPECT_EQ(loaded.canMaskId, c.maskId);
        EXPECT_EQ(loaded.canId, c.id);
    }
}

TEST_F(MainSettingTest, LogPathSurvivesOnlyWhileItsFileExists)
{
    const std::string eventFile = MakeFile("events.log");
    const std::string dataFile = MakeFile("data.log");
    Store({{"Event Log Path", QString::fromStdString(eventFile)},
           {"RData Log Path", QString::fromStdString(dataFile)}});
    MainSetting loaded = LoadSettings(1, Folder());
    EXPECT_EQ(loaded.eventLogPath, eventFile);
    EXPECT_EQ(loaded.receivedDataLogPath, dataFile);

    // The folder is still there, the file is not; a folder is no log file.
    std::remove(dataFile.c_str());
    Store({{"Event Log Path", QString::fromStdString(Folder())}});
    loaded = LoadSettings(1, Folder());
    EXPECT_EQ(loaded.eventLogPath, Folder() + "/EventLog.txt");
    EXPECT_EQ(loaded.receivedDataLogPath, Folder() + "/RDataLog.txt");
}

TEST_F(MainSettingTest, SaveThenLoadRoundTripsAllEightValues)
{
    const MainSetting saved{2,
                            76800,
                            0x2B,
                            0x03020707,
                            0x7F0,
                            0x123,
                            MakeFile("이벤트.txt"),
                            MakeFile("data, copy.txt")};
    SaveSettings(saved);
    EXPECT_EQ(LoadSettings(3, Folder()), saved);
}

TEST_F(MainSettingTest, SavedFileKeepsSectionAndValueNamesAndOtherValues)
{
    Store({{"TData File Dir", "/home/user/lists"}});
    SaveSettings({1, 230400, 0x1C, 0x01020505, 0x1FFFFFFF, 0x1ABCDEF0, "/l/EventLog.txt",
                  "/l/RDataLog.txt"});
    std::ifstream file(OpenUserProfile()->fileName().toStdString());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    const std::vector<std::string> expected = {
        "[Main%20Setting]",
        "Serial%20Port%20Index=1",
        "Serial%20Port%20BaudRate=230400",
        "Brisca%20Mode=28",
        "CAN%20Bit%20Time=16909573",
        "CAN%20Mask%20ID=536870911",
        "CAN%20ID=448585456",
        "Event%20Log%20Path=/l/EventLog.txt",
        "RData%20Log%20Path=/l/RDataLog.txt",
        "TData%20File%20Dir=/home/user/lists",
    };
    for (const std::string& line : expected) {
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), line) != lines.end()) << line;
    }
    EXPECT_EQ(lines.size(), expected.size());
}

TEST(IdWidth, FollowsReceiveModeAndBitFour)
{
    const std::vector<std::pair<uint8_t, bool>> cases = {
        {0x00, false}, {0x10, true}, {0x0F, false}, {0x1C, true}, {0x20, false}, {0x30, false},
        {0x40, true},  {0x50, true}, {0x60, true},  {0x7F, true}, {0x6F, true},  {0x2F, false},
    };
    for (const auto& [mode, extended] : cases) {
        EXPECT_EQ(IsExtendedIdMode(mode), extended) << int(mode);
        EXPECT_EQ(IdMaskForMode(mode), extended ? 0x1FFFFFFFu : 0x7FFu) << int(mode);
    }
}

}  // namespace
