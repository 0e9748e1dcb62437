#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "PtyPair.h"
#include "link/RingBuffer.h"
#include "link/SerialCustomSpeed.h"
#include "link/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a condition another thread brings about, for at most 20 s.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

TEST(ReaderChunkRule, StoresOnlyWhenFreeExceedsTheChunk)
{
    struct Row {
        uint32_t waiting;
        size_t chunk;
        bool stored;
    };
    const std::vector<Row> rows = {
        {65000, 600, false}, {65000, 500, true}, {65000, 535, true}, {65000, 536, false},
        {0, 4096, true},     {65535, 1, false},  {65534, 1, true},   {0, 65535, true},
    };
    static std::vector<uint8_t> bytes(65535, 0x5A);
    for (const Row& row : rows) {
        auto ring = std::make_unique<CRingBuffer>();
        ring->Put(bytes.data(), row.waiting);
        EXPECT_EQ(CSerialPort::StoreChunk(*ring, bytes.data(), row.chunk), row.stored)
            << row.waiting << " + " << row.chunk;
        EXPECT_EQ(ring->Count(), row.waiting + (row.stored ? row.chunk : 0));
    }
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.Ok());
        m_port.SetRing(m_ring.get());
    }

    PtyPair m_pty;
    std::unique_ptr<CRingBuffer> m_ring = std::make_unique<CRingBuffer>();
    CSerialPort m_port;
};

TEST_F(ReaderTest, MovesEveryByteInOrderWhileTheConsumerTakesThem)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 115200));
    std::string sent;
    std::string taken;
    for (int block = 0; block < 24; ++block) {
        std::string chunk;
        for (int i = 0; i < 3001; ++i) {
            chunk.push_back(static_cast<char>((block * 7 + i) & 0xFF));
        }
        sent += chunk;
        ASSERT_TRUE(m_pty.Send(chunk));
        ASSERT_TRUE(WaitUntil([&] {
            while (m_ring->Count() > 0) {
                taken.push_back(static_cast<char>(m_ring->Get()));
            }
            return taken.size() == sent.size();
        })) << "block "
            << block;
    }
    EXPECT_EQ(taken, sent);
    EXPECT_EQ(m_port.DroppedBytes(), 0u);
}

TEST_F(ReaderTest, ChunkIsDroppedWholeWhenTheRingHasNoRoom)
{
    static std::vector<uint8_t> filler(65535, 0x11);
    m_ring->Put(filler.data(), filler.size());
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 115200));
    ASSERT_TRUE(m_pty.Send(std::string(600, 'x')));
    ASSERT_TRUE(WaitUntil([&] { return m_port.DroppedBytes() == 600; }));
    EXPECT_EQ(m_ring->Count(), 65535u);
}

TEST_F(ReaderTest, CloseReturnsWhileTheReaderWaits)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    EXPECT_TRUE(m_port.IsReaderRunning());
    m_port.Close();
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_FALSE(m_port.IsReaderRunning());
    // Bytes sent now reach nobody.
    ASSERT_TRUE(m_pty.Send("late"));
    EXPECT_EQ(m_ring->Count(), 0u);
}

TEST_F(ReaderTest, ReaderEndsByItselfWhenTheDeviceGoesAway)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    m_pty.CloseMaster();
    EXPECT_TRUE(WaitUntil([&] { return !m_port.IsReaderRunning(); }));
    m_port.Close();
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(ReaderTest, OpenFailuresLeaveThePortClosed)
{
    const std::vector<std::string> names = {"", "talvox-no-such-tty", "/dev/null",
                                            "/nonexistent/x"};
    for (const std::string& name : names) {
        EXPECT_FALSE(m_port.Open(name, 9600)) << name;
        EXPECT_FALSE(m_port.IsOpen()) << name;
        EXPECT_FALSE(m_port.IsReaderRunning()) << name;
        m_port.Close();
    }
}

