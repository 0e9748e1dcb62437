#include "rxlog/LogFiles.h"

#include <array>
#include <cerrno>
#include <functional>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/TextFormat.h"
#include "rxlog/EventLine.h"

namespace {

// Lines wait in memory until the 10th one since the last flush; a very long
// burst of text is written out earlier so the buffer stays small.
constexpr int kLinesPerFlush = 10;
constexpr size_t kMaxPendingBytes = 64 * 1024;

struct LogChannel {
    std::string path;
    bool logging = false;
    int fd = -1;
    int linesSinceFlush = 0;
    std::string pending;
};

struct ChannelTexts {
    const char* caption;
    const char* openFailed;
    const char* writeFailed;
    const char* capCaption;
    const char* capReached;
};

constexpr ChannelTexts kReceivedDataTexts = {
    "[수신데이터 로그파일 에러]",
    "수신데이터 로그파일을 여는데 실패했읍니다",
    "수신데이터 로그파일에 기록하는데 실패했읍니다",
    "[수신데이터 로그동작 중지]",
    "수신데이터 로그파일이 100MB를 초과하여 로깅동작을 중지합니다",
};

constexpr ChannelTexts kEventTexts = {
    "[이벤트 로그파일 에러]",
    "이벤트 로그파일을 여는데 실패했읍니다",
    "이벤트 로그파일에 기록하는데 실패했읍니다",
    "[이벤트 로그 동작 중지]",
    "이벤트 로그파일이 100MB를 초과하여 로깅동작을 중지합니다",
};

std::array<LogChannel, 2> g_channels;
uint64_t g_sizeCap = kDefaultLogSizeCap;

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
std::vector<std::string> g_encodings = kDefaultLogEncodings;
// Looked up on first use, and again after the encodings to try have changed.
iconv_t g_converter = kNoConverter;
bool g_converterLooked = false;

// Runs of non-ASCII text already converted, looked up by string_view without
// a copy; the Korean words of the lines repeat ("길이:", "데이터:", captions).
struct RunHash {
    using is_transparent = void;
    size_t operator()(std::string_view run) const { return std::hash<std::string_view>{}(run); }
};
std::unordered_map<std::string, std::string, RunHash, std::equal_to<>> g_convertedRuns;
constexpr size_t kMaxConvertedRuns = 1024;

LogChannel* Channel(int kind)
{
    if (kind == kReceivedDataLog || kind == kEventLog) {
        return &g_channels[static_cast<size_t>(kind - 1)];
    }
    return nullptr;
}

std::function<void()> g_loggingObserver;

void SetLogging(LogChannel& channel, bool on)
{
    if (channel.logging == on) {
        return;
    }
    channel.logging = on;
    if (g_loggingObserver) {
        g_loggingObserver();
    }
}

const ChannelTexts& Texts(int kind)
{
    return kind == kReceivedDataLog ? kReceivedDataTexts : kEventTexts;
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FlushPending(LogChannel& channel)
{
    const bool ok = WriteAll(channel.fd, channel.pending);
    channel.pending.clear();
    return ok;
}

// Closes without flushing: used after a file error, when what is still pending
// cannot be written anyway.
void DropFile(LogChannel& channel)
{
    if (channel.fd >= 0) {
        ::close(channel.fd);
    }
    channel.fd = -1;
    channel.pending.clear();
    channel.linesSinceFlush = 0;
}

// Opens for appending and takes an exclusive lock, which a second opener of the
// same file is refused, in this process or another. Returns -1 on failure.
int OpenExclusive(const std::string& path)
{
    // Opened non-blocking so that a FIFO without a reader is refused at once
    // instead of stalling the UI thread; the writes themselves block as usual.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void FailWrite(int kind, LogChannel& channel)
{
    DropFile(channel);
    SetLogging(channel, false);
    WriteEventLine(CaptionLine(Texts(kind).caption, Texts(kind).writeFailed), kColourRed);
}

// The first of the encodings that iconv offers; kNoConverter when none is.
iconv_t Cp949Converter()
{
    if (!g_converterLooked) {
        g_converterLooked = true;
        for (const std::string& name : g_encodings) {
            g_converter = iconv_open(name.c_str(), "UTF-8");
            if (g_converter != kNoConverter) {
                break;
            }
        }
    }
    return g_converter;
}

// A file at the cap gives way to a new, empty one under its name: the name is
// removed and created afresh, so that other hard links keep the old data, and
// a symbolic link is followed to the file it names, which is replaced where it
// lies, so that the link goes on naming the log. The full file stays locked
// until the new one is: an opener that slips in between holds the new file, and
// this opening fails as a refused one does. Takes over fd; returns the new
// descriptor, or -1.
int ReplaceFullFile(int fd, const struct stat& full, const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    struct stat named {};
    // Only the name of the very file found full is removed.
    const bool same = !error && ::stat(target.c_str(), &named) == 0 &&
                      named.st_dev == full.st_dev && named.st_ino == full.st_ino;
    const int fresh = same && fs::remove(target, error) ? OpenExclusive(target.string()) : -1;
    ::close(fd);
    return fresh;
}

// One run of non-ASCII UTF-8 in CP949. A character CP949 lacks, or a broken
// UTF-8 sequence, becomes one '?', and the conversion goes on after the
// offending lead byte and its continuation bytes.
std::string ConvertRun(iconv_t cd, std::string run)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(run.size(), '\0');
    char* in = run.data();
    size_t inLeft = run.size();
    size_t outPos = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + outPos;
        size_t outLeft = out.size() - outPos;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        outPos = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        if (outPos == out.size()) {
            out.resize(out.size() + 16);
        }
        out[outPos++] = '?';
        ++in;
        --inLeft;
        while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
            ++in;
            --inLeft;
        }
    }
    out.resize(outPos);
    return out;
}

}  // namespace

