#pragma once

#include <string>

// Whether a path typed for a log file can be taken: not empty, not itself a
// directory, and its folder (DirectoryOfPath) is an existing directory. The
// file need not exist, and no extension is required.
bool IsAcceptableLogPath(const std::string& path);

// Takes over the paths accepted by the log-path dialog, the event log first,
// then the received-data log. A path equal to the channel's current one (exact
// comparison) leaves that channel untouched. A changed path is stored; a
// channel that is logging closes its file and goes on in the new one, and is
// off afterwards when that file cannot be opened (the open failure is reported
// as a red event line).
void ApplyLogPaths(const std::string& eventPath, const std::string& receivedDataPath);
