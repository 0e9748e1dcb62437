#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../link/EventWait.h"
#include "SimProcess.h"
#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "link/LinkEvents.h"
#include "rxlog/EventLine.h"

namespace {

// The link of the analyzer against the simulator, both ends real: the link's
// serial port, reader thread, ring and decoder, the simulator's terminal.
class LinkSimTest : public testing::Test, public EventLineSink, public ReceivedLineSink {
protected:
    void Start(const std::vector<std::string>& args)
    {
        m_sim = std::make_unique<SimProcess>(args);
        ASSERT_FALSE(m_sim->Path().empty());
        SetEventLogSink(this);
        SetReceivedDataSink(this);
        ASSERT_TRUE(m_link->Create(&m_owner));
        ASSERT_TRUE(m_link->Open(m_sim->Path(), 115200));
    }

    void TearDown() override
    {
        m_link.reset();
        SetEventLogSink(nullptr);
        SetReceivedDataSink(nullptr);
        if (m_sim) {
            m_sim->Stop(SIGTERM);
        }
    }

    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        m_events.push_back(std::string(text));
        m_colours.push_back(colour);
        m_order.push_back("E " + std::string(text));
    }
    void AddReceivedLine(std::string_view line) override
    {
        m_received.emplace_back(line);
        m_order.push_back("R " + std::string(line));
    }

    bool WaitEvents(size_t count)
    {
        return ProcessEventsUntil([&] { return m_events.size() >= count; });
    }

    std::unique_ptr<SimProcess> m_sim;
    LinkEventRecorder m_owner;
    std::unique_ptr<CConverterLink> m_link = std::make_unique<CConverterLink>();
    std::vector<std::string> m_events;
    std::vector<uint32_t> m_colours;
    std::vector<std::string> m_received;
    std::vector<std::string> m_order;  // event (E) and received (R) lines as they came
};

struct ConfigRow {
    uint32_t mode, extended, autoReset, busOff, passive, warning, bitTime, id, maskId;
    ConfigReport reported;
    const char* detail;
};

TEST_F(LinkSimTest, ConfigurationWriteAndReadRoundTrip)
{
    Start({"--no-traffic", "--no-pace"});
    const ConfigRow rows[] = {
        {0,
         0,
         1,
         1,
         0,
         0,
         0x03020505,
         0x123,
         0x7F0,
         {0x0C, 0x03020505, 0x123, 0x7F0},
         "CAN2.0A/B Both  CAN: 125.00K BPS  수신 ID:123  수신 Mask ID:7F0"},
        {2,
         1,
         0,
         1,
         1,
         1,
         0x00020505,
         0x18FEF100,
         0x1FFFFFFF,
         {0x57, 0x00020505, 0x18FEF100, 0x1FFFFFFF},
         "CAN2.0B Only  CAN: 500.00K BPS  수신 ID:18FEF100  수신 Mask ID:1FFFFFFF"},
        {1,
         0,
         0,
         0,
         0,
         0,
         0x00000202,
         0xFFFF,
         0x0F0F,
         {0x20, 0x00000202, 0x7FF, 0x70F},
         "CAN2.0A Only  CAN: 1.00M BPS  수신 ID:7FF  수신 Mask ID:70F"},
    };
    size_t lines = 0;
    int configs = 0;
    for (const ConfigRow& row : rows) {
        SCOPED_TRACE(row.detail);
        m_link->WriteConfig(row.mode, row.extended, row.autoReset, row.busOff, row.passive,
                            row.warning, row.bitTime, row.id, row.maskId);
        lines += 2;
        ASSERT_TRUE(WaitEvents(lines));
        EXPECT_EQ(m_events[lines - 2], CaptionLine("[환경설정 쓰기 응답]", row.detail));
        EXPECT_EQ(m_events[lines - 1], CaptionLine("[환경설정 쓰기 응답]", "CAN 데이터 수신 중지"));
        EXPECT_EQ(m_colours[lines - 1], kColourBlue);
        EXPECT_EQ(m_link->receptionOn(), 0u);

        m_link->ReadConfig();
        ++lines;
        ASSERT_TRUE(WaitEvents(lines));
        EXPECT_EQ(m_events[lines - 1], CaptionLine("[환경설정 읽기 응답]", row.detail));
        const ConfigReport& got = m_link->ReportedConfig();
        EXPECT_EQ(got.modeByte, row.reported.modeByte);
        EXPECT_EQ(got.bitTime, row.reported.bitTime);
        EXPECT_EQ(got.id, row.reported.id);
        EXPECT_EQ(got.maskId, row.reported.maskId);
        configs += 2;
        ASSERT_TRUE(ProcessEventsUntil([&] { return m_owner.Count(WM_LINK_CONFIG) == configs; }));
    }
}

