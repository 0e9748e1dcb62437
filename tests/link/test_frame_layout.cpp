#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "link/FrameLayout.h"

namespace {

// Decodes one complete frame and keeps the decoder's bytes.
struct Decoded : FrameSink {
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        std::memcpy(bytes, decoder.bytes, sizeof bytes);
        byteCount = decoder.byteCount;
        ++count;
    }
    uint8_t bytes[30] = {};
    int byteCount = 0;
    int count = 0;
};

Decoded DecodeFrame(const std::string& frame)
{
    Decoded decoded;
    FrameDecoder decoder(&decoded);
    decoder.Feed(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    return decoded;
}

TEST(FrameLayout, ConfigFieldWidthFollowsMode)
{
    EXPECT_FALSE(ConfigUsesWideIds(0x0C));
    EXPECT_TRUE(ConfigUsesWideIds(0x1C));
    EXPECT_FALSE(ConfigUsesWideIds(0x30));  // mode 1 with bit 4: still 11-bit
    EXPECT_TRUE(ConfigUsesWideIds(0x40));   // mode 2 without bit 4: 29-bit
    EXPECT_TRUE(ConfigUsesWideIds(0x60));
}

TEST(FrameLayout, ConfigRoundTripsInBothWidths)
{
    const ConfigReport reports[] = {
        {0x1C, 0x01020505, 0x1ABCDEF0, 0x1FFFFFFF},
        {0x0C, 0x00000202, 0x123, 0x7FF},
        {0x30, 0x03020707, 0xFFFF, 0x8001},  // 16-bit fields kept unmasked
        {0x40, 0x0F070707, 0x12345678, 0x0},
    };
    for (const auto& report : reports) {
        const Decoded decoded = DecodeFrame(BuildFrame(ConfigFieldsBody('Y', report)));
        ASSERT_EQ(decoded.count, 1);
        ConfigReport parsed{0, 0, 0, 0};
        ASSERT_TRUE(ParseConfigFields(decoded.bytes, decoded.byteCount, parsed));
        EXPECT_EQ(parsed.modeByte, report.modeByte);
        EXPECT_EQ(parsed.bitTime, report.bitTime);
        EXPECT_EQ(parsed.id, report.id);
        EXPECT_EQ(parsed.maskId, report.maskId);
    }
}

TEST(FrameLayout, ShortConfigFrameIsRejectedAndLeavesReportAlone)
{
    // Mode 0x1C needs 32-bit fields; this frame carries 16-bit ones.
    const Decoded decoded = DecodeFrame(BuildFrame(":Y1C0102050501230000"));
    ASSERT_EQ(decoded.count, 1);
    ConfigReport parsed{1, 2, 3, 4};
    EXPECT_FALSE(ParseConfigFields(decoded.bytes, decoded.byteCount, parsed));
    EXPECT_EQ(parsed.bitTime, 2u);
    EXPECT_FALSE(ParseConfigFields(decoded.bytes, 1, parsed));
}

TEST(FrameLayout, CanFrameRoundTrips)
{
    CanFrame frames[3];
    frames[0] = {0, 0, 2, 0x123, {1, 2}};
    frames[1] = {1, 0, 8, 0x1ABCDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    frames[2] = {1, 1, 0, 0x18FF0001, {}};
    for (const auto& frame : frames) {
        const Decoded decoded = DecodeFrame(BuildFrame(CanFrameBody('U', frame)));
        ASSERT_EQ(decoded.count, 1);
        CanFrame parsed;
        ASSERT_TRUE(ParseCanFrameFields(decoded.bytes, decoded.byteCount, parsed));
        EXPECT_EQ(parsed.extended, frame.extended);
        EXPECT_EQ(parsed.remote, frame.remote);
        EXPECT_EQ(parsed.dlc, frame.dlc);
        EXPECT_EQ(parsed.id, frame.id);
        EXPECT_EQ(0, std::memcmp(parsed.data, frame.data, frame.dlc));
    }
}

TEST(FrameLayout, CanFrameLengthAboveEightReadsEightBytes)
{
    // Control 0x0C: 11-bit data frame claiming 12 bytes; 8 follow.
    const Decoded decoded = DecodeFrame(BuildFrame(":U0C01230102030405060708"));
    CanFrame parsed;
    ASSERT_TRUE(ParseCanFrameFields(decoded.bytes, decoded.byteCount, parsed));
    EXPECT_EQ(parsed.dlc, 8);
    EXPECT_EQ(parsed.data[7], 8);
}

TEST(FrameLayout, CanFrameShorterThanItsLengthIsRejected)
{
    // Length 4 announced, 2 data bytes present.
    const Decoded decoded = DecodeFrame(BuildFrame(":U0401230102"));
    ASSERT_EQ(decoded.count, 1);
    CanFrame parsed;
    parsed.id = 77;
    EXPECT_FALSE(ParseCanFrameFields(decoded.bytes, decoded.byteCount, parsed));
    EXPECT_EQ(parsed.id, 77u);
    // A 29-bit frame cut inside its identifier.
    const Decoded cut = DecodeFrame(BuildFrame(":U200001"));
    EXPECT_FALSE(ParseCanFrameFields(cut.bytes, cut.byteCount, parsed));
}

TEST(FrameLayout, ByteFieldNeedsOneByteBeforeChecksum)
{
    uint8_t value = 0;
    const Decoded g = DecodeFrame(":G01A8\r");
    EXPECT_TRUE(ParseByteField(g.bytes, g.byteCount, value));
    EXPECT_EQ(value, 1);
    const Decoded bare = DecodeFrame(":V56\r");
    ASSERT_EQ(bare.count, 1);
    EXPECT_FALSE(ParseByteField(bare.bytes, bare.byteCount, value));
}

}  // namespace
