#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The two log channels: kind 1 received data, kind 2 events. Lines are handed in
// as UTF-8 ending in "\n" and stored in CP949 with every line end as CR LF; a
// file cannot be opened when no CP949 converter is to be had. A file is held
// exclusively while open; starting appends to an existing file, or replaces one
// already at the size cap by a new file under its name (the data behind other
// names stays). Logging stops by itself when a write makes the file reach the
// cap (blue message), counting the file as it is on disk plus what is still
// buffered, or when a write fails (red message). UI thread only.
enum LogKind : int {
    kReceivedDataLog = 1,
    kEventLog = 2,
};

inline constexpr uint64_t kDefaultLogSizeCap = 100000000;

void SetLogPath(int kind, const std::string& path);
const std::string& LogPath(int kind);
bool IsLogging(int kind);
bool IsLogOpen(int kind);

bool OpenLog(int kind);
void CloseLog(int kind);
void WriteLog(int kind, std::string_view line);

// Called whenever a channel's logging switch changes: by its commands, or by
// itself when the cap is reached or a write or an opening fails. Empty for none.
void SetLoggingObserver(std::function<void()> observer);

// The start and stop commands of a channel.
void StartLogging(int kind);
void StopLogging(int kind);

// A line as the files store it: CP949 (a character CP949 lacks becomes "?")
// with every line feed stored as CR LF.
std::string EncodeLogText(std::string_view utf8);

// Tests use a small cap; the program keeps the default.
void SetLogSizeCap(uint64_t bytes);

// The iconv encodings tried in turn for CP949. Tests name others; the program
// keeps the default.
inline const std::vector<std::string> kDefaultLogEncodings = {"CP949", "UHC"};
void SetLogEncodings(const std::vector<std::string>& names);
