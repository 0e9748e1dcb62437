#include "app/LogPathChange.h"

#include <filesystem>
#include <system_error>

#include "common/FilePaths.h"
#include "rxlog/LogFiles.h"

namespace {

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

void ApplyLogPath(int kind, const std::string& path)
{
    if (path == LogPath(kind)) {
        return;
    }
    SetLogPath(kind, path);
    if (IsLogging(kind)) {
        CloseLog(kind);
        // With the file closed, starting opens it at the new path and leaves
        // logging on only if that succeeded.
        StartLogging(kind);
    }
}

}  // namespace

bool IsAcceptableLogPath(const std::string& path)
{
    if (path.empty() || IsDirectory(path)) {
        return false;
    }
    const std::string folder = DirectoryOfPath(path);
    return !folder.empty() && IsDirectory(folder);
}

void ApplyLogPaths(const std::string& eventPath, const std::string& receivedDataPath)
{
    ApplyLogPath(kEventLog, eventPath);
    ApplyLogPath(kReceivedDataLog, receivedDataPath);
}
