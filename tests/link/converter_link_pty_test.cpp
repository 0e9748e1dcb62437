#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EventWait.h"
#include "PtyPair.h"
#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "link/LinkEvents.h"
#include "rxlog/EventLine.h"

namespace {

struct PaneLine {
    std::string text;
    uint32_t colour;
    bool operator==(const PaneLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PaneLine& line)
{
    return out << '"' << line.text << "\" colour " << std::hex << line.colour << std::dec;
}

class ConverterLinkTest : public ::testing::Test, public EventLineSink, public ReceivedLineSink {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.Ok());
        SetEventLogSink(this);
        SetReceivedDataSink(this);
        ASSERT_TRUE(m_link->Create(&m_owner));
        ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 115200));
    }

    void TearDown() override
    {
        m_link.reset();
        SetEventLogSink(nullptr);
        SetReceivedDataSink(nullptr);
    }

    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        m_events.push_back({std::string(text), colour});
        if (m_onEventLine) {
            m_onEventLine();
        }
    }

    // Waits, without running the event loop, until the reader has stored count
    // bytes in the link's ring.
    bool RingHolds(uint32_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_link->Ring().Count() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::yield();
        }
        return m_link->Ring().Count() == count;
    }
    void AddReceivedLine(std::string_view line) override { m_received.emplace_back(line); }

    // Sends bytes as the converter would and waits until the link has decoded
    // them all (its ring empty, the reader idle on the next wait).
    void Answer(const std::string& bytes, size_t expectedEvents)
    {
        ASSERT_TRUE(m_pty.Send(bytes));
        ASSERT_TRUE(ProcessEventsUntil([&] { return m_events.size() >= expectedEvents; }))
            << "got " << m_events.size() << " event lines";
    }

    PtyPair m_pty;
    LinkEventRecorder m_owner;
    std::unique_ptr<CConverterLink> m_link = std::make_unique<CConverterLink>();
    std::vector<PaneLine> m_events;
    std::vector<std::string> m_received;
    std::function<void()> m_onEventLine;
};

TEST_F(ConverterLinkTest, CommandsAppearOnTheLineByteForByte)
{
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Row {
        std::function<void(CConverterLink&)> send;
        std::string wire;
    };
    const std::vector<Row> rows = {
        {[](CConverterLink& l) { l.ReadConfig(); }, ":Y59\r"},
        {[](CConverterLink& l) { l.ResetCan(); }, ":R52\r"},
        {[](CConverterLink& l) { l.ReadVersion(); }, ":V56\r"},
        {[](CConverterLink& l) { l.SetReception(1); }, ":G11A9\r"},
        {[](CConverterLink& l) { l.SetReception(0); }, ":G10A8\r"},
        {[](CConverterLink& l) { l.WriteConfig(0, 0, 1, 1, 0, 0, 0x01020505, 0x123, 0); },
         ":Z0C0102050501230000E0\r"},
        {[](CConverterLink& l) { l.WriteConfig(0, 1, 1, 1, 0, 0, 0x01020505, 0, 0); },
         ":Z1C0102050500000000000000005B\r"},
        {[&](CConverterLink& l) { l.SendCanFrame(0, 0, 2, 0x123, data); }, ":W020123010242\r"},
        {[&](CConverterLink& l) { l.SendCanFrame(1, 1, 8, 0x123, data); }, ":W300000012340\r"},
    };
    for (const Row& row : rows) {
        row.send(*m_link);
        EXPECT_EQ(m_pty.Receive(row.wire.size()), row.wire);
    }
    EXPECT_TRUE(m_events.empty());
}

TEST_F(ConverterLinkTest, ClosedPortWritesAndReportsNothing)
{
    m_link->Close(1);
    ASSERT_FALSE(m_link->IsOpen());
    const uint8_t data[8] = {};
    m_link->ReadConfig();
    m_link->WriteConfig(0, 0, 0, 0, 0, 0, 0x01020505, 0, 0);
    m_link->SetReception(1);
    m_link->SendCanFrame(0, 0, 0, 0, data);
    m_link->ResetCan();
    m_link->ReadVersion();
    EXPECT_EQ(m_pty.Drain(), "");
    EXPECT_TRUE(m_events.empty());
}

