#include "busstats/FrameBits.h"

#include <algorithm>

namespace {

constexpr uint32_t kStandardBits = 47;
constexpr uint32_t kExtendedBits = 67;
// SOF to the end of the CRC: the bits a transmitter stuffs.
constexpr uint32_t kStandardStuffable = 34;
constexpr uint32_t kExtendedStuffable = 54;

}  // namespace

FrameBits CanFrameBits(bool extended, bool remote, uint8_t dlc)
{
    const uint32_t dataBits = remote ? 0 : 8u * std::min<uint32_t>(dlc, 8);
    const uint32_t stuffable = (extended ? kExtendedStuffable : kStandardStuffable) + dataBits;
    FrameBits bits;
    bits.noStuffing = (extended ? kExtendedBits : kStandardBits) + dataBits;
    bits.worstCase = bits.noStuffing + (stuffable - 1) / 4;
    return bits;
}

uint32_t ReceivedFrameLineBytes(bool extended, int dataBytes)
{
    const auto data = static_cast<uint32_t>(std::clamp(dataBytes, 0, 8));
    return (extended ? 15u : 11u) + 2 * data;
}
