#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace {

// Each accepted frame as " " + letter + its decoded bytes in hex.
struct TextSink : FrameSink {
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        text += ' ';
        text += static_cast<char>(decoder.Letter());
        for (int i = 1; i <= decoder.byteCount; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", decoder.bytes[i]);
            text += hex;
        }
    }
    void Feed(FrameDecoder& decoder, const std::string& bytes)
    {
        decoder.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::string text;
};

TEST(FrameDecoder, AcceptsWellFormedFramesAndDropsTheRest)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {":G01A8\r", " G01A8"},
        {":G01A9\r", ""},                // checksum
        {":\r:G\r:GA\r", ""},            // too short
        {":G0Z1A8\r", ""},               // not a digit
        {":G01a8\r:G00A7\r", " G00A7"},  // lower case abandons the frame only
        {"\r\n\x01junk 12 AB\r:G01A8\r\n\n:Y59\r\n", " G01A8 Y59"},
        {":G0:G01A8\r:G00A7\r", " G00A7"},  // a colon in mid-frame loses both
        {":H12AB\r:g67\r", " H12AB g67"},   // unknown letters pass
        // An odd last digit is never decoded; the checksum rule still decides.
        {":Y920\r", " Y92"},
        {":G01A83\r", ""},
        // 29 characters are accepted, a 30th abandons the frame up to its CR.
        {":U280000012311223344556677888D\r", " U280000012311223344556677888D"},
        {":U2800000123112233445566778899FF\r:Y59\r", " Y59"},
        {":U" + std::string(5000, 'A') + "\r:Y59\r", " Y59"},
    };
    for (const auto& [stream, frames] : rows) {
        TextSink sink;
        FrameDecoder decoder(&sink);
        sink.Feed(decoder, stream);
        EXPECT_EQ(sink.text, frames) << stream;
    }
}

TEST(FrameDecoder, StateSurvivesBetweenFeedsUntilReset)
{
    TextSink sink;
    FrameDecoder decoder(&sink);
    sink.Feed(decoder, ":G01");
    sink.Feed(decoder, "A8\r:G0");
    EXPECT_EQ(sink.text, " G01A8");
    decoder.Reset();
    sink.Feed(decoder, "0A7\r:Y59\r");
    EXPECT_EQ(sink.text, " G01A8 Y59");
}

TEST(Commands, CaptionsAndReceptionFrames)
{
    const uint8_t data[8] = {};
    EXPECT_EQ(ReadConfigCommand().caption, "[환경설정 읽기 명령]");
    EXPECT_EQ(WriteConfigCommand(0, 0, 0, 0, 0, 0, 0, 0, 0).caption, "[환경설정 쓰기 명령]");
    EXPECT_EQ(SetReceptionCommand(1).caption, "[CAN 데이터 수신 여부 명령]");
    EXPECT_EQ(SendCanFrameCommand(0, 0, 0, 0, data).caption, "[CAN 데이터 송신 명령]");
    EXPECT_EQ(ResetCanCommand().caption, "[CAN 리셋 명령]");
    EXPECT_EQ(ReadVersionCommand().caption, "[버전 읽기 명령]");
    EXPECT_EQ(SetReceptionCommand(0x100).text, ":G11A9\r");  // any non-zero is on
}

TEST(Commands, WriteConfigFrames)
{
    const struct {
        uint32_t mode, extended, autoReset, busOff, passive, warning, bitTime, id, maskId;
        const char* body;
    } rows[] = {
        {0, 1, 1, 1, 1, 1, 0x01020505, 0, 0, ":Z1F010205050000000000000000"},
        {2, 1, 0, 0, 0, 0, 0x01020505, 0x1ABCDEF0, 0x1FFFFFFF, ":Z50010205051ABCDEF01FFFFFFF"},
        {1, 0, 0, 0, 1, 1, 0x01020505, 0x7FF, 0x700, ":Z230102050507FF0700"},
        {0, 0, 0, 0, 0, 0, 0x00000202, 0xFFFF, 0xFFFF, ":Z000000020207FF07FF"},  // ids cut
        {0, 1, 0, 0, 0, 0, 0x00000202, 0xFFFFFFFF, 0xFFFFFFFF, ":Z10000002021FFFFFFF1FFFFFFF"},
        {0x103, 0, 0, 0, 0, 0, 0x01020505, 0, 0, ":Z700102050500000000"},  // low two bits
        {0, 0x80000000, 0, 0, 0, 0x40, 0x01020505, 0, 0, ":Z11010205050000000000000000"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(WriteConfigCommand(r.mode, r.extended, r.autoReset, r.busOff, r.passive,
                                     r.warning, r.bitTime, r.id, r.maskId)
                      .text,
                  BuildFrame(r.body));
    }
}

TEST(Commands, SendCanFrameFrames)
{
    const uint8_t data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const struct {
        uint32_t extended, remote;
        uint8_t dlc;
        uint32_t id;
        const char* body;
    } rows[] = {
        {0, 1, 3, 0x7FF, ":W1007FF"},                   // remote: length 0, no data
        {0, 0, 12, 0x001, ":W0800010102030405060708"},  // more than 8 sends 8
        {1, 0, 8, 0x1FFFFFFF, ":W281FFFFFFF0102030405060708"},
        {0, 0, 0, 0xFFFF, ":W0007FF"},  // ids cut to their width
        {1, 0, 0, 0xFFFFFFFF, ":W201FFFFFFF"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(SendCanFrameCommand(r.extended, r.remote, r.dlc, r.id, data).text,
                  BuildFrame(r.body));
    }
}

}  // namespace
