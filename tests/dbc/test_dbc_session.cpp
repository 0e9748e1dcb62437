#include "dbc/DbcSession.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "dbc/DbcSettings.h"

namespace {

class DbcSessionFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = m_folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    QTemporaryDir m_folder;
};

const char* const kBody = R"(BO_ 256 Body: 8 A
 SG_ Door : 0|1@1+ (1,0) [0|0] "" B
BO_ 2147484160 Ext: 8 A
)";
const char* const kPowertrain = R"(BO_ 256 BodyNew: 4 C
BO_ 512 Engine: 8 C
)";
const char* const kChassis = "BO_ 768 Brake: 8 C\n";
// Line 2 lacks the ':' (or a multiplexer mark) after the signal's name.
const char* const kBroken = "BO_ 1024 Bad: 8 C\n SG_ X 0|8@1+ (1,0) [0|0] \"\" B\n";

TEST_F(DbcSessionFiles, LaterFileWinsAndOnlyWhatItReplacesIsReported)
{
    DbcSession session;
    const std::string body = Write("body.dbc", kBody);
    const std::string powertrain = Write("powertrain.dbc", kPowertrain);
    DbcOpenResult result = session.Open({body});
    EXPECT_TRUE(result.replaced.empty());
    result = session.Open({powertrain});
    EXPECT_EQ(result.replaced, (std::vector<DbcMessageKey>{{false, 0x100}}));
    EXPECT_EQ(session.Database().Find(false, 0x100)->name, "BodyNew");
    EXPECT_EQ(session.Database().Size(), 3u);
    EXPECT_EQ(session.Paths(), (std::vector<std::string>{body, powertrain}));

    // Opened again, the first file is the latest: its definition wins now,
    // and the list names it once.
    const uint64_t generation = session.Generation();
    result = session.Open({body});
    EXPECT_EQ(result.replaced, (std::vector<DbcMessageKey>{{false, 0x100}}));
    EXPECT_EQ(session.Database().Find(false, 0x100)->name, "Body");
    EXPECT_EQ(session.Paths(), (std::vector<std::string>{powertrain, body}));
    EXPECT_GT(session.Generation(), generation);

    session.CloseAll();
    EXPECT_TRUE(session.Paths().empty());
    EXPECT_EQ(session.Database().Size(), 0u);
}

TEST_F(DbcSessionFiles, RefusedFileIsLeftOutWholeAndTheOthersLoad)
{
    DbcSession session;
    const std::string body = Write("body.dbc", kBody);
    const std::string broken = Write("broken.dbc", kBroken);
    const std::string chassis = Write("chassis.dbc", kChassis);
    const std::string gone = m_folder.filePath("gone.dbc").toStdString();
    // A stored list read again at start: one file broken, one gone.
    const DbcOpenResult result = session.Open({body, broken, gone, chassis});
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0].path, broken);
    EXPECT_EQ(result.failures[0].text,
              broken + ", 2번째 줄에 ':' 또는 멀티플렉서 표시 (M, m<n>)이(가) 없읍니다.");
    EXPECT_EQ(result.failures[1].path, gone);
    EXPECT_EQ(result.loaded, (std::vector<std::string>{body, chassis}));
    EXPECT_EQ(session.Paths(), (std::vector<std::string>{body, chassis}));
    EXPECT_EQ(session.Database().Find(false, 0x400), nullptr);
    EXPECT_NE(session.Database().Find(false, 0x300), nullptr);
    EXPECT_NE(session.Database().Find(true, 0x200), nullptr);

    // Nothing loadable: the session stays exactly as it was.
    const uint64_t generation = session.Generation();
    EXPECT_EQ(session.Open({broken}).failures.size(), 1u);
    EXPECT_EQ(session.Generation(), generation);
    EXPECT_EQ(session.Paths().size(), 2u);
}

TEST_F(DbcSessionFiles, PathsSurviveTheProfileInOrder)
{
    const QString ini = m_folder.filePath("profile.ini");
    {
        QSettings profile(ini, QSettings::IniFormat);
        EXPECT_TRUE(LoadDbcPaths(profile).empty());
        SaveDbcPaths(profile, {"/b/second.dbc", "/a/한글 이름.dbc"});
    }
    QSettings profile(ini, QSettings::IniFormat);
    EXPECT_EQ(LoadDbcPaths(profile),
              (std::vector<std::string>{"/b/second.dbc", "/a/한글 이름.dbc"}));
    SaveDbcPaths(profile, {});
    EXPECT_TRUE(LoadDbcPaths(profile).empty());
}

}  // namespace
