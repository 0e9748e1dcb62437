#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "link/ResponseText.h"
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

class RecordingSinks : public EventLineSink, public ReceivedLineSink {
public:
    RecordingSinks()
    {
        SetEventLogSink(this);
        SetReceivedDataSink(this);
    }
    ~RecordingSinks()
    {
        SetEventLogSink(nullptr);
        SetReceivedDataSink(nullptr);
    }
    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        events.push_back({std::string(text), colour});
    }
    void AddReceivedLine(std::string_view line) override { received.emplace_back(line); }

    std::vector<PaneLine> events;
    std::vector<std::string> received;
};

// Feeds complete frames built from bodies such as ":G01" to the link's handlers.
void Feed(CConverterLink& link, const std::vector<std::string>& bodies)
{
    FrameDecoder decoder(&link);
    for (const std::string& body : bodies) {
        const std::string frame = BuildFrame(body);
        decoder.Feed(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    }
}

PaneLine Black(std::string_view caption, std::string_view detail)
{
    return {CaptionLine(caption, detail), kColourBlack};
}

PaneLine Blue(std::string_view caption, std::string_view detail)
{
    return {CaptionLine(caption, detail), kColourBlue};
}

const std::string kStopped = "CAN 데이터 수신 중지";

struct HandlerRow {
    const char* name;
    uint32_t receptionBefore;
    std::vector<std::string> bodies;
    std::vector<PaneLine> events;
    std::vector<std::string> received;
    uint32_t receptionAfter;
};

TEST(ResponseHandlers, WriteExactLinesAndReceptionState)
{
    const std::string g = "[CAN 데이터 수신 여부 응답]";
    const std::string y = "[환경설정 읽기 응답]";
    const std::string z = "[환경설정 쓰기 응답]";
    const std::string w = "[CAN 데이터 송신 응답]";
    const std::string r = "[CAN 리셋 응답]";
    const std::string i = "[CAN 에러코드 응답]";
    const std::string v = "[Brisca 버전 응답]";
    const std::vector<HandlerRow> rows = {
        {"reception on", 0, {":G01"}, {Black(g, "CAN 데이터 수신 시작")}, {}, 1},
        {"reception off", 1, {":G00"}, {Black(g, kStopped)}, {}, 0},
        {"config mode 0 wide",
         1,
         {":Y1C010205050000000000000000"},
         {Black(y, "CAN2.0A/B Both  CAN: 250.00K BPS  수신 ID:00000000  수신 Mask ID:00000000")},
         {},
         1},
        {"config mode 1 narrow although bit 4 set",
         0,
         {":Y3001020505F92307FF"},
         {Black(y, "CAN2.0A Only  CAN: 250.00K BPS  수신 ID:123  수신 Mask ID:7FF")},
         {},
         0},
        {"config mode 2 wide although bit 4 clear",
         0,
         {":Y40000002021234567800000FFF"},
         {Black(y, "CAN2.0B Only  CAN: 1.00M BPS  수신 ID:12345678  수신 Mask ID:00000FFF")},
         {},
         0},
        {"config write: two lines, reception off",
         1,
         {":Z0C0102050501230000"},
         {Black(z, "CAN2.0A/B Both  CAN: 250.00K BPS  수신 ID:123  수신 Mask ID:000"),
          Blue(z, kStopped)},
         {},
         0},
        {"received 11-bit data frame sets reception",
         0,
         {":U0201230102"},
         {},
         {"CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02"},
         1},
        {"received length 12 shows 8 bytes",
         0,
         {":U0C07FF1122334455667788"},
         {},
         {"CAN2.0A  Data Frame    길이:8  ID:7FF       데이터:11 22 33 44 55 66 77 88"},
         1},
        {"received length 0 ends in blanks",
         0,
         {":U00F123"},
         {},
         {"CAN2.0A  Data Frame    길이:0  ID:123       "},
         1},
        {"received 29-bit remote with data, id as received",
         0,
         {":U32FFFFFFFFAABB"},
         {},
         {"CAN2.0B  Remote Frame  길이:2  ID:FFFFFFFF  데이터:AA BB"},
         1},
        {"transmit 11-bit data",
         0,
         {":W0201230102"},
         {Black(w, "CAN2.0A  Data Frame  길이:2  ID:123  데이터:01 02")},
         {},
         0},
        {"transmit 29-bit remote",
         1,
         {":W3000000123"},
         {Black(w, "CAN2.0B  Remote Frame  길이:0  ID:00000123")},
         {},
         1},
        {"reset by user", 1, {":R00"}, {Blue(r, "사용자 명령 리셋"), Blue(r, kStopped)}, {}, 0},
        {"reset after bus-off",
         1,
         {":R01"},
         {Blue(r, "Bus-Off 오류 복귀를 위한 자동 리셋"), Blue(r, kStopped)},
         {},
         0},
        {"reset after buffer error",
         0,
         {":R02"},
         {Blue(r, "CAN 송신버퍼 오류 복귀를 위한 자동 리셋"), Blue(r, kStopped)},
         {},
         0},
        {"reset unknown reason", 1, {":R07"}, {Blue(r, ""), Blue(r, kStopped)}, {}, 0},
        {"error code 0x09",
         1,
         {":I09"},
         {{CaptionLine(i, "Bus-Off, 수신 Warning") + " 에러 발생", kColourBlue}},
         {},
         1},
        {"error code 0x3F lists the five in bit order",
         0,
         {":I3F"},
         {{CaptionLine(i,
                       "Bus-Off, 수신 Error-Passive, 송신 Error-Passive, 수신 Warning, 송신 "
                       "Warning") +
               " 에러 발생",
           kColourBlue}},
         {},
         0},
        {"error code 0x20 writes nothing", 0, {":I20"}, {}, {}, 0},
        {"version 0xA3", 0, {":VA3"}, {Black(v, "펨웨어 버전 10.3")}, {}, 0},
        {"version 0x12", 0, {":V12"}, {Black(v, "펨웨어 버전 1.2")}, {}, 0},
        {"other letters ignored", 1, {":g01", ":X01", ":u0201230102"}, {}, {}, 1},
        {"frames shorter than their layout are dropped",
         0,
         {":G", ":R", ":I", ":V", ":Y1C0102050500000000000000", ":Y30010205050000000",
          ":Z1C01020505", ":U02012301", ":U2101020304", ":W0201230", ":W"},
         {},
         {},
         0},
        {"short frame after a long one shows no stale bytes",
         0,
         {":U0201230102", ":U020123"},
         {},
         {"CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02"},
         1},
    };
    for (const HandlerRow& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingSinks sinks;
        CConverterLink link;
        Feed(link, {row.receptionBefore != 0 ? ":G01" : ":G00"});
        sinks.events.clear();
        Feed(link, row.bodies);
        EXPECT_EQ(sinks.events, row.events);
        EXPECT_EQ(sinks.received, row.received);
        EXPECT_EQ(link.receptionOn(), row.receptionAfter);
    }
}

TEST(ResponseHandlers, ConfigAnswersStoreFieldsAsReceived)
{
    struct Row {
        std::string body;
        ConfigReport expected;
    };
    const std::vector<Row> rows = {
        {":Y1C010205050000000000000000", {0x1C, 0x01020505, 0, 0}},
        {":Y3001020505F92307FF", {0x30, 0x01020505, 0xF923, 0x07FF}},
        {":Y40000002021234567800000FFF", {0x40, 0x00000202, 0x12345678, 0xFFF}},
        {":Z6F03020505FFFFFFFFABCDEF01", {0x6F, 0x03020505, 0xFFFFFFFF, 0xABCDEF01}},
    };
    RecordingSinks sinks;
    for (const Row& row : rows) {
        CConverterLink link;
        Feed(link, {row.body});
        const ConfigReport& got = link.ReportedConfig();
        EXPECT_EQ(got.modeByte, row.expected.modeByte) << row.body;
        EXPECT_EQ(got.bitTime, row.expected.bitTime) << row.body;
        EXPECT_EQ(got.id, row.expected.id) << row.body;
        EXPECT_EQ(got.maskId, row.expected.maskId) << row.body;
    }
}

TEST(ResponseHandlers, ReceivedFrameWithoutListStillUpdatesState)
{
    CConverterLink link;
    Feed(link, {":U28123456780102030405060708"});
    EXPECT_EQ(link.receptionOn(), 1u);
    const CanFrame& frame = link.lastFrame();
    EXPECT_EQ(frame.extended, 1u);
    EXPECT_EQ(frame.remote, 0u);
    EXPECT_EQ(frame.dlc, 8);
    EXPECT_EQ(frame.id, 0x12345678u);
    const std::vector<uint8_t> data(frame.data, frame.data + 8);
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(ResponseText, CaptionWidthsCountCp949Bytes)
{
    // "[환경설정 읽기 응답]" is 20 bytes in CP949: 8 blanks follow it.
    EXPECT_EQ(CaptionLine(kConfigReadResponseCaption, "x"), "[환경설정 읽기 응답]         : x");
    EXPECT_EQ(ErrorCodeDetail(0), "");
    EXPECT_EQ(ResetReasonText(3), "");
}

}  // namespace