TEST_F(ConverterLinkTest, AnswersBecomeLinesStateAndOwnerEvents)
{
    Answer(":G01A8\r", 1);
    EXPECT_EQ(m_link->receptionOn(), 1u);
    EXPECT_EQ(m_events.back(),
              (PaneLine{CaptionLine("[CAN 데이터 수신 여부 응답]", "CAN 데이터 수신 시작"),
                        kColourBlack}));

    Answer(BuildFrame(":Z3001020505F92307FF"), 3);
    EXPECT_EQ(m_link->receptionOn(), 0u);
    EXPECT_EQ(m_link->ReportedConfig().id, 0xF923u);
    EXPECT_EQ(m_events[1].colour, kColourBlack);
    EXPECT_EQ(m_events[2],
              (PaneLine{CaptionLine("[환경설정 쓰기 응답]", "CAN 데이터 수신 중지"), kColourBlue}));

    ASSERT_TRUE(m_pty.Send(BuildFrame(":U0201230102")));
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_received.size() == 1; }));
    EXPECT_EQ(m_received[0], "CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02");
    EXPECT_EQ(m_link->receptionOn(), 1u);

    Answer(BuildFrame(":W0201230102"), 4);
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_owner.records.size() == 3; }));
    const std::vector<LinkEventRecorder::Record> expected = {
        {WM_LINK_CONFIG, 0},
        {WM_LINK_ACTIVITY, kActivityFrameReceived},
        {WM_LINK_ACTIVITY, kActivityTransmitConfirmed},
    };
    EXPECT_EQ(m_owner.records, expected);
}

TEST_F(ConverterLinkTest, FrameSplitOverTwoBatchesIsDecodedAcrossThem)
{
    ASSERT_TRUE(m_pty.Send(":G0"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_link->Decoder().charCount == 2; }));
    EXPECT_TRUE(m_events.empty());
    Answer("1A8\r", 1);
    EXPECT_EQ(m_link->receptionOn(), 1u);
}

TEST_F(ConverterLinkTest, FramesOfOneBatchAreHandledInOrder)
{
    Answer(BuildFrame(":V12") + "junk" + BuildFrame(":VA3") + BuildFrame(":R01"), 4);
    const std::vector<PaneLine> expected = {
        {CaptionLine("[Brisca 버전 응답]", "펨웨어 버전 1.2"), kColourBlack},
        {CaptionLine("[Brisca 버전 응답]", "펨웨어 버전 10.3"), kColourBlack},
        {CaptionLine("[CAN 리셋 응답]", "Bus-Off 오류 복귀를 위한 자동 리셋"), kColourBlue},
        {CaptionLine("[CAN 리셋 응답]", "CAN 데이터 수신 중지"), kColourBlue},
    };
    EXPECT_EQ(m_events, expected);
}

TEST_F(ConverterLinkTest, DataArrivedDecodesOnlyTheBytesCountedAtItsStart)
{
    const std::string first = BuildFrame(":V12");
    const std::string second = BuildFrame(":VA3");
    ASSERT_TRUE(m_pty.Send(first));
    ASSERT_TRUE(RingHolds(static_cast<uint32_t>(first.size())));

    // While the first frame is handled, the second arrives in the ring.
    bool armed = true;
    bool secondStored = false;
    m_onEventLine = [&] {
        if (armed) {
            armed = false;
            secondStored = m_pty.Send(second) && RingHolds(static_cast<uint32_t>(second.size()));
        }
    };
    EXPECT_EQ(m_link->OnDataArrived(), 0);
    m_onEventLine = nullptr;
    ASSERT_TRUE(secondStored);
    const std::vector<PaneLine> firstOnly = {
        {CaptionLine("[Brisca 버전 응답]", "펨웨어 버전 1.2"), kColourBlack}};
    EXPECT_EQ(m_events, firstOnly);
    EXPECT_EQ(m_link->Ring().Count(), second.size());

    m_link->OnDataArrived();
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[1],
              (PaneLine{CaptionLine("[Brisca 버전 응답]", "펨웨어 버전 10.3"), kColourBlack}));
    EXPECT_EQ(m_link->Ring().Count(), 0u);
}

