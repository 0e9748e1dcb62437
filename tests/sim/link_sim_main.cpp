#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "../link/EventWait.h"
#include "SimProcess.h"
#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"

namespace {

// The analyzer's link (serial port, reader thread, ring, decoder) against the
// simulator's terminal.
class LinkSimTest : public testing::Test, public EventLineSink, public ReceivedLineSink {
protected:
    void Start(const std::vector<std::string>& args)
    {
        m_sim = std::make_unique<SimProcess>(args);
        SetEventLogSink(this);
        SetReceivedDataSink(this);
        ASSERT_TRUE(m_link.Create(&m_owner));
        ASSERT_TRUE(m_link.Open(m_sim->Path(), 115200));
    }
    ~LinkSimTest() override
    {
        SetEventLogSink(nullptr);
        SetReceivedDataSink(nullptr);
    }
    void AddEventLine(std::string_view text, uint32_t) override { m_events.emplace_back(text); }
    void AddReceivedLine(std::string_view) override { ++m_received; }
    std::string NextEvent()  // waits for it; empty when none came
    {
        const bool came = ProcessEventsUntil([&] { return m_events.size() > m_next; });
        return came ? m_events[m_next++] : "";
    }

    std::unique_ptr<SimProcess> m_sim;
    LinkEventRecorder m_owner;
    std::vector<std::string> m_events;
    size_t m_next = 0;
    size_t m_received = 0;
    CConverterLink m_link;  // ends first
};

TEST_F(LinkSimTest, ConfigurationRoundTripAndTransmittedFramesConfirmed)
{
    Start({"--no-traffic", "--no-pace"});
    // Mode, extended, auto reset, Bus-Off, Error-Passive, Warning, bit time, ID, mask.
    const std::pair<std::vector<uint32_t>, const char*> rows[] = {
        {{0, 0, 1, 1, 0, 0, 0x03020505, 0x123, 0x7F0},
         "CAN2.0A/B Both  CAN: 125.00K BPS  수신 ID:123  수신 Mask ID:7F0"},
        {{2, 1, 0, 1, 1, 1, 0x00020505, 0x18FEF100, 0x1FFFFFFF},
         "CAN2.0B Only  CAN: 500.00K BPS  수신 ID:18FEF100  수신 Mask ID:1FFFFFFF"},
        {{1, 0, 0, 0, 0, 0, 0x00000202, 0xFFFF, 0x0F0F},  // identifiers cut to 11 bits
         "CAN2.0A Only  CAN: 1.00M BPS  수신 ID:7FF  수신 Mask ID:70F"},
    };
    for (const auto& [w, detail] : rows) {
        m_link.WriteConfig(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]);
        m_link.ReadConfig();
        EXPECT_EQ(NextEvent(), CaptionLine("[환경설정 쓰기 응답]", detail));
        EXPECT_EQ(NextEvent(), CaptionLine("[환경설정 쓰기 응답]", "CAN 데이터 수신 중지"));
        EXPECT_EQ(NextEvent(), CaptionLine("[환경설정 읽기 응답]", detail));
    }

    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::tuple<uint32_t, uint32_t, uint8_t, uint32_t, const char*> frames[] = {
        {0, 0, 2, 0x123, "CAN2.0A  Data Frame  길이:2  ID:123  데이터:01 02"},
        {1, 1, 8, 0x123, "CAN2.0B  Remote Frame  길이:0  ID:00000123"},
    };
    for (const auto& [extended, remote, dlc, id, detail] : frames) {
        m_link.SendCanFrame(extended, remote, dlc, id, data);
        EXPECT_EQ(NextEvent(), CaptionLine("[CAN 데이터 송신 응답]", detail));
    }
}

TEST_F(LinkSimTest, ReceptionOnBringsTrafficAndOffStopsIt)
{
    Start({"--seed", "4"});
    const std::string caption = "[CAN 데이터 수신 여부 응답]";
    m_link.SetReception(1);
    EXPECT_EQ(NextEvent(), CaptionLine(caption, "CAN 데이터 수신 시작"));
    EXPECT_TRUE(ProcessEventsUntil([&] { return m_received >= 50; }));
    EXPECT_EQ(m_link.receptionOn(), 1u);

    m_link.SetReception(0);
    EXPECT_EQ(NextEvent(), CaptionLine(caption, "CAN 데이터 수신 중지"));
    EXPECT_EQ(m_link.receptionOn(), 0u);
    // Traffic sent after that answer would arrive before the next answer.
    const size_t received = m_received;
    m_link.ReadVersion();
    NextEvent();
    EXPECT_EQ(m_received, received);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
