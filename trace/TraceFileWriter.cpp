#include "trace/TraceFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "trace/CandumpLog.h"
#include "trace/TextScan.h"
#include "trace/VectorAsc.h"

namespace {

// Rotation numbers tried before giving up when every name is taken.
constexpr uint32_t kMaxRotationTries = 100000;

int64_t FloorToMillisecond(int64_t us)
{
    return std::max<int64_t>(us, 0) / 1000 * 1000;
}

}  // namespace

TraceFileWriter::TraceFileWriter(Options options) : m_options(std::move(options))
{
}

TraceFileWriter::~TraceFileWriter()
{
    Close();
}

std::string TraceFileWriter::RotatedPath(const std::string& path, uint32_t number)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        dot = path.size();
    }
    std::string rotated = path.substr(0, dot);
    rotated.push_back('_');
    text_scan::AppendDecimal(rotated, number, 3);
    rotated.append(path, dot, std::string::npos);
    return rotated;
}

TraceWriteStatus TraceFileWriter::Open(const std::string& path, int64_t startUs)
{
    Close();
    m_status = {};
    m_files.clear();
    m_buffer.clear();
    m_records = 0;
    m_nextNumber = 1;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        Fail(TraceWriteError::kOpenFailed, errno, path);
        return m_status;
    }
    m_path = path;
    m_files.push_back(path);
    m_lastUs = FloorToMillisecond(startUs);
    StartFile(m_lastUs);
    return m_status;
}

void TraceFileWriter::StartFile(int64_t startUs)
{
    m_fileBytes = 0;
    m_recordsInFile = 0;
    if (m_options.format == TraceFormat::kVectorAsc) {
        m_fileStartUs = startUs;
        AppendAscHeader(m_buffer, startUs);
    }
}

void TraceFileWriter::AppendLine(const TraceRecord& record)
{
    if (m_options.format == TraceFormat::kCandumpLog) {
        AppendCandumpLine(m_buffer, record, m_options.interfaceName);
    } else {
        AppendAscLine(m_buffer, record, m_fileStartUs, m_options.ascChannel);
    }
}

bool TraceFileWriter::Append(const TraceRecord& record)
{
    if (m_fd < 0) {
        return false;
    }
    TraceRecord stamped = record;
    stamped.timeUs = std::max(record.timeUs, m_lastUs);
    m_lastUs = stamped.timeUs;
    const size_t before = m_buffer.size();
    AppendLine(stamped);
    const uint64_t footer = m_options.format == TraceFormat::kVectorAsc ? kAscFooter.size() : 0;
    if (m_options.sizeLimit != 0 && m_recordsInFile > 0 &&
        m_fileBytes + m_buffer.size() + footer > m_options.sizeLimit) {
        m_buffer.resize(before);
        if (!Rotate(stamped)) {
            return false;
        }
    }
    ++m_recordsInFile;
    ++m_records;
    return m_buffer.size() < m_options.flushBytes || WriteBuffer();
}

bool TraceFileWriter::Rotate(const TraceRecord& record)
{
    if (m_options.format == TraceFormat::kVectorAsc) {
        m_buffer.append(kAscFooter);
    }
    if (!WriteBuffer()) {
        return false;
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        Fail(TraceWriteError::kWriteFailed, errno, m_path);
        return false;
    }
    std::string next;
    for (uint32_t tries = 0; m_fd < 0 && tries < kMaxRotationTries; ++tries) {
        next = RotatedPath(m_files.front(), m_nextNumber++);
        m_fd = ::open(next.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        Fail(TraceWriteError::kOpenFailed, errno, next);
        return false;
    }
    m_path = next;
    m_files.push_back(next);
    StartFile(FloorToMillisecond(record.timeUs));
    AppendLine(record);
    return true;
}

bool TraceFileWriter::WriteBuffer()
{
    size_t written = 0;
    while (written < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + written, m_buffer.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            // Keep whole lines only: a reader would take a cut line for a
            // malformed one.
            const size_t lineEnd = m_buffer.rfind('\n', written == 0 ? 0 : written - 1);
            const size_t keep = (written == 0 || lineEnd == std::string::npos) ? 0 : lineEnd + 1;
            if (keep < written) {
                // Best effort: the failed write is what gets reported; a cut
                // that fails as well leaves the partial line to the reader.
                [[maybe_unused]] const int cut =
                    ::ftruncate(m_fd, static_cast<off_t>(m_fileBytes + keep));
            }
            Fail(TraceWriteError::kWriteFailed, err, m_path);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    m_fileBytes += m_buffer.size();
    m_buffer.clear();
    return true;
}

void TraceFileWriter::Fail(TraceWriteError error, int err, const std::string& path)
{
    if (m_status.ok()) {
        m_status = {error, err, path + ": " + std::system_category().message(err)};
    }
    m_buffer.clear();
    CloseFile();
}

void TraceFileWriter::CloseFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

TraceWriteStatus TraceFileWriter::Flush()
{
    if (m_fd < 0) {
        return m_status.ok() ? TraceWriteStatus{TraceWriteError::kNotOpen, 0, {}} : m_status;
    }
    WriteBuffer();
    return m_status;
}

TraceWriteStatus TraceFileWriter::Close()
{
    if (m_fd < 0) {
        return m_status;
    }
    if (m_options.format == TraceFormat::kVectorAsc) {
        m_buffer.append(kAscFooter);
    }
    if (WriteBuffer()) {
        const int closed = ::close(m_fd);
        m_fd = -1;
        if (closed != 0) {
            Fail(TraceWriteError::kWriteFailed, errno, m_path);
        }
    }
    return m_status;
}