TEST_F(ConverterLinkTest, AnswersDecodedAfterTheOwnerWentAreStillHandled)
{
    auto owner = std::make_unique<LinkEventRecorder>();
    ASSERT_TRUE(m_link->Create(owner.get()));
    const std::string frames =
        BuildFrame(":U0201230102") + BuildFrame(":Y1C010205050000000000000000");
    ASSERT_TRUE(m_pty.Send(frames));
    ASSERT_TRUE(RingHolds(static_cast<uint32_t>(frames.size())));
    owner.reset();
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_events.size() == 1; }));
    EXPECT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_link->receptionOn(), 1u);
    EXPECT_EQ(m_link->ReportedConfig().bitTime, 0x01020505u);
}

TEST_F(ConverterLinkTest, CloseWithReceptionOnSwitchesItOffFirst)
{
    Answer(":G01A8\r", 1);
    m_link->Close(1);
    EXPECT_FALSE(m_link->IsOpen());
    EXPECT_EQ(m_pty.Drain(), ":G10A8\r");
}

TEST_F(ConverterLinkTest, CloseWithReceptionOffOrNotSwitchingSendsNothing)
{
    m_link->Close(1);
    EXPECT_EQ(m_pty.Drain(), "");

    ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 115200));
    Answer(":G01A8\r", 1);
    // Reopening closes without switching reception off.
    ASSERT_TRUE(m_link->Open(m_pty.SlavePath(), 9600));
    m_link->Close(0);
    EXPECT_EQ(m_pty.Drain(), "");
    EXPECT_EQ(m_link->receptionOn(), 1u);
}

TEST_F(ConverterLinkTest, LostDeviceClosesThePortWithOneRedLine)
{
    m_pty.CloseMaster();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !m_link->IsOpen(); }));
    const std::vector<PaneLine> expected = {
        {CaptionLine("[시리얼 통신 에러]", "시리얼 통신 포트와의 연결이 끊어졌습니다"),
         kColourRed}};
    EXPECT_EQ(m_events, expected);
    EXPECT_FALSE(m_link->Port().IsReaderRunning());

    // Commands on the closed port do nothing; a new terminal opens afresh.
    m_link->ReadConfig();
    EXPECT_EQ(m_events.size(), 1u);
    PtyPair next;
    ASSERT_TRUE(m_link->Open(next.SlavePath(), 115200));
    m_link->ReadVersion();
    EXPECT_EQ(next.Receive(5), ":V56\r");
}

TEST_F(ConverterLinkTest, WriteThatCannotFinishGivesRedLineWithTheCaption)
{
    // Nobody reads the master: the terminal's buffers fill and a write times out.
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 200000 && m_events.empty(); ++i) {
        m_link->SendCanFrame(1, 0, 8, 0x1ABCDEF, data);
    }
    const std::vector<PaneLine> expected = {
        {CaptionLine("[CAN 데이터 송신 명령]", "시리얼 통신측 송신 문제 발생..."), kColourRed}};
    EXPECT_EQ(m_events, expected);
}

TEST(ConverterLinkOpen, MissingPortFailsAndStaysClosed)
{
    CConverterLink link;
    EXPECT_FALSE(link.Create(nullptr));
    EXPECT_FALSE(link.Open("talvox-no-such-port", 115200));
    EXPECT_FALSE(link.IsOpen());
    link.Close(1);
}

}  // namespace