TEST_F(LinkSimTest, ReceptionOnBringsTrafficAndOffStopsIt)
{
    Start({"--seed", "4"});
    m_link->SetReception(1);
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(m_events[0], CaptionLine("[CAN 데이터 수신 여부 응답]", "CAN 데이터 수신 시작"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_received.size() >= 50; }));
    EXPECT_EQ(m_link->receptionOn(), 1u);
    // Each received frame posts one activity event to the owner.
    EXPECT_TRUE(ProcessEventsUntil([&] { return m_owner.Count(WM_LINK_ACTIVITY) >= 50; }));

    m_link->SetReception(0);
    ASSERT_TRUE(WaitEvents(2));
    EXPECT_EQ(m_events[1], CaptionLine("[CAN 데이터 수신 여부 응답]", "CAN 데이터 수신 중지"));
    EXPECT_EQ(m_link->receptionOn(), 0u);
    // Anything the simulator sent after its answer would come before the answer
    // to the next command.
    m_link->ReadVersion();
    ASSERT_TRUE(WaitEvents(3));
    EXPECT_EQ(m_order.back(), "E " + m_events[2]);
    EXPECT_EQ(m_order[m_order.size() - 2], "E " + m_events[1]);
    EXPECT_EQ(m_link->receptionOn(), 0u);
}

TEST_F(LinkSimTest, TransmittedFramesAreConfirmed)
{
    Start({"--no-traffic", "--no-pace", "--loopback", "--firmware", "12"});
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Row {
        std::function<void()> send;
        const char* detail;
    };
    const Row rows[] = {
        {[&] { m_link->SendCanFrame(0, 0, 2, 0x123, data); },
         "CAN2.0A  Data Frame  길이:2  ID:123  데이터:01 02"},
        {[&] { m_link->SendCanFrame(1, 0, 8, 0x1ABCDEF0, data); },
         "CAN2.0B  Data Frame  길이:8  ID:1ABCDEF0  데이터:01 02 03 04 05 06 07 08"},
        {[&] { m_link->SendCanFrame(1, 1, 8, 0x123, data); },
         "CAN2.0B  Remote Frame  길이:0  ID:00000123"},
    };
    size_t lines = 0;
    for (const Row& row : rows) {
        row.send();
        ASSERT_TRUE(WaitEvents(++lines));
        EXPECT_EQ(m_events.back(), CaptionLine("[CAN 데이터 송신 응답]", row.detail));
    }
    EXPECT_TRUE(m_received.empty());  // reception off: no loopback
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_owner.Count(WM_LINK_ACTIVITY) == 3; }));

    m_link->SetReception(1);
    ASSERT_TRUE(WaitEvents(++lines));
    rows[0].send();
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_received.size() == 1; }));
    EXPECT_EQ(m_received[0], "CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02");

    m_link->ReadVersion();
    m_link->ResetCan();
    lines += 1 + 3;
    ASSERT_TRUE(WaitEvents(lines));
    EXPECT_EQ(m_events[lines - 3], CaptionLine("[Brisca 버전 응답]", "펨웨어 버전 1.2"));
    EXPECT_EQ(m_events[lines - 2], CaptionLine("[CAN 리셋 응답]", "사용자 명령 리셋"));
    EXPECT_EQ(m_events[lines - 1], CaptionLine("[CAN 리셋 응답]", "CAN 데이터 수신 중지"));
    EXPECT_EQ(m_link->receptionOn(), 0u);
}

}  // namespace
