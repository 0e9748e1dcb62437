#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "EventWait.h"
#include "PtyPair.h"
#include "link/ConverterLink.h"
#include "link/ResponseText.h"
#include "tests/sim/SimProcess.h"

namespace {

TEST(SerialPortEvents, DataEventEvenForADroppedChunkAndOnePortLostOnHangUp)
{
    PtyPair pty;
    auto ring = std::make_unique<CRingBuffer>();
    const std::vector<uint8_t> filler(65535, 0);
    ring->Put(filler.data(), filler.size());
    LinkEventRecorder target;
    CSerialPort port;
    port.SetRing(ring.get());
    port.SetNotify(&target);
    ASSERT_TRUE(port.Open(pty.SlavePath(), 57600));
    ASSERT_TRUE(pty.Send(std::string(600, 'q')));
    EXPECT_TRUE(ProcessEventsUntil(
        [&] { return port.DroppedBytes() == 600 && target.Count(WM_LINK_DATA) >= 1; }));
    EXPECT_EQ(ring->Count(), 65535u);

    pty.CloseMaster();
    EXPECT_TRUE(ProcessEventsUntil([&] { return target.Count(WM_LINK_PORT_LOST) == 1; }));
    EXPECT_FALSE(port.IsReaderRunning());
    port.Close();
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_EQ(target.Count(WM_LINK_PORT_LOST), 1);
}

// With exact stamps every read is stamped as it comes and every chunk is
// announced, also one that arrives soon after the last event (its event then
// comes by the reader's own timeout, with no more bytes to wake it).
TEST(SerialPortEvents, ExactStampsStampEveryChunkAndAnnounceIt)
{
    PtyPair pty;
    CRingBuffer ring;
    LinkEventRecorder target;
    CSerialPort port;
    port.SetRing(&ring);
    port.SetNotify(&target);
    port.SetExactStamps(true);
    ASSERT_TRUE(port.Open(pty.SlavePath(), 115200));
    const auto steadyNs = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    uint64_t stored = 0;
    for (int chunk = 1; chunk <= 4; ++chunk) {
        const int64_t before = steadyNs();
        ASSERT_TRUE(pty.Send(std::string(static_cast<size_t>(chunk), 'a')));
        stored += static_cast<uint64_t>(chunk);
        ASSERT_TRUE(WaitFor([&] { return ring.Count() == stored; })) << chunk;
        const int64_t seen = steadyNs();
        ASSERT_TRUE(ProcessEventsUntil([&] { return target.Count(WM_LINK_DATA) >= chunk; }))
            << chunk;
        port.AcknowledgeData();
        // Normally one read; the terminal may hand a chunk over in two.
        CSerialPort::ReadStamp stamp;
        int reads = 0;
        while (port.PeekReadStamp(stamp)) {
            port.PopReadStamp();
            ++reads;
            EXPECT_GE(stamp.steadyNs, before) << chunk;
            EXPECT_LE(stamp.steadyNs, seen) << chunk;
        }
        EXPECT_GE(reads, 1) << chunk;
        EXPECT_EQ(stamp.endByte, stored) << chunk;
    }
    port.Close();
}

class ConverterLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_link->Create(&m_owner));
        ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 115200));
    }

    // Sends bytes as the converter would and waits for the event lines they bring.
    void Answer(const std::string& bytes, size_t events)
    {
        ASSERT_TRUE(m_pty.Send(bytes));
        ASSERT_TRUE(ProcessEventsUntil([&] { return m_sinks.events.size() >= events; }));
    }

    // Waits, without running the event loop, until the reader has stored count bytes.
    bool RingHolds(size_t count)
    {
        return WaitFor([&] { return m_link->Ring().Count() >= count; }) &&
               m_link->Ring().Count() == count;
    }

    PtyPair m_pty;
    RecordingSinks m_sinks;
    LinkEventRecorder m_owner;
    std::unique_ptr<CConverterLink> m_link = std::make_unique<CConverterLink>();
};

