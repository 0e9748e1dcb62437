#include "app/Startup.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("talvox-startup-" + std::to_string(getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    static void NoPorts(std::vector<SerialPortInfo>& records) { records.clear(); }

    fs::path m_root;
};

TEST_F(StartupTest, LogFolderIsMadeOnlyWhereNothingStands)
{
    // An empty working folder gets its Log folder; a trailing "/" is dropped.
    const StartupContext made = PrepareStartup(m_root.string() + "/", NoPorts);
    EXPECT_EQ(made.workingDirectory, m_root.string());
    EXPECT_EQ(made.logDirectory, m_root.string() + "/Log");
    EXPECT_TRUE(fs::is_directory(m_root / "Log"));
    // A second start finds it and changes nothing.
    std::ofstream(m_root / "Log" / "keep.txt") << "kept";
    EXPECT_EQ(PrepareStartup(m_root.string(), NoPorts).logDirectory, m_root.string() + "/Log");
    EXPECT_TRUE(fs::exists(m_root / "Log" / "keep.txt"));

    // A plain file named Log is left alone, and start-up goes on.
    const fs::path other = m_root / "other";
    fs::create_directory(other);
    std::ofstream(other / "Log") << "not a folder";
    EXPECT_EQ(PrepareStartup(other.string(), NoPorts).logDirectory, other.string() + "/Log");
    EXPECT_TRUE(fs::is_regular_file(other / "Log"));
}

TEST(Startup, RootWorkingFolderGivesASingleSlash)
{
    EXPECT_EQ(StartupFolders("/").workingDirectory, "");
    EXPECT_EQ(StartupFolders("/").logDirectory, "/Log");
    EXPECT_EQ(StartupFolders("/home/u").logDirectory, "/home/u/Log");
}

TEST_F(StartupTest, EnumerationErrorIsReturnedAndTheFallbackListUsed)
{
    const StartupContext context = PrepareStartup(
        m_root.string(),
        [](std::vector<SerialPortInfo>&) { throw std::runtime_error("no ports today"); });
    EXPECT_EQ(context.enumerationError, "no ports today");
    EXPECT_EQ(PortNameCount(), 16);
}

}  // namespace
