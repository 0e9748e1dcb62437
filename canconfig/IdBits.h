#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Rules of the identifier editor's four byte fields. Field f holds bits
// 8 * (3 - f) + 7 .. 8 * (3 - f) of a 32-bit value, so field 0 is the most
// significant byte. `extended` selects 29-bit width (CAN 2.0B) over 11-bit
// width (CAN 2.0A).

// 0x1FFFFFFF in 29-bit width, 0x7FF in 11-bit width.
uint32_t IdMask(bool extended);

// The bits field may hold at a width, its byte of IdMask: 1F FF FF FF in 29-bit
// width, 00 00 07 FF in 11-bit width. Each set bit b stands for the box of
// value bit 8 * (3 - field) + b.
uint8_t FieldMask(int field, bool extended);

// The text read as base 16 up to its first character that is not a hex digit,
// low 8 bits: "A0" 0xA0, "1G" 0x01, "G1" 0, "" 0.
uint8_t LeadingHexByte(std::string_view text);

// A non-empty text of hex digits gives the low 8 bits of its base-16 value
// ("abc" 0xBC); anything else gives 0.
uint8_t HexFieldByte(std::string_view text);

// "%02X".
std::string ByteText(uint8_t value);

// The four fields as one value, masked to the width (fields as HexFieldByte).
uint32_t AssembleId(const std::array<std::string, 4>& texts, bool extended);

// A field's text changed: either the boxes stay (nullopt: an upper field in
// 11-bit width, or text that is not hex), or they show value; rewrite asks for
// the field to be written as ByteText(value) because a complete two-digit
// entry exceeded the field's mask.
struct FieldUpdate {
    uint8_t value;
    bool rewrite;
};
std::optional<FieldUpdate> FieldTextChanged(int field, std::string_view text, bool extended);

// Focus left a field: the byte to rewrite it with when its hex text holds bits
// beyond the field's mask, whatever the text's length; otherwise nullopt.
std::optional<uint8_t> FieldFocusClamp(int field, std::string_view text, bool extended);
