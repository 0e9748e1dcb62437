#pragma once

#include <cstdint>
#include <string>

#include "link/CanFrame.h"

// Field layouts shared by frames in both directions. `bytes` is the decoder's
// array: bytes[0] the letter, bytes[1] .. bytes[byteCount] the decoded bytes,
// the last of which is the checksum and never a field.

// The configuration a 'Y' or 'Z' frame carries.
struct ConfigReport {
    uint8_t modeByte = 0x1C;
    uint32_t bitTime = 0x01020505;
    uint32_t id = 0;
    uint32_t maskId = 0;
};

// Configuration layout: b1 modeByte, b2..b5 bitTime, then id and maskId as 16-bit
// (b6..b7, b8..b9) or, when IsExtendedIdMode(modeByte), 32-bit (b6..b9, b10..b13)
// fields. Values are kept as
// received, unmasked. False, with report untouched, when the frame is too short.
bool ParseConfigFields(const uint8_t* bytes, int byteCount, ConfigReport& report);
// ":" letter and the fields in the layout the mode byte selects, without checksum.
std::string ConfigFieldsBody(char letter, const ConfigReport& report);

// CAN frame layout ('U', 'W'): b1 control byte, identifier b2..b5 (bit 5 set) or
// b2..b3, then length (b1 & 0x0F, at most 8) data bytes. The identifier is kept
// as received. A remote frame carries no data on the bus, so it may come with
// fewer data bytes than its length, none included: dlc stays the length, the
// bytes present are copied and the missing ones read as zero. `dataBytes`, when
// given, receives how many data bytes were present (dlc for a data frame).
// False, with frame untouched, when the identifier, or a data frame's data, is
// incomplete.
bool ParseCanFrameFields(const uint8_t* bytes, int byteCount, CanFrame& frame,
                         int* dataBytes = nullptr);
// ":" letter, control byte, identifier (masked to its width) and dlc data bytes,
// without checksum; the inverse of ParseCanFrameFields for a frame that carries
// all its data bytes (a remote frame with a non-zero dlc carries that many, as
// the simulated converter's do).
std::string CanFrameBody(char letter, const CanFrame& frame);

// Frames whose one field is a byte ('G', 'R', 'I', 'V'): false when it is missing.
bool ParseByteField(const uint8_t* bytes, int byteCount, uint8_t& value);