TEST_F(ConverterLinkTest, CommandsAppearOnTheLineByteForByte)
{
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CConverterLink& l = *m_link;
    const std::vector<std::pair<std::function<void()>, std::string>> rows = {
        {[&] { l.ReadConfig(); }, ":Y59\r"},
        {[&] { l.ResetCan(); }, ":R52\r"},
        {[&] { l.ReadVersion(); }, ":V56\r"},
        {[&] { l.SetReception(1); }, ":G11A9\r"},
        {[&] { l.SetReception(0); }, ":G10A8\r"},
        {[&] { l.SetReception(0x100); }, ":G11A9\r"},  // any non-zero is on
        {[&] { l.WriteConfig(0, 0, 1, 1, 0, 0, 0x01020505, 0x123, 0); },
         ":Z0C0102050501230000E0\r"},
        {[&] { l.WriteConfig(0, 1, 1, 1, 0, 0, 0x01020505, 0, 0); },
         ":Z1C0102050500000000000000005B\r"},
        {[&] { l.WriteConfig(0, 1, 1, 1, 1, 1, 0x01020505, 0, 0); },
         ":Z1F0102050500000000000000005E\r"},
        // Identifiers cut to the width extended selects; id before mask.
        {[&] { l.WriteConfig(2, 1, 0, 0, 0, 0, 0x01020505, 0xFFFFFFFF, 0x1ABCDEF0); },
         ":Z50010205051FFFFFFF1ABCDEF05D\r"},
        {[&] { l.WriteConfig(1, 0, 0, 0, 1, 1, 0x00000202, 0xFFFF, 0xF700); },
         ":Z230000020207FF0700FD\r"},
        // Mode is its low two bits; any non-zero flag is set.
        {[&] { l.WriteConfig(0x103, 0x80000000, 0, 0, 0, 0x40, 0x01020505, 0, 0); },
         ":Z710102050500000000000000004F\r"},
        {[&] { l.SendCanFrame(0, 0, 2, 0x123, data); }, ":W020123010242\r"},
        // Remote frames go with length 0 and no data; a length above 8 sends 8.
        {[&] { l.SendCanFrame(1, 1, 8, 0x123, data); }, ":W300000012340\r"},
        {[&] { l.SendCanFrame(0, 1, 3, 0xFFFF, data); }, ":W1007FFAB\r"},
        {[&] { l.SendCanFrame(0, 0, 12, 0x001, data); }, ":W0800010102030405060708A4\r"},
        {[&] { l.SendCanFrame(1, 0, 8, 0xFFFFFFFF, data); }, ":W281FFFFFFF010203040506070800\r"},
    };
    for (const auto& [send, wire] : rows) {
        send();
        EXPECT_EQ(m_pty.Receive(wire.size()), wire);
    }
    EXPECT_TRUE(m_sinks.events.empty());
}

// The texts of the answers are checked in the response-handler table; here
// they come through the port.
TEST_F(ConverterLinkTest, AnswersThroughThePortGiveLinesStateAndOwnerEventsInOrder)
{
    ASSERT_TRUE(m_pty.Send(":G0"));  // the decoder keeps a split frame across batches
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_link->Decoder().charCount == 2; }));
    Answer("1A8\r", 1);
    EXPECT_EQ(m_link->receptionOn(), 1u);

    Answer(BuildFrame(":Z3001020505F92307FF") + "junk" + BuildFrame(":U3800000123") +
               BuildFrame(":W3800000123") + BuildFrame(":VA3"),
           5);
    EXPECT_EQ(m_link->ReportedConfig().id, 0xF923u);
    EXPECT_EQ(m_sinks.received.size(), 1u);
    EXPECT_EQ(m_sinks.events[4], Line("[Brisca 버전 응답]", "펨웨어 버전 10.3"));
    EXPECT_EQ(m_link->receptionOn(), 1u);  // the 'U' frame after the 'Z' answer
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_owner.records.size() == 3; }));
    const std::vector<LinkEventRecorder::Record> expected = {
        {WM_LINK_CONFIG, 0},
        {WM_LINK_ACTIVITY, kActivityFrameReceived},
        {WM_LINK_ACTIVITY, kActivityTransmitConfirmed},
    };
    EXPECT_EQ(m_owner.records, expected);

    // Reopening closes without switching reception off; Close(1) switches it
    // off, but not once the converter has said it is off; closed, nothing goes out.
    ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 9600));
    EXPECT_EQ(m_pty.Drain(), "");
    m_link->Close(1);
    EXPECT_FALSE(m_link->IsOpen());
    EXPECT_EQ(m_pty.Drain(), ":G10A8\r");
    ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 9600));
    Answer(":G00A7\r", 6);
    m_link->Close(1);
    m_link->ReadConfig();
    EXPECT_EQ(m_pty.Drain(), "");
    EXPECT_EQ(m_sinks.events.size(), 6u);
}

