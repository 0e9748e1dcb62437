#include "busstats/FrameBits.h"

#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "link/FrameLayout.h"

namespace {

TEST(FrameBits, BitsOnTheBusByKindAndLength)
{
    // extended, remote, dlc, bits without stuffing, with worst-case stuffing:
    // 47 / 67 + 8n, plus floor((34 or 54 + 8n - 1) / 4).
    const std::tuple<bool, bool, uint8_t, uint32_t, uint32_t> cases[] = {
        {false, false, 0, 47, 55},    {false, false, 1, 55, 65},  {false, false, 8, 111, 135},
        {true, false, 0, 67, 80},     {true, false, 1, 75, 90},   {true, false, 8, 131, 160},
        {false, true, 0, 47, 55},     {false, true, 8, 47, 55},   {true, true, 4, 67, 80},
        {false, false, 15, 111, 135}, {true, false, 9, 131, 160},
    };
    for (const auto& [extended, remote, dlc, plain, worst] : cases) {
        SCOPED_TRACE(testing::Message() << extended << remote << int(dlc));
        const FrameBits bits = CanFrameBits(extended, remote, dlc);
        EXPECT_EQ(bits.noStuffing, plain);
        EXPECT_EQ(bits.worstCase, worst);
    }
}

// Stuff bits a transmitter inserts into the given bits (after five equal bits,
// one of the other value, which starts the next run).
int StuffBits(uint32_t pattern, int length)
{
    int stuffed = 0;
    int run = 0;
    int last = -1;
    for (int i = length - 1; i >= 0; --i) {
        const int bit = (pattern >> i) & 1;
        run = bit == last ? run + 1 : 1;
        last = bit;
        if (run == 5) {
            ++stuffed;
            last = !bit;
            run = 1;
        }
    }
    return stuffed;
}

TEST(FrameBits, WorstCaseStuffingIsTheMostAnyBitPatternNeeds)
{
    // Every pattern of up to 18 bits, stuffed bit by bit: the most stuff bits
    // any of them needs is the bound the bus figure adds.
    for (int length = 1; length <= 18; ++length) {
        int most = 0;
        for (uint32_t pattern = 0; pattern < (1u << length); ++pattern) {
            most = std::max(most, StuffBits(pattern, length));
        }
        EXPECT_EQ(most, (length - 1) / 4) << length;
    }
}

TEST(FrameBits, LineBytesAreThoseOfTheConvertersFrame)
{
    for (const bool extended : {false, true}) {
        for (uint8_t dlc = 0; dlc <= 8; ++dlc) {
            CanFrame frame;
            frame.extended = extended ? 1 : 0;
            frame.dlc = dlc;
            frame.id = extended ? 0x18FEF100 : 0x123;
            EXPECT_EQ(ReceivedFrameLineBytes(extended, dlc),
                      BuildFrame(CanFrameBody('U', frame)).size())
                << extended << " " << int(dlc);
        }
    }
    // A remote frame without its data bytes; a length beyond 8 carries 8.
    EXPECT_EQ(ReceivedFrameLineBytes(false, 0), 11u);
    EXPECT_EQ(ReceivedFrameLineBytes(true, 12), 31u);
    EXPECT_EQ(kErrorReportLineBytes, BuildFrame(":I01").size());
}

}  // namespace
