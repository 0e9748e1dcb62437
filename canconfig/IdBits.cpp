#include "canconfig/IdBits.h"

#include <cstdio>

#include "common/TextFormat.h"

uint32_t IdMask(bool extended)
{
    return extended ? 0x1FFFFFFFu : 0x7FFu;
}

uint8_t FieldMask(int field, bool extended)
{
    return static_cast<uint8_t>(IdMask(extended) >> (8 * (3 - field)));
}

uint8_t LeadingHexByte(std::string_view text)
{
    unsigned value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            break;
        }
        value = ((value << 4) | static_cast<unsigned>(digit)) & 0xFFu;
    }
    return static_cast<uint8_t>(value);
}

uint8_t HexFieldByte(std::string_view text)
{
    return IsHexText(text) ? LeadingHexByte(text) : 0;
}

std::string ByteText(uint8_t value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

uint32_t AssembleId(const std::array<std::string, 4>& texts, bool extended)
{
    uint32_t value = 0;
    for (const std::string& text : texts) {
        value = (value << 8) | HexFieldByte(text);
    }
    return value & IdMask(extended);
}

std::optional<FieldUpdate> FieldTextChanged(int field, std::string_view text, bool extended)
{
    if (field < 2 && !extended) {
        return std::nullopt;
    }
    if (!IsHexText(text)) {
        return std::nullopt;
    }
    // An empty field shows as 00 in its boxes; one digit cannot exceed a mask.
    const uint8_t value = LeadingHexByte(text);
    const uint8_t mask = FieldMask(field, extended);
    if (text.size() >= 2 && (value & ~mask) != 0) {
        return FieldUpdate{static_cast<uint8_t>(value & mask), true};
    }
    return FieldUpdate{value, false};
}

std::optional<uint8_t> FieldFocusClamp(int field, std::string_view text, bool extended)
{
    const uint8_t mask = FieldMask(field, extended);
    if (mask == 0 || !IsHexText(text)) {
        return std::nullopt;
    }
    const uint8_t value = LeadingHexByte(text);
    if ((value & ~mask) == 0) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(value & mask);
}
