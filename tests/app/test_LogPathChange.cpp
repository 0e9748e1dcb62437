#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "app/LogPathChange.h"
#include "common/FilePaths.h"
#include "rxlog/LogFiles.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class LogPathChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "talvox-paths-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::create_directory(m_dir / "new");
        std::ofstream(m_dir / "file.txt") << "x";
        SetLogPath(kEventLog, Path("event.txt"));
        SetLogPath(kReceivedDataLog, Path("rdata.txt"));
    }
    void TearDown() override
    {
        StopLogging(kEventLog);
        StopLogging(kReceivedDataLog);
        fs::remove_all(m_dir);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(LogPathChangeTest, AcceptsAPathOnlyWhenItsFolderExists)
{
    const std::pair<std::string, bool> rows[] = {
        {Path("event.txt"), true}, {Path("file.txt"), true},
        {Path("new/log"), true},   {"", false},
        {Path("new"), false},      {Path("none/log.txt"), false},
        {"log.txt", false},        {Path("file.txt/x"), false},
    };
    for (const auto& [path, accepted] : rows) {
        EXPECT_EQ(IsAcceptableLogPath(path), accepted) << path;
    }
    EXPECT_EQ(DirectoryOfPath(Path("new")), Path("new"));
    EXPECT_EQ(DirectoryOfPath(Path("file.txt")), m_dir.string());
    EXPECT_EQ(DirectoryOfPath(Path("none/log.txt")), "");
    EXPECT_EQ(DirectoryOfPath("/"), "/");
}

TEST_F(LogPathChangeTest, UnchangedPathsLeaveRunningLogsAlone)
{
    StartLogging(kEventLog);
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "pending\n");
    ApplyLogPaths(Path("event.txt"), Path("rdata.txt"));
    // A reopened file would have flushed the line still waiting in memory.
    EXPECT_EQ(ReadFile(Path("rdata.txt")), "");
    EXPECT_TRUE(IsLogging(kEventLog) && IsLogging(kReceivedDataLog));
}

TEST_F(LogPathChangeTest, RunningLogsMoveToTheirNewFiles)
{
    StartLogging(kEventLog);
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "before\n");
    ApplyLogPaths(Path("new/e.txt"), Path("new/r.txt"));
    WriteLog(kEventLog, "event after\n");
    WriteLog(kReceivedDataLog, "after\n");
    StopLogging(kEventLog);
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(ReadFile(Path("rdata.txt")), "before\r\n");
    EXPECT_EQ(ReadFile(Path("new/r.txt")), "after\r\n");
    EXPECT_EQ(ReadFile(Path("new/e.txt")), "event after\r\n");
    EXPECT_EQ(LogPath(kEventLog), Path("new/e.txt"));
}

TEST_F(LogPathChangeTest, ChannelThatIsOffOnlyStoresAndOneThatCannotReopenGoesOff)
{
    StartLogging(kEventLog);
    fs::remove_all(m_dir / "new");
    ApplyLogPaths(Path("new/e.txt"), Path("r2.txt"));
    EXPECT_FALSE(IsLogging(kEventLog) || IsLogOpen(kEventLog));
    EXPECT_EQ(LogPath(kReceivedDataLog), Path("r2.txt"));
    EXPECT_FALSE(IsLogging(kReceivedDataLog) || fs::exists(Path("r2.txt")));
}

}  // namespace