// Regressions: bytes arriving while OnDataArrived runs wait for the next event,
// and answers decoded after the owner was deleted are handled without posting to it.
TEST_F(ConverterLinkTest, DataArrivedDecodesOnlyTheBytesCountedAtItsStartAndOutlivesTheOwner)
{
    auto owner = std::make_unique<LinkEventRecorder>();
    ASSERT_TRUE(m_link->Create(owner.get()));
    const std::string first =
        BuildFrame(":U0201230102") + BuildFrame(":Y1C010205050000000000000000");
    const std::string second = BuildFrame(":VA3");
    ASSERT_TRUE(m_pty.Send(first));
    ASSERT_TRUE(RingHolds(first.size()));
    owner.reset();
    bool armed = true;
    bool secondStored = false;
    m_sinks.onEventLine = [&] {
        if (std::exchange(armed, false)) {
            secondStored = m_pty.Send(second) && RingHolds(second.size());
        }
    };
    EXPECT_EQ(m_link->OnDataArrived(), 0);
    m_sinks.onEventLine = nullptr;
    ASSERT_TRUE(secondStored);
    EXPECT_EQ(m_sinks.received.size(), 1u);
    EXPECT_EQ(m_sinks.events.size(), 1u);
    EXPECT_EQ(m_link->ReportedConfig().bitTime, 0x01020505u);
    EXPECT_EQ(m_link->Ring().Count(), second.size());
    m_link->OnDataArrived();
    EXPECT_EQ(m_sinks.events.back(), Line("[Brisca 버전 응답]", "펨웨어 버전 10.3"));
    EXPECT_EQ(m_link->Ring().Count(), 0u);
}

// Regression: reception stayed on after a hang-up, and the port counted as open
// until the report was handled. The report, or an Open that comes before it,
// closes the lost port with one red line and reception off. The first Open
// that succeeds after the loss says, once, that the port is back.
TEST_F(ConverterLinkTest, HangUpWithReceptionOnEndsItAndANewTerminalAtTheSamePathOpens)
{
    const PaneLine lost =
        Line("[시리얼 통신 에러]", "시리얼 통신 포트와의 연결이 끊어졌읍니다", kColourRed);
    const PaneLine back =
        Line("[시리얼 통신 연결]", "시리얼 통신 포트와 다시 연결되었읍니다", kColourBlue);
    int backs = 0;
    QObject::connect(m_link.get(), &CConverterLink::PortBack, [&] { ++backs; });
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/ttyTalvox").toStdString();
    for (const bool openFirst : {false, true}) {
        PtyPair pty;
        PtyPair next;
        std::filesystem::create_symlink(pty.SlavePath(), path);
        ASSERT_TRUE(m_link->Open(path, 115200) && pty.Send(":G01A8\r"));
        ASSERT_TRUE(ProcessEventsUntil([&] { return m_link->receptionOn() == 1; }));
        m_sinks.events.clear();
        backs = 0;  // the terminal of the round before has gone meanwhile
        pty.CloseMaster();
        ASSERT_TRUE(WaitFor([&] { return !m_link->IsOpen(); }));  // the report is not handled yet
        std::filesystem::remove(path);
        std::filesystem::create_symlink(next.SlavePath(), path);
        ASSERT_TRUE(!openFirst || m_link->Open(path, 115200));  // the report becomes old news
        ASSERT_TRUE(ProcessEventsUntil([&] { return !m_sinks.events.empty(); }));
        QCoreApplication::sendPostedEvents(m_link.get());
        EXPECT_EQ(m_sinks.events.front(), lost);
        EXPECT_EQ(m_link->receptionOn(), 0u);
        ASSERT_TRUE(m_link->Open(path, 115200));
        EXPECT_EQ(m_sinks.events, (std::vector{lost, back}));
        EXPECT_EQ(std::exchange(backs, 0), 1);
        m_link->SetReception(1);
        EXPECT_EQ(next.Receive(7), ":G11A9\r");
        std::filesystem::remove(path);
    }
}

