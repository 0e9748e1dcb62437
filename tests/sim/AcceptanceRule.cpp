#include "AcceptanceRule.h"

bool ExpectedAcceptance(uint8_t modeByte, uint32_t id, uint32_t mask, const CanFrame& frame)
{
    const int receiveMode = (modeByte >> 5) & 3;
    if ((receiveMode == 1 && frame.extended) || (receiveMode >= 2 && !frame.extended)) {
        return false;
    }
    const bool wideFilter = receiveMode >= 2 || (receiveMode == 0 && (modeByte & 0x10) != 0);
    // Bit positions counted in a 29-bit identifier; an 11-bit value sits in the
    // top 11 of them.
    for (int bit = 0; bit < 29; ++bit) {
        const int filterBit = wideFilter ? bit : bit - 18;
        const int frameBit = frame.extended ? bit : bit - 18;
        if (filterBit < 0 || frameBit < 0) {
            continue;
        }
        if (((mask >> filterBit) & 1) != 0 &&
            ((id >> filterBit) & 1) != ((frame.id >> frameBit) & 1)) {
            return false;
        }
    }
    return true;
}
