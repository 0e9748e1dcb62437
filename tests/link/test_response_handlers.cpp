#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EventWait.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"

namespace {

// Feeds complete frames built from blank-separated bodies such as ":G01 :V12".
void Feed(CConverterLink& link, const std::string& bodies)
{
    FrameDecoder decoder(&link);
    std::istringstream in(bodies);
    for (std::string body; in >> body;) {
        const std::string frame = BuildFrame(body);
        decoder.Feed(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    }
}

// Expected output: 'K' (black) or 'B' (blue) and the detail of an event line under
// the caption of the answer's letter, or 'U' and a received line.
struct HandlerRow {
    uint32_t receptionBefore;
    std::string bodies;
    std::vector<std::string> out;
    uint32_t receptionAfter;
};

TEST(ResponseHandlers, WriteExactLinesAndReceptionState)
{
    const std::map<char, std::string> captions = {
        {'G', "[CAN 데이터 수신 여부 응답]"},
        {'Y', "[환경설정 읽기 응답]"},
        {'Z', "[환경설정 쓰기 응답]"},
        {'W', "[CAN 데이터 송신 응답]"},
        {'R', "[CAN 리셋 응답]"},
        {'I', "[CAN 에러코드 응답]"},
        {'V', "[Brisca 버전 응답]"},
    };
    const std::string off = "BCAN 데이터 수신 중지";
    const std::vector<HandlerRow> rows = {
        {0, ":G01", {"KCAN 데이터 수신 시작"}, 1},
        {1, ":G00", {"KCAN 데이터 수신 중지"}, 0},
        {1,
         ":Y1C010205050000000000000000",
         {"KCAN2.0A/B Both  CAN: 250.00K BPS  수신 ID:00000000  수신 Mask ID:00000000"},
         1},
        // Mode 1 has 11-bit fields although bit 4 is set, mode 2 29-bit ones without it.
        {0,
         ":Y3001020505F92307FF",
         {"KCAN2.0A Only  CAN: 250.00K BPS  수신 ID:123  수신 Mask ID:7FF"},
         0},
        {0,
         ":Y40000002021234567800000FFF",
         {"KCAN2.0B Only  CAN: 1.00M BPS  수신 ID:12345678  수신 Mask ID:00000FFF"},
         0},
        {1,
         ":Z0C0102050501230000",
         {"KCAN2.0A/B Both  CAN: 250.00K BPS  수신 ID:123  수신 Mask ID:000", off},
         0},
        {0, ":U0201230102", {"UCAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02"}, 1},
        {0,
         ":U0C07FF1122334455667788",  // length 12 shows 8 bytes
         {"UCAN2.0A  Data Frame    길이:8  ID:7FF       데이터:11 22 33 44 55 66 77 88"},
         1},
        {0, ":U00F123", {"UCAN2.0A  Data Frame    길이:0  ID:123       "}, 1},
        {0, ":U32FFFFFFFFAABB", {"UCAN2.0B  Remote Frame  길이:2  ID:FFFFFFFF  데이터:AA BB"}, 1},
        // Remote frames show the data bytes that came, none or some.
        {0, ":U3800000123", {"UCAN2.0B  Remote Frame  길이:8  ID:00000123  "}, 1},
        {0, ":U1801230A", {"UCAN2.0A  Remote Frame  길이:8  ID:123       데이터:0A"}, 1},
        {0, ":W0201230102", {"KCAN2.0A  Data Frame  길이:2  ID:123  데이터:01 02"}, 0},
        {1, ":W3000000123", {"KCAN2.0B  Remote Frame  길이:0  ID:00000123"}, 1},
        {1, ":R00", {"B사용자 명령 리셋", off}, 0},
        {1, ":R01", {"BBus-Off 오류 복귀를 위한 자동 리셋", off}, 0},
        {0, ":R02", {"BCAN 송신버퍼 오류 복귀를 위한 자동 리셋", off}, 0},
        {1, ":R07", {"B", off}, 0},
        {1, ":I09", {"BBus-Off, 수신 Warning 에러 발생"}, 1},
        {0,
         ":I3F",
         {"BBus-Off, 수신 Error-Passive, 송신 Error-Passive, 수신 Warning, 송신 Warning 에러 발생"},
         0},
        {0, ":I20", {}, 0},
        {0, ":VA3", {"K펨웨어 버전 10.3"}, 0},
        {0, ":V12", {"K펨웨어 버전 1.2"}, 0},
        {1, ":g01 :X01 :u0201230102", {}, 1},
        // Frames shorter than their layout are dropped.
        {0,
         ":G :R :I :V :Y1C0102050500000000000000 :Y30010205050000000 :Z1C01020505 :U02012301 "
         ":U2101020304 :W0201230 :W :U380000 :W1001",
         {},
         0},
        // A short frame after a long one shows no stale bytes.
        {0,
         ":U0201230102 :U020123",
         {"UCAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02"},
         1},
    };
    for (const HandlerRow& row : rows) {
        SCOPED_TRACE(row.bodies);
        std::vector<PaneLine> events;
        std::vector<std::string> received;
        for (const std::string& line : row.out) {
            if (line[0] == 'U') {
                received.push_back(line.substr(1));
            } else {
                events.push_back(Line(captions.at(row.bodies[1]), line.substr(1),
                                      line[0] == 'B' ? kColourBlue : kColourBlack));
            }
        }
        RecordingSinks sinks;
        CConverterLink link;
        Feed(link, row.receptionBefore != 0 ? ":G01" : ":G00");
        sinks.events.clear();
        Feed(link, row.bodies);
        EXPECT_EQ(sinks.events, events);
        EXPECT_EQ(sinks.received, received);
        EXPECT_EQ(link.receptionOn(), row.receptionAfter);
    }
}

TEST(ResponseHandlers, ReceivedFrameWithoutAListStillUpdatesTheState)
{
    CConverterLink link;
    Feed(link, ":U28123456780102030405060708");
    EXPECT_EQ(link.receptionOn(), 1u);
    EXPECT_EQ(CanFrameBody('U', link.lastFrame()), ":U28123456780102030405060708");
    Feed(link, ":U3800000123");  // the missing data bytes of a remote frame read as zero
    EXPECT_EQ(CanFrameBody('U', link.lastFrame()), ":U38000001230000000000000000");
}

}  // namespace