// Regression: bytes dropped on a full ring vanished without a word. Without the
// event loop nothing is decoded, so the ring fills and the reader drops the
// rest; a second burst within the second is told when a timer fires.
TEST_F(ConverterLinkTest, RingOverflowGivesOneRedLinePerBurstWithTheBytesLost)
{
    const std::string flood(70000, 'q');
    for (size_t burst = 1; burst <= 2; ++burst) {
        const uint64_t before = m_link->Port().DroppedBytes();
        ASSERT_TRUE(m_pty.Send(flood));
        ASSERT_TRUE(WaitFor([&] {
            return m_link->Ring().Count() + m_link->Port().DroppedBytes() - before == flood.size();
        }));
        const std::string lost = std::to_string(m_link->Port().DroppedBytes() - before);
        ASSERT_TRUE(ProcessEventsUntil([&] { return m_sinks.events.size() >= burst; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(m_sinks.events.size(), burst);
        EXPECT_EQ(m_sinks.events.back(),
                  Line("[시리얼 통신 에러]", "수신 버퍼가 넘쳐 " + lost + " 바이트를 잃었읍니다",
                       kColourRed));
    }
}

// A line on which nothing answers: one red line per silence, naming the first
// command left unanswered; after it the watch stays quiet until an answer,
// late or not, shows the converter again. The reception-off sent at close is
// watched like any command.
TEST_F(ConverterLinkTest, SilentLineGivesOneRedLinePerSilence)
{
    const auto silence = [](std::string_view caption) {
        return Line(caption, kNoAnswerText, kColourRed);
    };
    m_link->ReadConfig();
    m_link->ReadVersion();
    EXPECT_TRUE(m_link->AwaitsAnswer());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !m_sinks.events.empty(); }));
    EXPECT_EQ(m_sinks.events, std::vector{silence("[환경설정 읽기 명령]")});
    EXPECT_FALSE(m_link->AwaitsAnswer());  // nothing left that could give a second line
    m_link->ResetCan();
    EXPECT_FALSE(m_link->AwaitsAnswer());

    Answer(":G01A8\r", 2);
    EXPECT_EQ(m_sinks.events[1], Line("[CAN 데이터 수신 여부 응답]", "CAN 데이터 수신 시작"));
    EXPECT_EQ(m_pty.Drain(), ":Y59\r:V56\r:R52\r");
    m_link->Close(1);
    EXPECT_EQ(m_pty.Receive(7), ":G10A8\r");
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_sinks.events.size() == 3; }));
    EXPECT_EQ(m_sinks.events[2], silence("[CAN 데이터 수신 여부 명령]"));
    EXPECT_FALSE(m_link->AwaitsAnswer());
}

// The simulator answers every command, a quick run of sends included: every
// watch is settled by its answer and no notice is written.
TEST(ConverterLinkSim, AnsweredCommandsGiveNoNotice)
{
    SimProcess sim({"--no-pace", "--no-traffic", "--loopback"});
    ASSERT_FALSE(sim.Path().empty());
    RecordingSinks sinks;
    LinkEventRecorder owner;
    CConverterLink link;
    ASSERT_TRUE(link.Create(&owner) && link.Open(sim.Path(), 9600));
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    link.ReadConfig();
    link.ReadVersion();
    link.ResetCan();
    link.WriteConfig(0, 1, 0, 0, 0, 0, 0x01020505, 0, 0);
    link.SetReception(1);
    for (int i = 0; i < 50; ++i) {
        link.SendCanFrame(0, 0, 8, 0x100 + static_cast<uint32_t>(i), data);
    }
    EXPECT_TRUE(link.AwaitsAnswer());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !link.AwaitsAnswer(); }));
    const auto red = std::ranges::count_if(
        sinks.events, [](const PaneLine& line) { return line.colour == kColourRed; });
    EXPECT_EQ(red, 0);
}

TEST_F(ConverterLinkTest, WriteThatCannotFinishGivesRedLineWithTheCaption)
{
    // Nobody reads the master: the terminal's buffers fill and a write times out.
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 200000 && m_sinks.events.empty(); ++i) {
        m_link->SendCanFrame(1, 0, 8, 0x1ABCDEF, data);
    }
    const PaneLine failed =
        Line("[CAN 데이터 송신 명령]", "시리얼 통신측 송신 문제 발생...", kColourRed);
    EXPECT_EQ(m_sinks.events, std::vector{failed});
}