TEST_F(ReaderTest, SecondOpenerOfTheSamePortIsRefused)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    CSerialPort other;
    EXPECT_FALSE(other.Open(m_pty.SlavePath(), 9600));
    // Opening again on the same object closes the first opening first.
    EXPECT_TRUE(m_port.Open(m_pty.SlavePath(), 19200));
    EXPECT_TRUE(m_port.IsReaderRunning());
}

// A second descriptor of the terminal under test, to read the settings the port
// left on it. Opened without the port's lock, which only root may do while the
// terminal is exclusive.
class TerminalProbe {
public:
    explicit TerminalProbe(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~TerminalProbe()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Fd() const { return m_fd; }
    int Exclusive() const
    {
        int state = -1;
        return ::ioctl(m_fd, TIOCGEXCL, &state) == 0 ? state : -1;
    }

private:
    int m_fd;
};

TEST_F(ReaderTest, EverySpeedOpensRaw8N1AtThatSpeedAndWritesReachTheLine)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the probe needs root to open an exclusive terminal";
    }
    const std::vector<uint32_t> speeds = {9600,  14400, 19200,  28800, 38400,
                                          57600, 76800, 115200, 230400};
    TerminalProbe probe(m_pty.SlavePath());
    ASSERT_GE(probe.Fd(), 0);
    for (const uint32_t speed : speeds) {
        SCOPED_TRACE(speed);
        // Start from a cooked terminal with flow control and parity, which Open
        // must undo.
        termios cooked{};
        ASSERT_EQ(::tcgetattr(probe.Fd(), &cooked), 0);
        cooked.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
        cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        cooked.c_oflag |= OPOST;
        cooked.c_cflag |= PARENB | CSTOPB;
        ASSERT_EQ(::tcsetattr(probe.Fd(), TCSANOW, &cooked), 0);

        ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), speed));
        EXPECT_EQ(CurrentSpeed(probe.Fd()), speed);
        EXPECT_EQ(CurrentInputSpeed(probe.Fd()), speed);
        termios settings{};
        ASSERT_EQ(::tcgetattr(probe.Fd(), &settings), 0);
        EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(settings.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
        EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(settings.c_oflag & OPOST, 0u);

        const std::string frame = ":Y59\r";
        EXPECT_EQ(m_port.Write(reinterpret_cast<const uint8_t*>(frame.data()), frame.size()),
                  frame.size());
        EXPECT_EQ(m_pty.Receive(frame.size()), frame);
        m_port.Close();
    }
}

TEST_F(ReaderTest, SpeedZeroIsRefused)
{
    EXPECT_FALSE(m_port.Open(m_pty.SlavePath(), 0));
    EXPECT_FALSE(m_port.IsOpen());
}

// The terminal is exclusive exactly while an opening of this program holds it:
// a refused second opener must not lift it, and Close must, or a non-root user
// could never open the same terminal again.
TEST_F(ReaderTest, TerminalIsExclusiveOnlyWhileHeld)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the probe needs root to open an exclusive terminal";
    }
    TerminalProbe before(m_pty.SlavePath());
    ASSERT_GE(before.Fd(), 0);
    EXPECT_EQ(before.Exclusive(), 0);

    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    TerminalProbe probe(m_pty.SlavePath());
    ASSERT_GE(probe.Fd(), 0);
    EXPECT_EQ(probe.Exclusive(), 1);
    {
        CSerialPort other;
        EXPECT_FALSE(other.Open(m_pty.SlavePath(), 9600));
    }
    EXPECT_EQ(probe.Exclusive(), 1);

    m_port.Close();
    EXPECT_EQ(probe.Exclusive(), 0);
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    EXPECT_EQ(probe.Exclusive(), 1);
}

TEST(SerialPortPath, NamesMapToDevicePaths)
{
    EXPECT_EQ(CSerialPort::DevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(CSerialPort::DevicePath("/dev/pts/3"), "/dev/pts/3");
}

}  // namespace
