#include "dbc/DbcDatabase.h"
#include "dbc/DbcSession.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

class DbcFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("dbc_database_test_" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = (m_folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::filesystem::path m_folder;
};

const char* const kBody = R"(BO_ 256 Body: 8 A
 SG_ Door : 0|1@1+ (1,0) [0|0] "" B
BO_ 2147484160 Ext: 8 A
 SG_ X : 0|8@1+ (1,0) [0|0] "" B
)";
// Replaces both of kBody's messages; the 11-bit 0x200 is new.
const char* const kPowertrain = R"(BO_ 256 BodyNew: 4 C
BO_ 2147484160 ExtNew: 8 C
BO_ 512 Engine: 8 C
BA_ "GenMsgCycleTime" BO_ 512 20;
)";
const char* const kChassis = "BO_ 768 Brake: 8 C\n";
// Line 2 lacks the ':' (or a multiplexer mark) after the signal's name.
const char* const kBroken = "BO_ 1024 Bad: 8 C\n SG_ X 0|8@1+ (1,0) [0|0] \"\" B\n";

TEST_F(DbcFiles, LaterFileReplacesMessagesAndSaysWhich)
{
    DbcDatabase database;
    const DbcLoadReport report =
        LoadDbcFiles({Write("body.dbc", kBody), Write("powertrain.dbc", kPowertrain)}, database);
    ASSERT_TRUE(report.ok);
    EXPECT_EQ(report.replaced, (std::vector<DbcMessageKey>{{false, 0x100}, {true, 0x200}}));
    EXPECT_EQ(database.Size(), 3u);
    ASSERT_NE(database.Find(false, 0x100), nullptr);
    EXPECT_EQ(database.Find(false, 0x100)->name, "BodyNew");
    EXPECT_TRUE(database.Find(false, 0x100)->signals.empty());
    EXPECT_EQ(database.Find(true, 0x200)->name, "ExtNew");
    EXPECT_EQ(database.Find(false, 0x200)->cycleTimeMs, 20);
    EXPECT_EQ(database.Find(true, 0x100), nullptr);  // 29-bit 0x100 is another message
}

TEST_F(DbcFiles, OneRefusedFileLeavesTheDatabaseAsItWas)
{
    DbcDatabase database;
    ASSERT_TRUE(LoadDbcFiles({Write("body.dbc", kBody)}, database).ok);
    const std::string broken = Write("broken.dbc", kBroken);
    const DbcLoadReport report =
        LoadDbcFiles({Write("powertrain.dbc", kPowertrain), broken}, database);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.failedPath, broken);
    EXPECT_EQ(report.error.line, 2);
    EXPECT_TRUE(report.replaced.empty());
    EXPECT_EQ(database.Size(), 2u);
    EXPECT_EQ(database.Find(false, 0x100)->name, "Body");

    const DbcLoadReport missing = LoadDbcFiles({(m_folder / "none.dbc").string()}, database);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.line, 0);
    EXPECT_EQ(database.Size(), 2u);
}

// A session opened again with a file it holds takes that file as the latest.
TEST_F(DbcFiles, SessionReopenedFileWinsAndTheListNamesItOnce)
{
    DbcSession session;
    const std::string body = Write("body.dbc", kBody);
    const std::string powertrain = Write("powertrain.dbc", kPowertrain);
    EXPECT_TRUE(session.Open({body}).replaced.empty());
    EXPECT_EQ(session.Open({powertrain}).replaced.size(), 2u);
    const uint64_t generation = session.Generation();
    const DbcOpenResult result = session.Open({body});
    EXPECT_EQ(result.replaced, (std::vector<DbcMessageKey>{{false, 0x100}, {true, 0x200}}));
    EXPECT_EQ(session.Database().Find(false, 0x100)->name, "Body");
    EXPECT_EQ(session.Database().Size(), 3u);
    EXPECT_EQ(session.Paths(), (std::vector<std::string>{powertrain, body}));
    EXPECT_GT(session.Generation(), generation);

    session.CloseAll();
    EXPECT_TRUE(session.Paths().empty());
    EXPECT_EQ(session.Database().Size(), 0u);
}

// Unlike one load, a session leaves out a refused or missing file alone.
TEST_F(DbcFiles, SessionLeavesOutARefusedFileWholeAndTheOthersLoad)
{
    DbcSession session;
    const std::string body = Write("body.dbc", kBody);
    const std::string broken = Write("broken.dbc", kBroken);
    const std::string chassis = Write("chassis.dbc", kChassis);
    const std::string gone = (m_folder / "gone.dbc").string();
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

TEST_F(DbcFiles, WarningsNameTheirFile)
{
    DbcDatabase database;
    const std::string path = Write("dup.dbc", "BO_ 1 A: 8 X\nBO_ 1 B: 8 X\n");
    const DbcLoadReport report = LoadDbcFiles({path}, database);
    ASSERT_TRUE(report.ok);
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].first, path);
    EXPECT_EQ(report.warnings[0].second.line, 2);
    EXPECT_TRUE(report.replaced.empty());  // within one file: a warning, not a replacement
}

}  // namespace
