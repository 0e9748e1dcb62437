#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small scanning and formatting helpers shared by the trace formats. They
// neither allocate nor depend on the locale.
namespace text_scan {

// Largest time a trace holds, so that sums and differences of times never
// overflow 64 bits and every time has at most 12 digits of seconds: about
// 31,700 years in microseconds.
constexpr int64_t kMaxTimeUs = 999'999'999'999'999'999;

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The next run of non-blank characters; `rest` moves past it. Empty at the end.
std::string_view NextToken(std::string_view& rest);
std::string_view TrimBlanks(std::string_view text);

// "seconds.fraction" with 1 to 12 digits of seconds and 1 to 9 of fraction
// (digits past the sixth are dropped) in microseconds.
std::optional<int64_t> ParseSecondsUs(std::string_view text);
// 1 to `maxDigits` digits of base 16 or 10, whatever their case, at most `max`.
std::optional<uint32_t> ParseNumber(std::string_view text, int base, size_t maxDigits,
                                    uint32_t max);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Appends `value` as exactly `digits` upper-case hex digits.
void AppendHex(std::string& out, uint32_t value, int digits);
// Appends a non-negative number in decimal, padded on the left with `pad` to
// at least `width` characters.
void AppendDecimal(std::string& out, uint64_t value, int width = 0, char pad = '0');

}  // namespace text_scan
