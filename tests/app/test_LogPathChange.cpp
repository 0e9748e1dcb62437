#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/LogPathChange.h"
#include "rxlog/LogFiles.h"

namespace {

struct LogFolder {
    LogFolder()
    {
        QDir(dir.path()).mkdir("new");
        SetLogPath(kEventLog, Path("e.txt"));
        SetLogPath(kReceivedDataLog, Path("r.txt"));
    }
    ~LogFolder()
    {
        StopLogging(kEventLog);
        StopLogging(kReceivedDataLog);
    }
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
    std::string Read(const char* name) const
    {
        QFile file(QString::fromStdString(Path(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "-";
    }
    QTemporaryDir dir;
};

TEST(LogPathChange, RunningLogsStayOnUnchangedPathsAndMoveToChangedOnes)
{
    LogFolder folder;
    StartLogging(kEventLog);
    StartLogging(kReceivedDataLog);
    WriteLog(kReceivedDataLog, "before\n");
    ApplyLogPaths(folder.Path("e.txt"), folder.Path("r.txt"));
    EXPECT_EQ(folder.Read("r.txt"), "");  // not reopened: the line still waits in memory

    ApplyLogPaths(folder.Path("new/e.txt"), folder.Path("new/r.txt"));
    WriteLog(kEventLog, "event\n");
    WriteLog(kReceivedDataLog, "after\n");
    StopLogging(kReceivedDataLog);
    EXPECT_EQ(folder.Read("r.txt") + folder.Read("new/r.txt"), "before\r\nafter\r\n");

    // A channel that is off only takes the path; one that cannot reopen goes off.
    ApplyLogPaths(folder.Path("none/e.txt"), folder.Path("r2.txt"));
    EXPECT_FALSE(IsLogging(kEventLog) || IsLogOpen(kEventLog) || IsLogging(kReceivedDataLog));
    EXPECT_EQ(folder.Read("new/e.txt") + LogPath(kReceivedDataLog) + folder.Read("r2.txt"),
              "event\r\n" + folder.Path("r2.txt") + "-");
}

}  // namespace
