#include "link/SerialPort.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "link/LinkEvents.h"
#include "link/RingBuffer.h"
#include "link/SerialCustomSpeed.h"

namespace {

speed_t StandardSpeed(uint32_t baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

// UNIX 98 pseudo-terminal slaves (majors 136-143) take any speed setting or
// none: their speed means nothing, so a refused speed is no reason to fail.
bool IsPseudoTerminal(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        return false;
    }
    const unsigned int devMajor = major(info.st_rdev);
    return devMajor >= 136 && devMajor <= 143;
}

}  // namespace

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

std::string CSerialPort::DevicePath(const std::string& name)
{
    if (!name.empty() && name.front() == '/') {
        return name;
    }
    // COM1..COM999 (the fallback names) are the first serial ports; a leading
    // zero or anything longer is taken as a kernel name like any other.
    const bool comNumber = name.size() > 3 && name.size() <= 6 && name.compare(0, 3, "COM") == 0 &&
                           name[3] != '0' && std::all_of(name.begin() + 3, name.end(), [](char c) {
                               return std::isdigit(static_cast<unsigned char>(c)) != 0;
                           });
    if (comNumber) {
        return "/dev/ttyS" + std::to_string(std::stoi(name.substr(3)) - 1);
    }
    return "/dev/" + name;
}

bool CSerialPort::StoreChunk(CRingBuffer& ring, const uint8_t* bytes, size_t n)
{
    if (ring.Free() > n) {
        ring.Put(bytes, n);
        return true;
    }
    return false;
}

bool CSerialPort::Open(const std::string& name, uint32_t baud)
{
    Close();
    m_openFailure = {};
    // A speed of 0 would hang the line up instead of setting a rate.
    if (name.empty() || baud == 0) {
        return FailOpen(PortOpenStep::kOpen, EINVAL);
    }
    m_fd = ::open(DevicePath(name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        return FailOpen(PortOpenStep::kOpen, errno);
    }
    if (!::isatty(m_fd)) {
        return FailOpen(PortOpenStep::kNotTerminal, ENOTTY);
    }
    // flock keeps out every other opener that also asks for the lock, root
    // included; TIOCEXCL keeps every other non-root opener out. The lock comes
    // first: TIOCEXCL belongs to the terminal, not to this descriptor, so only
    // the holder of the lock may set it, and Close clears it again.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(m_fd, TIOCEXCL) != 0) {
        return FailOpen(PortOpenStep::kLock, errno);
    }
    m_exclusive = true;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        return FailOpen(PortOpenStep::kReader, errno);
    }
    if (!Configure(baud)) {
        return FailOpen(PortOpenStep::kConfigure, errno);
    }
    ++m_session;
    m_storedBytes = 0;
    m_stampWrite.store(0, std::memory_order_relaxed);
    m_stampRead.store(0, std::memory_order_relaxed);
    if (!StartReader()) {
        return FailOpen(PortOpenStep::kReader, EAGAIN);
    }
    return true;
}

bool CSerialPort::FailOpen(PortOpenStep step, int error)
{
    Close();
    m_openFailure = {step, error};
    return false;
}

bool CSerialPort::Configure(uint32_t baud)
{
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0) {
        return false;
    }
    // Raw 8N1: no echo, no line editing, no translation of CR or NL, no
    // XON/XOFF in either direction (an XOFF sent by the terminal would land in
    // the middle of a command frame). Hardware flow control stays as the driver
    // reported it; modem status lines are ignored. A read returns what is waiting.
    ::cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXOFF | IXANY);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;

    const speed_t standard = StandardSpeed(baud);
    if (standard != B0) {
        ::cfsetispeed(&settings, standard);
        ::cfsetospeed(&settings, standard);
        // An input speed left behind by an earlier custom rate would otherwise
        // stay in force; none means the input runs at the output speed.
        settings.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
    }
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        return false;
    }
    if (standard == B0 && !SetCustomSpeed(m_fd, baud) && !IsPseudoTerminal(m_fd)) {
        return false;
    }
    ::tcflush(m_fd, TCIOFLUSH);
    return true;
}

void CSerialPort::Close()
{
    // The notifier watches this opening's descriptor and goes with it.
    m_pending.clear();
    m_pendingNotifier.reset();
    StopReader();
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    if (m_fd >= 0) {
        // A pseudo-terminal outlives its slave's descriptors and would keep
        // refusing non-root openers, this program's next Open included.
        if (m_exclusive) {
            ::ioctl(m_fd, TIOCNXCL);
        }
        ::close(m_fd);
        m_fd = -1;
    }
    m_exclusive = false;
    m_lost.store(false, std::memory_order_release);
    m_dataPosted.store(false, std::memory_order_release);
}

