#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
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

uint8_t Pattern(uint64_t i)
{
    return static_cast<uint8_t>(i * 31 + (i >> 8));
}

// A producer storing only when Free exceeds its chunk, as the reader does, and a
// consumer: every byte arrives once, in order.
TEST(RingBuffer, TwoThreadsKeepOrderAndContent)
{
    auto ring = std::make_unique<CRingBuffer>();
    constexpr uint64_t kTotal = 997 * 4000;
    std::thread producer([&] {
        uint8_t chunk[997];
        for (uint64_t sent = 0; sent < kTotal; sent += sizeof chunk) {
            for (size_t i = 0; i < sizeof chunk; ++i) {
                chunk[i] = Pattern(sent + i);
            }
            while (ring->Free() <= sizeof chunk) {
                std::this_thread::yield();
            }
            ring->Put(chunk, sizeof chunk);
        }
    });
    uint64_t received = 0;
    uint64_t mismatches = 0;
    uint8_t buffer[4096];
    while (received < kTotal) {
        const size_t n = ring->Get(buffer, sizeof buffer);
        for (size_t i = 0; i < n; ++i) {
            mismatches += buffer[i] != Pattern(received + i) ? 1 : 0;
        }
        received += n;
        std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
}

// The rows also hold the ring's bounds: 65,535 bytes waiting leave room for
// none, an empty ring takes 65,535 at once; Clear empties it.
TEST(ReaderChunkRule, StoresOnlyWhenFreeExceedsTheChunk)
{
    const std::vector<std::tuple<uint32_t, size_t, bool>> rows = {
        {65000, 600, false}, {65000, 535, true}, {65000, 536, false}, {0, 4096, true},
        {65535, 1, false},   {65534, 1, true},   {0, 65535, true}};
    const std::vector<uint8_t> bytes(65535, 0x5A);
    for (const auto& [waiting, chunk, stored] : rows) {
        auto ring = std::make_unique<CRingBuffer>();
        ring->Put(bytes.data(), waiting);
        EXPECT_EQ(CSerialPort::StoreChunk(*ring, bytes.data(), chunk), stored) << waiting << chunk;
        EXPECT_EQ(ring->Count(), waiting + (stored ? chunk : 0));
        ring->Clear();
        EXPECT_EQ(ring->Free(), 65536u);
    }
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { m_port.SetRing(m_ring.get()); }

    PtyPair m_pty;
    std::unique_ptr<CRingBuffer> m_ring = std::make_unique<CRingBuffer>();
    CSerialPort m_port;
};

TEST_F(ReaderTest, MovesEveryByteInOrderWhileTheConsumerTakesThem)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 115200));
    std::string sent;
    std::string taken;
    uint64_t next = 0;
    for (int block = 0; block < 24; ++block) {
        std::string chunk(3001, '\0');
        std::generate(chunk.begin(), chunk.end(),
                      [&] { return static_cast<char>(Pattern(next++)); });
        sent += chunk;
        ASSERT_TRUE(m_pty.Send(chunk));
        ASSERT_TRUE(WaitFor([&] {
            while (m_ring->Count() > 0) {
                taken.push_back(static_cast<char>(m_ring->Get()));
            }
            return taken.size() == sent.size();
        }));
    }
    EXPECT_EQ(taken, sent);
    EXPECT_EQ(m_port.DroppedBytes(), 0u);
}

TEST_F(ReaderTest, CloseReturnsWhileTheReaderWaits)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    EXPECT_TRUE(m_port.IsReaderRunning());
    m_port.Close();
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_FALSE(m_port.IsReaderRunning());
    ASSERT_TRUE(m_pty.Send("late"));
    EXPECT_EQ(m_ring->Count(), 0u);
}

// Regression: speed 0 used to be accepted.
TEST_F(ReaderTest, OpenFailuresIncludingSpeedZeroLeaveThePortClosed)
{
    const std::vector<std::pair<std::string, uint32_t>> rows = {
        {"", 9600}, {"talvox-no-such-tty", 9600}, {"/dev/null", 9600}, {m_pty.SlavePath(), 0}};
    for (const auto& [name, speed] : rows) {
        EXPECT_FALSE(m_port.Open(name, speed)) << name << " " << speed;
        EXPECT_FALSE(m_port.IsOpen());
        EXPECT_FALSE(m_port.IsReaderRunning());
    }
}

// A second descriptor of the terminal without the port's lock: only root may open
// a terminal made exclusive.
int OpenProbe(const std::string& path)
{
    return ::geteuid() == 0 ? ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
}

// Regression: a closed terminal stayed exclusive, so nobody but root could reopen it.
TEST_F(ReaderTest, SecondOpenerRefusedAndExclusivityReleasedOnClose)
{
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 9600));
    CSerialPort other;
    EXPECT_FALSE(other.Open(m_pty.SlavePath(), 9600));
    ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 19200));  // closes the first opening first
    const int probe = OpenProbe(m_pty.SlavePath());
    int exclusive[2] = {-1, -1};
    ::ioctl(probe, TIOCGEXCL, &exclusive[0]);
    m_port.Close();
    ::ioctl(probe, TIOCGEXCL, &exclusive[1]);
    if (probe >= 0) {
        EXPECT_EQ(exclusive[0], 1);
        EXPECT_EQ(exclusive[1], 0);
        ::close(probe);
    }
    EXPECT_TRUE(other.Open(m_pty.SlavePath(), 9600));
}

// Regression: flow control, parity or a custom input speed left on the terminal
// survived Open.
TEST_F(ReaderTest, EverySpeedOpensRaw8N1AtThatSpeedAndWritesReachTheLine)
{
    const int probe = OpenProbe(m_pty.SlavePath());
    if (probe < 0) {
        GTEST_SKIP() << "the probe needs root to open an exclusive terminal";
    }
    for (const uint32_t speed : {9600, 14400, 19200, 28800, 38400, 57600, 76800, 115200, 230400}) {
        SCOPED_TRACE(speed);
        termios t{};
        ASSERT_EQ(::tcgetattr(probe, &t), 0);
        t.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
        t.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        t.c_oflag |= OPOST;
        t.c_cflag |= PARENB | CSTOPB;
        ASSERT_EQ(::tcsetattr(probe, TCSANOW, &t), 0);
        ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), speed));
        EXPECT_EQ(CurrentSpeed(probe), speed);
        EXPECT_EQ(CurrentInputSpeed(probe), speed);
        ASSERT_EQ(::tcgetattr(probe, &t), 0);
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CREAD | CLOCAL),
                  static_cast<tcflag_t>(CS8 | CREAD | CLOCAL));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(m_port.Write(reinterpret_cast<const uint8_t*>(":Y59\r"), 5), 5u);
        EXPECT_EQ(m_pty.Receive(5), ":Y59\r");
        m_port.Close();
    }
    ::close(probe);
}

}  // namespace