std::string EncodeLogText(std::string_view utf8)
{
    const iconv_t cd = Cp949Converter();
    std::string out;
    out.reserve(utf8.size() + 8);
    size_t i = 0;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if ((static_cast<unsigned char>(c) & 0x80) == 0) {
            // ASCII is the same in CP949.
            if (c == '\n' && (i == 0 || utf8[i - 1] != '\r')) {
                out.push_back('\r');
            }
            out.push_back(c);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0x80) != 0) {
            ++end;
        }
        const std::string_view run = utf8.substr(i, end - i);
        i = end;
        if (cd == kNoConverter) {
            out += run;
            continue;
        }
        auto found = g_convertedRuns.find(run);
        if (found == g_convertedRuns.end()) {
            if (g_convertedRuns.size() >= kMaxConvertedRuns) {
                g_convertedRuns.clear();
            }
            found = g_convertedRuns.emplace(run, ConvertRun(cd, std::string(run))).first;
        }
        out += found->second;
    }
    return out;
}

void SetLogPath(int kind, const std::string& path)
{
    if (LogChannel* channel = Channel(kind)) {
        channel->path = path;
    }
}

const std::string& LogPath(int kind)
{
    static const std::string kNone;
    const LogChannel* channel = Channel(kind);
    return channel != nullptr ? channel->path : kNone;
}

bool IsLogging(int kind)
{
    const LogChannel* channel = Channel(kind);
    return channel != nullptr && channel->logging;
}

bool IsLogOpen(int kind)
{
    const LogChannel* channel = Channel(kind);
    return channel != nullptr && channel->fd >= 0;
}

bool OpenLog(int kind)
{
    LogChannel* channel = Channel(kind);
    if (channel == nullptr) {
        return false;
    }
    if (channel->fd >= 0) {
        return true;
    }

    // Without a CP949 converter the lines would go out as UTF-8 without a word:
    // that is a file that cannot be opened as the log needs it.
    int fd = Cp949Converter() != kNoConverter ? OpenExclusive(channel->path) : -1;
    struct stat info {};
    bool ok = fd >= 0 && ::fstat(fd, &info) == 0;
    if (ok && static_cast<uint64_t>(info.st_size) >= g_sizeCap) {
        fd = ReplaceFullFile(fd, info, channel->path);
        ok = fd >= 0;
    }
    if (!ok) {
        if (fd >= 0) {
            ::close(fd);
        }
        DropFile(*channel);
        SetLogging(*channel, false);
        WriteEventLine(CaptionLine(Texts(kind).caption, Texts(kind).openFailed), kColourRed);
        return false;
    }

    channel->fd = fd;
    channel->linesSinceFlush = 0;
    channel->pending.clear();
    return true;
}

void CloseLog(int kind)
{
    LogChannel* channel = Channel(kind);
    if (channel == nullptr || channel->fd < 0) {
        return;
    }
    const bool flushed = FlushPending(*channel);
    DropFile(*channel);
    if (!flushed) {
        // The last lines could not be stored: same report as any failed write,
        // also when a stop command is closing the file.
        FailWrite(kind, *channel);
    }
}

void WriteLog(int kind, std::string_view line)
{
    LogChannel* channel = Channel(kind);
    if (channel == nullptr || channel->fd < 0 || !channel->logging) {
        return;
    }

    channel->pending.append(EncodeLogText(line));

    bool ok = true;
    if (++channel->linesSinceFlush >= kLinesPerFlush) {
        channel->linesSinceFlush = 0;
        ok = FlushPending(*channel);
    } else if (channel->pending.size() > kMaxPendingBytes) {
        ok = FlushPending(*channel);
    }
    // The cap follows the file on disk plus what still waits to be written, so
    // a file emptied or added to from outside is measured as it now is (writes
    // land at its end, wherever that is: the file is opened for appending).
    struct stat info {};
    ok = ok && ::fstat(channel->fd, &info) == 0;
    if (ok && static_cast<uint64_t>(info.st_size) + channel->pending.size() >= g_sizeCap) {
        ok = FlushPending(*channel);
        if (ok) {
            DropFile(*channel);
            SetLogging(*channel, false);
            WriteEventLine(CaptionLine(Texts(kind).capCaption, Texts(kind).capReached),
                           kColourBlue);
            return;
        }
    }
    if (!ok) {
        FailWrite(kind, *channel);
    }
}

void StartLogging(int kind)
{
    LogChannel* channel = Channel(kind);
    if (channel == nullptr) {
        return;
    }
    if (channel->fd >= 0) {
        SetLogging(*channel, true);
        return;
    }
    if (OpenLog(kind)) {
        SetLogging(*channel, true);
    } else {
        SetLogging(*channel, false);
        CloseLog(kind);
    }
}

void StopLogging(int kind)
{
    LogChannel* channel = Channel(kind);
    if (channel == nullptr) {
        return;
    }
    SetLogging(*channel, false);
    CloseLog(kind);
}

void SetLoggingObserver(std::function<void()> observer)
{
    g_loggingObserver = std::move(observer);
}

void SetLogSizeCap(uint64_t bytes)
{
    g_sizeCap = bytes;
}

void SetLogEncodings(const std::vector<std::string>& names)
{
    if (g_converter != kNoConverter) {
        iconv_close(g_converter);
    }
    g_converter = kNoConverter;
    g_converterLooked = false;
    g_convertedRuns.clear();
    g_encodings = names;
}