void CSerialPort::AcknowledgeData()
{
    m_dataPosted.exchange(false, std::memory_order_acq_rel);
}

size_t CSerialPort::Write(const uint8_t* bytes, size_t length)
{
    if (m_fd < 0) {
        return 0;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    // The rest of an earlier frame goes first, or this one would split it.
    if (!m_pending.empty()) {
        const size_t flushed = WriteUntil(reinterpret_cast<const uint8_t*>(m_pending.data()),
                                          m_pending.size(), deadline);
        m_pending.erase(0, flushed);
        if (!m_pending.empty()) {
            return 0;
        }
        DiscardPending();
    }
    return WriteUntil(bytes, length, deadline);
}

size_t CSerialPort::WriteUntil(const uint8_t* bytes, size_t length,
                               std::chrono::steady_clock::time_point deadline)
{
    using Clock = std::chrono::steady_clock;
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(m_fd, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd waitFor{m_fd, POLLOUT, 0};
        const int ready = ::poll(&waitFor, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (waitFor.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            break;
        }
    }
    return done;
}

CSerialPort::TryWriteResult CSerialPort::TryWrite(const uint8_t* bytes, size_t length)
{
    if (!IsOpen()) {
        return TryWriteResult::kFailed;
    }
    if (!m_pending.empty()) {
        if (!DrainPending()) {
            return TryWriteResult::kFailed;
        }
        if (!m_pending.empty()) {
            return TryWriteResult::kBusy;
        }
    }
    ssize_t n;
    do {
        n = ::write(m_fd, bytes, length);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return errno == EAGAIN ? TryWriteResult::kBusy : TryWriteResult::kFailed;
    }
    if (static_cast<size_t>(n) < length) {
        m_pending.assign(reinterpret_cast<const char*>(bytes) + n, length - static_cast<size_t>(n));
        if (!m_pendingNotifier) {
            m_pendingNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
            QObject::connect(m_pendingNotifier.get(), &QSocketNotifier::activated,
                             [this] { DrainPending(); });
        }
        m_pendingNotifier->setEnabled(true);
    }
    return TryWriteResult::kWritten;
}

bool CSerialPort::DrainPending()
{
    while (!m_pending.empty()) {
        const ssize_t n = ::write(m_fd, m_pending.data(), m_pending.size());
        if (n > 0) {
            m_pending.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return true;
        }
        // The device is gone or refuses: the reader reports the loss.
        DiscardPending();
        return false;
    }
    DiscardPending();
    return true;
}

void CSerialPort::DiscardPending()
{
    // Only disabled here: this may run inside the notifier's own signal.
    m_pending.clear();
    if (m_pendingNotifier) {
        m_pendingNotifier->setEnabled(false);
    }
}

size_t CSerialPort::OutputQueued() const
{
    int queued = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued < 0) {
        return 0;
    }
    return static_cast<size_t>(queued);
}

void CSerialPort::PushReadStamp(int64_t steadyNs)
{
    const uint32_t write = m_stampWrite.load(std::memory_order_relaxed);
    if (write - m_stampRead.load(std::memory_order_acquire) >= kReadStampSlots) {
        return;
    }
    m_stamps[write % kReadStampSlots] = {steadyNs, m_storedBytes};
    m_stampWrite.store(write + 1, std::memory_order_release);
}

bool CSerialPort::PeekReadStamp(ReadStamp& stamp) const
{
    const uint32_t read = m_stampRead.load(std::memory_order_relaxed);
    if (read == m_stampWrite.load(std::memory_order_acquire)) {
        return false;
    }
    stamp = m_stamps[read % kReadStampSlots];
    return true;
}

void CSerialPort::PopReadStamp()
{
    const uint32_t read = m_stampRead.load(std::memory_order_relaxed);
    if (read != m_stampWrite.load(std::memory_order_acquire)) {
        m_stampRead.store(read + 1, std::memory_order_release);
    }
}

long CSerialPort::Read(uint8_t* buffer, size_t size)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n > 0) {
            return static_cast<long>(n);
        }
        // With VMIN 1 a live terminal with nothing waiting answers EAGAIN; end
        // of file means it has been hung up.
        if (n == 0) {
            return size == 0 ? 0 : -1;
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN ? 0 : -1;
    }
}

