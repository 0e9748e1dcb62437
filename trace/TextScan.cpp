#include "trace/TextScan.h"

#include "common/TextFormat.h"

namespace text_scan {

std::string_view NextToken(std::string_view& rest)
{
    size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start])) {
        ++start;
    }
    size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end])) {
        ++end;
    }
    const std::string_view token = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return token;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int64_t> ParseSecondsUs(std::string_view text)
{
    const size_t point = text.find('.');
    if (point == 0 || point == std::string_view::npos || point > 12 ||
        text.size() - point - 1 == 0 || text.size() - point - 1 > 9) {
        return std::nullopt;
    }
    int64_t seconds = 0;
    for (size_t i = 0; i < point; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        seconds = seconds * 10 + (text[i] - '0');
    }
    int64_t micros = 0;
    int digits = 0;
    for (size_t i = point + 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        if (digits < 6) {
            micros = micros * 10 + (text[i] - '0');
            ++digits;
        }
    }
    for (; digits < 6; ++digits) {
        micros *= 10;
    }
    return seconds * 1'000'000 + micros;
}

std::optional<uint32_t> ParseNumber(std::string_view text, int base, size_t maxDigits, uint32_t max)
{
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > max) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

void AppendHex(std::string& out, uint32_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

void AppendDecimal(std::string& out, uint64_t value, int width, char pad)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = count; i < width; ++i) {
        out.push_back(pad);
    }
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

}  // namespace text_scan