// A port that cannot be opened says why in one red line, with the device and,
// where there is one, the fix; the port stays closed.
class OpenFailureTest : public ::testing::Test {
protected:
    std::vector<PaneLine> OpenLines(const std::string& name)
    {
        m_sinks.events.clear();
        EXPECT_FALSE(m_link.Open(name, 9600));
        EXPECT_FALSE(m_link.IsOpen());
        return m_sinks.events;
    }
    static std::vector<PaneLine> Failure(const std::string& detail)
    {
        return {Line("[시리얼 통신 에러]", detail, kColourRed)};
    }
    static std::string Held(const std::string& path, const std::string& name, int64_t pid)
    {
        return path + " 포트를 다른 프로그램(" + name + ", 프로세스 " + std::to_string(pid) +
               ")이 쓰고 있어 열지 못했읍니다: 그 프로그램을 끝내면 열 수 있읍니다";
    }

    RecordingSinks m_sinks;
    CConverterLink m_link;
};

TEST_F(OpenFailureTest, HeldPortNamesTheProcessThatHoldsIt)
{
    PtyPair pty;
    const std::string path = pty.SlavePath();
    {
        CSerialPort first;
        ASSERT_TRUE(first.Open(path, 9600));
        std::string self;
        std::getline(std::ifstream("/proc/self/comm"), self);
        EXPECT_EQ(OpenLines(path), Failure(Held(path, self, getpid())));
    }

    // Another program; the port asked for by a link to the device, as the
    // names under /dev/serial/by-id are.
    QProcess holder;
    holder.start(TALVOX_PORT_PROBE, {"hold", QString::fromStdString(path)});
    ASSERT_TRUE(holder.waitForReadyRead(20000));
    ASSERT_EQ(holder.readLine(), "held\n");
    QTemporaryDir dir;
    const std::string alias = (dir.path() + "/usb-Talvox-if00-port0").toStdString();
    std::filesystem::create_symlink(path, alias);
    EXPECT_EQ(OpenLines(alias), Failure(Held(alias, "port_probe", holder.processId())));
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(20000));
    m_sinks.events.clear();
    EXPECT_TRUE(m_link.Open(path, 9600));
    EXPECT_TRUE(m_sinks.events.empty());
}

TEST_F(OpenFailureTest, MissingDeviceAndNoTerminalSaySo)
{
    const std::string gone = " 포트가 없읍니다: 어댑터가 빠졌거나 장치 이름이 바뀌었을 수 있읍니다";
    EXPECT_EQ(OpenLines("/nonexistent/ttyTALVOX"), Failure("/nonexistent/ttyTALVOX" + gone));
    EXPECT_EQ(OpenLines("ttyTALVOX9"), Failure("/dev/ttyTALVOX9" + gone));
    PtyPair pty;
    pty.CloseMaster();
    EXPECT_EQ(OpenLines(pty.SlavePath()), Failure(pty.SlavePath() + gone));
    EXPECT_EQ(OpenLines("/dev/null"),
              Failure("/dev/null 장치는 시리얼 통신 포트가 아니어서 열지 못했읍니다"));
}

TEST_F(OpenFailureTest, NoPermissionNamesTheGroupToJoin)
{
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "opening as another user needs root and setpriv";
    }
    const group* dialout = getgrnam("dialout");
    const passwd* nobody = getpwuid(65534);
    if (dialout == nullptr || nobody == nullptr) {
        GTEST_SKIP() << "needs the dialout group and the user 65534";
    }
    const std::string user = nobody->pw_name;
    PtyPair pty;
    const std::string path = pty.SlavePath();
    const auto openAsNobody = [&] {
        QProcess probe;
        probe.start("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                         TALVOX_PORT_PROBE, "open", QString::fromStdString(path)});
        EXPECT_TRUE(probe.waitForFinished(20000));
        EXPECT_EQ(probe.exitCode(), 1);
        return probe.readAllStandardOutput().toStdString();
    };
    const auto line = [](const std::string& detail) {
        return CaptionLine("[시리얼 통신 에러]", detail) + "\n";
    };
    // Only its owner may use it: joining a group would not help.
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(openAsNobody(), line(path + " 포트를 열 권한이 없읍니다"));
    ASSERT_EQ(chown(path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(path.c_str(), 0660), 0);
    EXPECT_EQ(openAsNobody(),
              line(path + " 포트를 열 권한이 없읍니다: 'sudo usermod -aG dialout " + user +
                   "' 명령으로 dialout 그룹에 넣은 뒤 다시 로그인하면 열 수 "
                   "있읍니다"));
}

}  // namespace
