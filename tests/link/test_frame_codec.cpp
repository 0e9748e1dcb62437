#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/FrameCodec.h"

namespace {

struct Dispatched {
    uint8_t letter;
    std::vector<uint8_t> bytes;  // bytes[1] .. bytes[byteCount]
};

class RecordingSink : public FrameSink {
public:
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        frames.push_back(
            {decoder.Letter(),
             std::vector<uint8_t>(decoder.bytes + 1, decoder.bytes + 1 + decoder.byteCount)});
    }
    std::vector<Dispatched> frames;
};

std::vector<Dispatched> Decode(const std::string& stream)
{
    RecordingSink sink;
    FrameDecoder decoder(&sink);
    decoder.Feed(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
    return sink.frames;
}

TEST(FrameCodec, HexDigitValueAcceptsOnlyUpperCaseDigits)
{
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (const char c : std::string("aefG:/@\r\n \x7f")) {
        EXPECT_EQ(HexDigitValue(static_cast<uint8_t>(c)), 255) << c;
    }
    EXPECT_EQ(HexDigitValue(0xB0), 255);
}

TEST(FrameCodec, ChecksumSkipsTheLeadingColon)
{
    EXPECT_EQ(FrameChecksum(":Y", 2), 0x59);
    EXPECT_EQ(FrameChecksum(":", 1), 0);
    EXPECT_EQ(FrameChecksum("", 0), 0);
}

TEST(FrameCodec, BuildFrameAppendsChecksumAndCarriageReturn)
{
    const struct {
        const char* body;
        const char* frame;
    } cases[] = {
        {":Y", ":Y59\r"},
        {":R", ":R52\r"},
        {":V", ":V56\r"},
        {":G11", ":G11A9\r"},
        {":G10", ":G10A8\r"},
        {":Z0C0102050501230000", ":Z0C0102050501230000E0\r"},
        {":W0201230102", ":W020123010242\r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildFrame(c.body), c.frame) << c.body;
    }
}

TEST(FrameDecoder, AcceptsWellFormedFrame)
{
    const auto frames = Decode(":G01A8\r");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].letter, 'G');
    EXPECT_EQ(frames[0].bytes, (std::vector<uint8_t>{0x01, 0xA8}));
}

TEST(FrameDecoder, DropsMalformedFrames)
{
    const char* cases[] = {
        ":G01A9\r",   // checksum
        ":G01a8\r",   // lower-case digit
        ":\r",        // too short
        ":G\r",       // too short
        ":GA\r",      // too short
        ":G0Z1A8\r",  // non-digit in the body
    };
    for (const char* stream : cases) {
        EXPECT_TRUE(Decode(stream).empty()) << stream;
    }
}

TEST(FrameDecoder, LowerCaseDigitAbandonsFrameAndNextFrameStillDecodes)
{
    const auto frames = Decode(":G01a8\r:G00A7\r");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, (std::vector<uint8_t>{0x00, 0xA7}));
}

TEST(FrameDecoder, IgnoresNoiseAroundFrames)
{
    const auto frames = Decode("\r\n\x01junk 12 AB\r:G01A8\r\n\n:Y59\r\n");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].letter, 'G');
    EXPECT_EQ(frames[1].letter, 'Y');
    EXPECT_EQ(frames[1].bytes, (std::vector<uint8_t>{0x59}));
}

TEST(FrameDecoder, TwentyNineCharactersAcceptedThirtyAbandoned)
{
    // A 29-bit received frame with 8 data bytes: letter + 28 digits.
    const std::string body = ":U28000001231122334455667788";
    ASSERT_EQ(body.size(), 1u + 27u);
    const std::string frame29 = BuildFrame(body);
    ASSERT_EQ(frame29.size() - 2, 29u);  // between ':' and CR
    const auto accepted = Decode(frame29);
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(accepted[0].bytes.size(), 14u);

    // One more body digit pair: the 30th character abandons the frame, and the
    // rest up to the CR is ignored; the following frame decodes.
    const std::string frame31 = BuildFrame(body + "99");
    const auto abandoned = Decode(frame31 + ":Y59\r");
    ASSERT_EQ(abandoned.size(), 1u);
    EXPECT_EQ(abandoned[0].letter, 'Y');
}

TEST(FrameDecoder, ColonInMidFrameLosesBothFrames)
{
    const auto frames = Decode(":G0:G01A8\r:G00A7\r");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, (std::vector<uint8_t>{0x00, 0xA7}));
}

TEST(FrameDecoder, UnknownLettersPassWithRightChecksum)
{
    const auto frames = Decode(BuildFrame(":H12") + BuildFrame(":g"));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].letter, 'H');
    EXPECT_EQ(frames[1].letter, 'g');
}

TEST(FrameDecoder, OddDigitCountIsDecidedByTheChecksumRule)
{
    // The unpaired last digit is never decoded; the sum of all characters but
    // the last two is compared with the last complete byte.
    // ":Y920": sum of 'Y' and '9' = 0x92, last byte 0x92 -> accepted.
    const auto accepted = Decode(":Y920\r");
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(accepted[0].bytes, (std::vector<uint8_t>{0x92}));
    // ":G01A83": sum of G,0,1,A = 0xE9, last byte 0xA8 -> dropped.
    EXPECT_TRUE(Decode(":G01A83\r").empty());
}

TEST(FrameDecoder, StateSurvivesBetweenFeeds)
{
    RecordingSink sink;
    FrameDecoder decoder(&sink);
    const std::string first = ":G01";
    const std::string second = "A8\r";
    decoder.Feed(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    EXPECT_TRUE(sink.frames.empty());
    decoder.Feed(reinterpret_cast<const uint8_t*>(second.data()), second.size());
    EXPECT_EQ(sink.frames.size(), 1u);
}

TEST(FrameDecoder, ResetDropsPartialFrame)
{
    RecordingSink sink;
    FrameDecoder decoder(&sink);
    const std::string first = ":G01";
    decoder.Feed(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    decoder.Reset();
    const std::string rest = "A8\r:Y59\r";
    decoder.Feed(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].letter, 'Y');
}

TEST(FrameDecoder, LongRunOfDigitsNeverOverflows)
{
    std::string stream = ":U";
    stream.append(5000, 'A');
    stream += "\r:Y59\r";
    const auto frames = Decode(stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].letter, 'Y');
}

}  // namespace
