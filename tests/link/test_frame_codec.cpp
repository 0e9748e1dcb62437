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

// The frames themselves are checked on the line, in the link's pseudo-terminal tests.
TEST(Commands, CaptionsNameTheCommandInFailureLines)
{
    const uint8_t data[8] = {};
    EXPECT_EQ(ReadConfigCommand().caption, "[환경설정 읽기 명령]");
    EXPECT_EQ(WriteConfigCommand(0, 0, 0, 0, 0, 0, 0, 0, 0).caption, "[환경설정 쓰기 명령]");
    EXPECT_EQ(SetReceptionCommand(1).caption, "[CAN 데이터 수신 여부 명령]");
    EXPECT_EQ(SendCanFrameCommand(0, 0, 0, 0, data).caption, "[CAN 데이터 송신 명령]");
    EXPECT_EQ(ResetCanCommand().caption, "[CAN 리셋 명령]");
    EXPECT_EQ(ReadVersionCommand().caption, "[버전 읽기 명령]");
}

}  // namespace