bool CSerialPort::StartReader()
{
    if (m_thread.joinable()) {
        return true;
    }
    m_running.store(true, std::memory_order_release);
    try {
        m_thread = std::thread(&CSerialPort::ReaderThreadProc, this);
    } catch (const std::system_error&) {
        m_running.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

bool CSerialPort::StopReader()
{
    if (m_thread.joinable()) {
        m_running.store(false, std::memory_order_release);
        const uint64_t wake = 1;
        // The counter cannot overflow from one write; a failure would only mean
        // it is already non-zero, which wakes the reader just the same.
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &wake, sizeof wake);
        m_thread.join();
    }
    return true;
}

void CSerialPort::Post(int type) const
{
    if (m_notify == nullptr) {
        return;
    }
    if (type == WM_LINK_PORT_LOST) {
        QCoreApplication::postEvent(m_notify, new LinkPortLostEvent(m_session));
    } else {
        QCoreApplication::postEvent(m_notify, new QEvent(static_cast<QEvent::Type>(type)));
    }
}

namespace {

int64_t SteadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void CSerialPort::PostData()
{
    // One event stands for all bytes waiting: none is posted while the last
    // one has not been taken up (AcknowledgeData).
    if (!m_dataPosted.exchange(true, std::memory_order_acq_rel)) {
        Post(WM_LINK_DATA);
    }
}

void CSerialPort::ReaderThreadProc()
{
    uint8_t buffer[kReadChunk];
    // At most this many reads per wake-up, so that a steady stream still gets
    // its event posted and the stop request looked at.
    constexpr int kReadsPerWake = 16;
    constexpr int64_t kGatherNs = int64_t{kGatherMs} * 1'000'000;
    bool lost = false;
    // With exact stamps: bytes were read that no event has announced yet;
    // one is due kGatherNs after the last.
    bool unannounced = false;
    int64_t lastPostNs = SteadyNowNs() - kGatherNs;

    while (!lost && m_running.load(std::memory_order_acquire)) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        timespec untilPost{};
        if (unannounced) {
            const int64_t left = std::max<int64_t>(0, lastPostNs + kGatherNs - SteadyNowNs());
            untilPost = {static_cast<time_t>(left / 1'000'000'000), left % 1'000'000'000};
        }
        const int ready = ::ppoll(fds, 2, unannounced ? &untilPost : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            lost = true;
            break;
        }
        if (ready == 0) {
            PostData();
            lastPostNs = SteadyNowNs();
            unannounced = false;
            continue;
        }
        if (fds[1].revents != 0) {
            break;
        }
        lost = (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        bool gotBytes = false;
        int64_t lastReadNs = 0;
        if ((fds[0].revents & POLLIN) != 0) {
            for (int i = 0; i < kReadsPerWake; ++i) {
                const long n = Read(buffer, sizeof buffer);
                if (n < 0) {
                    lost = true;
                    break;
                }
                if (n == 0) {
                    break;
                }
                gotBytes = true;
                const int64_t readNs = SteadyNowNs();
                const auto count = static_cast<size_t>(n);
                // The stamp goes first, so the consumer never meets bytes whose
                // read it cannot find; only this thread adds to the ring, so a
                // chunk that fits now is stored.
                if (m_ring != nullptr && m_ring->Free() > count) {
                    m_storedBytes += count;
                    PushReadStamp(readNs);
                    StoreChunk(*m_ring, buffer, count);
                } else {
                    m_dropped.fetch_add(count, std::memory_order_relaxed);
                }
                // A read that did not fill the buffer took all there was: the
                // next bytes wake the poll, one read call per wake-up fewer.
                lastReadNs = readNs;
                if (count < sizeof buffer) {
                    break;
                }
            }
        }
        if (!gotBytes) {
            continue;
        }
        // A serial line hands over a frame or less per wake-up; one event per
        // kGatherMs at most lets several frames gather, so the fastest line
        // costs a few hundred events a second rather than one per frame.
        if (m_exactStamps.load(std::memory_order_relaxed)) {
            // Every wake-up reads at once, so each read's stamp is within a
            // wake-up's latency of its last byte's arrival; only the event
            // waits. Bytes arriving in a pause would be stamped at its end,
            // and the line-time correction is right only for a line busy
            // throughout. This costs the reader a wake-up per frame or few
            // frames, and the UI thread nothing more.
            if (lastReadNs - lastPostNs >= kGatherNs) {
                PostData();
                lastPostNs = lastReadNs;
                unannounced = false;
            } else {
                unannounced = true;
            }
            continue;
        }
        // Otherwise the reader looks at the port again only kGatherMs later,
        // which also spares its own wake-ups. A stop request still ends the
        // wait at once.
        PostData();
        pollfd wake{m_wakeFd, POLLIN, 0};
        if (!lost && ::poll(&wake, 1, kGatherMs) > 0) {
            break;
        }
    }
    if (unannounced) {
        PostData();
    }
    // Cleared before the report goes out, so whoever handles it sees the reader
    // as ended and, after a loss, the port as no longer open.
    m_running.store(false, std::memory_order_release);
    if (lost) {
        m_lost.store(true, std::memory_order_release);
        Post(WM_LINK_PORT_LOST);
    }
}
