#pragma once

#include <cstdint>

// One CAN frame as the link records it: extended = 29-bit identifier (CAN 2.0B),
// remote = remote frame, dlc 0..8, data[0] first on the wire.
struct CanFrame {
    uint32_t extended = 0;
    uint32_t remote = 0;
    uint8_t dlc = 0;
    uint32_t id = 0;
    uint8_t data[8] = {};
};

// The mode byte: bits 6..5 receive mode (0 both, 1 2.0A only, 2 2.0B only),
// bit 4 29-bit identifiers, bit 3 automatic reset after Bus-Off, bits 2..0
// report Bus-Off, Error-Passive, Warning.
constexpr uint32_t kStandardIdMask = 0x7FF;
constexpr uint32_t kExtendedIdMask = 0x1FFFFFFF;

// The converter's error-report code byte: which conditions it reports; bits
// 5..7 are not defined.
namespace converter_error {
constexpr uint8_t kBusOff = 0x01;
constexpr uint8_t kRxPassive = 0x02;
constexpr uint8_t kTxPassive = 0x04;
constexpr uint8_t kRxWarning = 0x08;
constexpr uint8_t kTxWarning = 0x10;
constexpr uint8_t kDefined = 0x1F;
}  // namespace converter_error

// CAN control byte: bit 5 29-bit identifier, bit 4 remote, bits 3..0 length.
constexpr uint8_t kControlExtended = 0x20;
constexpr uint8_t kControlRemote = 0x10;
