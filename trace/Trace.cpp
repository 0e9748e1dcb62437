#include "trace/Trace.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "trace/CandumpLog.h"
#include "trace/TextScan.h"
#include "trace/VectorAsc.h"

void TraceLineParser::Feed(std::string_view chunk)
{
    while (!chunk.empty()) {
        const size_t end = chunk.find('\n');
        const std::string_view piece = chunk.substr(0, end);
        const bool complete = end != std::string_view::npos;
        chunk.remove_prefix(complete ? end + 1 : chunk.size());
        if (!m_overlong && m_pending.size() + piece.size() > kMaxLineLength + 1) {
            // One more byte than the limit is kept room for a "\r" before "\n".
            m_overlong = true;
            m_pending.clear();
        }
        if (complete) {
            if (m_overlong) {
                TakeLine({});
            } else if (m_pending.empty()) {
                TakeLine(piece);
            } else {
                m_pending.append(piece);
                TakeLine(m_pending);
            }
            m_pending.clear();
            m_overlong = false;
        } else if (!m_overlong) {
            m_pending.append(piece);
        }
    }
}

void TraceLineParser::Finish()
{
    if (m_overlong || !m_pending.empty()) {
        TakeLine(m_pending);
        m_pending.clear();
    }
}

void TraceLineParser::TakeLine(std::string_view line)
{
    ++m_trace.lines;
    if (line.size() > 0 && line.back() == '\r') {
        line.remove_suffix(1);
    }
    // Editors on Windows may start a text with a UTF-8 byte order mark.
    if (m_trace.lines == 1 && line.starts_with("\xEF\xBB\xBF")) {
        line.remove_prefix(3);
    }
    Line result = Line::kUnparsed;
    if (!m_overlong && line.size() <= kMaxLineLength) {
        line = text_scan::TrimBlanks(line);
        if (line.empty()) {
            return;
        }
        result = ParseLine(line);
    }
    m_overlong = false;
    if (result == Line::kUnparsed) {
        if (m_trace.unparsedLines++ == 0) {
            m_trace.firstUnparsedLine = m_trace.lines;
        }
    }
}

std::optional<uint8_t> TraceLineParser::ChannelIndex(std::string_view name)
{
    std::vector<std::string>& channels = m_trace.channels;
    if (m_lastChannel < channels.size() && channels[m_lastChannel] == name) {
        return static_cast<uint8_t>(m_lastChannel);
    }
    for (size_t i = 0; i < channels.size(); ++i) {
        if (channels[i] == name) {
            m_lastChannel = i;
            return static_cast<uint8_t>(i);
        }
    }
    if (channels.size() >= kMaxChannels) {
        return std::nullopt;
    }
    channels.emplace_back(name);
    m_lastChannel = channels.size() - 1;
    return static_cast<uint8_t>(m_lastChannel);
}

void ParseTrace(std::string_view text, TraceFormat format, Trace& into)
{
    if (format == TraceFormat::kCandumpLog) {
        CandumpLogParser parser(into);
        parser.Feed(text);
        parser.Finish();
    } else {
        VectorAscParser parser(into);
        parser.Feed(text);
        parser.Finish();
    }
}

TraceFormat DetectTraceFormat(std::string_view path, std::string_view head)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        const std::string_view extension = path.substr(dot + 1);
        if (text_scan::EqualsNoCase(extension, "log")) {
            return TraceFormat::kCandumpLog;
        }
        if (text_scan::EqualsNoCase(extension, "asc")) {
            return TraceFormat::kVectorAsc;
        }
    }
    while (!head.empty()) {
        const size_t end = head.find('\n');
        const std::string_view line = text_scan::TrimBlanks(head.substr(0, end));
        if (!line.empty() && line != "\r") {
            return line.front() == '(' ? TraceFormat::kCandumpLog : TraceFormat::kVectorAsc;
        }
        head.remove_prefix(end == std::string_view::npos ? head.size() : end + 1);
    }
    return TraceFormat::kCandumpLog;
}

namespace {

TraceReadResult Failure(TraceReadError error, const std::string& path, int err)
{
    return {error, path + ": " + std::system_category().message(err)};
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads up to `size` bytes; returns the count, 0 at the end, -1 with errno.
ssize_t ReadSome(int fd, char* into, size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, into, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

}  // namespace

TraceReadResult ReadTraceFile(const std::string& path, Trace& into, size_t chunkBytes)
{
    // Non-blocking open so that a FIFO cannot stall the caller; only regular
    // files are read, a device could be read without end.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        return Failure(TraceReadError::kOpenFailed, path, errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return Failure(TraceReadError::kOpenFailed, path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure(TraceReadError::kOpenFailed, path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    chunkBytes = std::max<size_t>(chunkBytes, 1);
    try {
        std::unique_ptr<char[]> buffer(new char[chunkBytes]);
        ssize_t n = ReadSome(fd.get(), buffer.get(), chunkBytes);
        if (n < 0) {
            return Failure(TraceReadError::kReadFailed, path, errno);
        }
        const TraceFormat format =
            DetectTraceFormat(path, std::string_view(buffer.get(), static_cast<size_t>(n)));
        std::unique_ptr<TraceLineParser> parser;
        if (format == TraceFormat::kCandumpLog) {
            parser = std::make_unique<CandumpLogParser>(into);
        } else {
            parser = std::make_unique<VectorAscParser>(into);
        }
        // A frame line takes 30 bytes at the least in either format: room for
        // every record a file can hold saves the vector's regrowth, which
        // would hold old and new storage at once. Pages never filled cost no
        // memory; the cap keeps a huge file from claiming address space.
        into.records.reserve(std::min<size_t>(static_cast<size_t>(info.st_size) / 30, 1 << 23));
        while (n > 0) {
            parser->Feed(std::string_view(buffer.get(), static_cast<size_t>(n)));
            n = ReadSome(fd.get(), buffer.get(), chunkBytes);
        }
        if (n < 0) {
            return Failure(TraceReadError::kReadFailed, path, errno);
        }
        parser->Finish();
    } catch (const std::bad_alloc&) {
        return {TraceReadError::kOutOfMemory, path + ": Out of Memory!"};
    }
    return {};
}
