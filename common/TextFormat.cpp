#include "common/TextFormat.h"

#include <algorithm>
#include <array>

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool IsHexText(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) { return HexDigit(c) >= 0; });
}

int Cp949Width(std::string_view utf8)
{
    // Every UTF-8 sequence starts with a byte that is not a continuation byte
    // (10xxxxxx); ASCII counts one, every other character two.
    int width = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            width += 1;
        } else if ((byte & 0xC0) != 0x80) {
            width += 2;
        }
    }
    return width;
}

void AppendPadded(std::string& out, std::string_view text, int width)
{
    out.append(text);
    const int missing = width - Cp949Width(text);
    if (missing > 0) {
        out.append(static_cast<size_t>(missing), ' ');
    }
}

std::string PadRight(std::string_view text, int width)
{
    std::string out;
    out.reserve(text.size() + static_cast<size_t>(width > 0 ? width : 0));
    AppendPadded(out, text, width);
    return out;
}

std::string CaptionLine(std::string_view caption, std::string_view detail)
{
    std::string line;
    line.reserve(caption.size() + detail.size() + 32);
    AppendPadded(line, caption, 28);
    line.append(" : ");
    line.append(detail);
    return line;
}

std::string TimeStamp(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    std::array<char, 32> buffer{};
    const size_t length = std::strftime(buffer.data(), buffer.size(), "%Y.%m.%d %H:%M:%S", &local);
    return std::string(buffer.data(), length);
}

std::string TimeStamp()
{
    return TimeStamp(std::time(nullptr));
}

std::string TimeStampedLine(std::string_view text, std::time_t when)
{
    // Log lines come by the thousand a second, their stamp changes once a second.
    thread_local std::time_t stampedAt = 0;
    thread_local std::string stamp;
    if (stamp.empty() || when != stampedAt) {
        stamp = TimeStamp(when);
        stampedAt = when;
    }
    std::string line;
    line.reserve(stamp.size() + text.size() + 3);
    line.append(stamp);
    line.append("  ");
    line.append(text);
    line.push_back('\n');
    return line;
}

std::string TimeStampedLine(std::string_view text)
{
    return TimeStampedLine(text, std::time(nullptr));
}

std::string HexBytesText(const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            text.push_back(' ');
        }
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}
