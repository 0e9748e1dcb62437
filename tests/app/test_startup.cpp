#include "app/Startup.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

void NoPorts(std::vector<SerialPortInfo>& records)
{
    records.clear();
}

TEST(Startup, LogFolderIsMadeOnlyWhereNothingStands)
{
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    // An empty working folder gets its Log folder; a trailing "/" is dropped.
    const StartupContext made = PrepareStartup(root.string() + "/", NoPorts);
    EXPECT_EQ(made.workingDirectory, root.string());
    EXPECT_EQ(made.logDirectory, root.string() + "/Log");
    EXPECT_TRUE(fs::is_directory(root / "Log"));
    // A second start finds it and changes nothing.
    std::ofstream(root / "Log" / "keep.txt") << "kept";
    EXPECT_EQ(PrepareStartup(root.string(), NoPorts).logDirectory, root.string() + "/Log");
    EXPECT_TRUE(fs::exists(root / "Log" / "keep.txt"));

    // A plain file named Log is left alone, and start-up goes on with the
    // port enumeration's error returned.
    const fs::path other = root / "other";
    fs::create_directory(other);
    std::ofstream(other / "Log") << "not a folder";
    const StartupContext context = PrepareStartup(other.string(), [](std::vector<SerialPortInfo>&) {
        throw std::runtime_error("no ports today");
    });
    EXPECT_EQ(context.logDirectory, other.string() + "/Log");
    EXPECT_TRUE(fs::is_regular_file(other / "Log"));
    EXPECT_EQ(context.enumerationError, "no ports today");
}

TEST(Startup, RootWorkingFolderGivesASingleSlash)
{
    EXPECT_EQ(StartupFolders("/").workingDirectory, "");
    EXPECT_EQ(StartupFolders("/").logDirectory, "/Log");
    EXPECT_EQ(StartupFolders("/home/u").logDirectory, "/home/u/Log");
}

}  // namespace
