#include "txlist/TransmitFile.h"

#include <cerrno>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

namespace {

constexpr uint32_t kWideCount = 0xFFFF;
constexpr size_t kEntrySize = 25;
constexpr std::string_view kName = CTDataObject::kName;

constexpr char kFormatText[] = "송신 파일 형식이 아닙니다";
constexpr char kEndOfFileText[] = "파일이 예상보다 일찍 끝났읍니다";
constexpr char kLockedText[] = "다른 곳에서 사용 중인 파일입니다";
constexpr char kNotRegularText[] = "일반 파일이 아닙니다";
constexpr char kOutOfMemoryText[] = "Out of Memory!";

void StoreLe(std::string& out, uint32_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
}

uint32_t LoadLe(std::string_view bytes, size_t offset, size_t width)
{
    uint32_t value = 0;
    for (size_t i = width; i-- > 0;) {
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    }
    return value;
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

TransmitFileResult Failure(TransmitFileError error, const std::string& path, std::string_view why)
{
    return {error, path + ": " + std::string(why)};
}

TransmitFileResult SystemFailure(TransmitFileError error, const std::string& path, int err)
{
    return Failure(error, path, std::system_category().message(err));
}

// Checks that an opened file is a regular file and takes its exclusive lock.
// Opening is non-blocking so that a FIFO cannot stall the caller; a device
// could be read without end, so only regular files are accepted.
TransmitFileResult HoldExclusively(int fd, const std::string& path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return SystemFailure(TransmitFileError::kOpenFailed, path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return SystemFailure(TransmitFileError::kOpenFailed, path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure(TransmitFileError::kOpenFailed, path, kNotRegularText);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return Failure(TransmitFileError::kLocked, path, kLockedText);
        }
        return SystemFailure(TransmitFileError::kOpenFailed, path, errno);
    }
    return {};
}

TransmitFileResult ResultOf(TransmitFileError error, const std::string& path)
{
    switch (error) {
    case TransmitFileError::kNone:
        return {};
    case TransmitFileError::kEndOfFile:
        return Failure(error, path, kEndOfFileText);
    case TransmitFileError::kOutOfMemory:
        return {error, kOutOfMemoryText};
    default:
        return Failure(error, path, kFormatText);
    }
}

// Writes every byte; returns 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

QString LocalPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

std::string SerializeTransmitList(const CTDataObject& list)
{
    const size_t count = list.Count();
    std::string out;
    out.reserve(21 + kEntrySize * count);
    StoreLe(out, CTDataObject::kSignature, 4);
    out.push_back(static_cast<char>(kName.size()));
    out.append(kName);
    if (count < kWideCount) {
        StoreLe(out, static_cast<uint32_t>(count), 2);
    } else {
        StoreLe(out, kWideCount, 2);
        StoreLe(out, static_cast<uint32_t>(count), 4);
    }
    for (size_t i = 0; i < count; ++i) {
        const TDataEntry& entry = *list.At(i);
        StoreLe(out, entry.standard, 4);
        StoreLe(out, entry.dataFrame, 4);
        StoreLe(out, entry.hexInput, 4);
        StoreLe(out, entry.dlc, 1);
        StoreLe(out, entry.id, 4);
        StoreLe(out, entry.dataHigh, 4);
        StoreLe(out, entry.dataLow, 4);
    }
    return out;
}

TransmitFileError ParseTransmitList(std::string_view bytes, CTDataObject& into)
{
    constexpr size_t kNameEnd = 5 + kName.size();
    if (bytes.size() < 4) {
        return TransmitFileError::kEndOfFile;
    }
    if (LoadLe(bytes, 0, 4) != CTDataObject::kSignature) {
        return TransmitFileError::kBadSignature;
    }
    if (bytes.size() < 5) {
        return TransmitFileError::kEndOfFile;
    }
    if (LoadLe(bytes, 4, 1) != kName.size()) {
        return TransmitFileError::kBadName;
    }
    if (bytes.size() < kNameEnd) {
        return TransmitFileError::kEndOfFile;
    }
    if (bytes.substr(5, kName.size()) != kName) {
        return TransmitFileError::kBadName;
    }
    size_t pos = kNameEnd + 2;
    if (bytes.size() < pos) {
        return TransmitFileError::kEndOfFile;
    }
    uint32_t count = LoadLe(bytes, kNameEnd, 2);
    if (count == kWideCount) {
        if (bytes.size() < pos + 4) {
            return TransmitFileError::kEndOfFile;
        }
        count = LoadLe(bytes, pos, 4);
        pos += 4;
    }

    // Entries are created one by one as their bytes are found, so a count the
    // file cannot back costs nothing before the end of the file is reached.
    try {
        for (uint32_t i = 0; i < count; ++i, pos += kEntrySize) {
            if (bytes.size() - pos < kEntrySize) {
                return TransmitFileError::kEndOfFile;
            }
            const std::string_view e = bytes.substr(pos, kEntrySize);
            into.AppendLoaded(std::make_unique<TDataEntry>(
                TDataEntry{nullptr, LoadLe(e, 0, 4), LoadLe(e, 4, 4), LoadLe(e, 8, 4),
                           static_cast<uint8_t>(e[12]), LoadLe(e, 13, 4), LoadLe(e, 17, 4),
                           LoadLe(e, 21, 4)}));
        }
    } catch (const std::bad_alloc&) {
        return TransmitFileError::kOutOfMemory;
    }
    return TransmitFileError::kNone;
}

TransmitFileResult ReadTransmitFile(const std::string& path, CTDataObject& into)
{
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        return SystemFailure(TransmitFileError::kOpenFailed, path, errno);
    }
    if (TransmitFileResult held = HoldExclusively(file.get(), path); !held.ok()) {
        return held;
    }

    try {
        std::string bytes;
        struct stat info {};
        if (::fstat(file.get(), &info) == 0 && info.st_size > 0) {
            bytes.reserve(static_cast<size_t>(info.st_size));
        }
        char chunk[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(file.get(), chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return SystemFailure(TransmitFileError::kReadFailed, path, errno);
            }
            if (n == 0) {
                break;
            }
            bytes.append(chunk, static_cast<size_t>(n));
        }
        return ResultOf(ParseTransmitList(bytes, into), path);
    } catch (const std::bad_alloc&) {
        return ResultOf(TransmitFileError::kOutOfMemory, path);
    }
}

TransmitFileResult WriteTransmitFile(const std::string& path, const CTDataObject& list)
{
    std::string bytes;
    try {
        bytes = SerializeTransmitList(list);
    } catch (const std::bad_alloc&) {
        return ResultOf(TransmitFileError::kOutOfMemory, path);
    }

    // The file being replaced is held for the whole save. When it cannot be
    // opened (it does not exist yet, or its folder is not reachable) the save
    // below finds out what can be done and reports it.
    const UniqueFd previous(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (previous.get() >= 0) {
        if (TransmitFileResult held = HoldExclusively(previous.get(), path); !held.ok()) {
            return held;
        }
    }

    QSaveFile file(LocalPath(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return Failure(TransmitFileError::kOpenFailed, path, file.errorString().toStdString());
    }
    // Written through the temporary file's own descriptor, so that a short or
    // failed write is reported with the system's reason; commit then renames
    // it over the previous file.
    if (const int error = WriteAll(file.handle(), bytes); error != 0) {
        file.cancelWriting();
        return SystemFailure(TransmitFileError::kWriteFailed, path, error);
    }
    if (!file.commit()) {
        return Failure(TransmitFileError::kWriteFailed, path, file.errorString().toStdString());
    }
    return {};
}
