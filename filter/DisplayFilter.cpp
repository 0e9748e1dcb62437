#include "filter/DisplayFilter.h"

#include <cstdio>

#include "common/TextFormat.h"

namespace {

constexpr uint32_t kStandardWidth = 0x7FF;
constexpr uint32_t kExtendedWidth = 0x1FFFFFFF;
// candump: an identifier of this many digits is a 29-bit one.
constexpr int kExtendedDigits = 8;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The character starting at offset, for the message: a whole UTF-8 sequence,
// or "\xNN" for a control character or a byte that starts none.
std::string CharacterAt(std::string_view text, size_t offset)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    size_t length = 0;
    if (lead >= 0x21 && lead < 0x7F) {
        length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    bool whole = length > 0 && offset + length <= text.size();
    for (size_t i = 1; whole && i < length; ++i) {
        whole = IsContinuationByte(text[offset + i]);
    }
    if (!whole) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", lead);
        return escaped;
    }
    return std::string(text.substr(offset, length));
}

struct Number {
    uint32_t value = 0;
    int digits = 0;
    size_t offset = 0;
};

class Parser {
public:
    Parser(std::string_view text, FilterError* error) : m_text(text), m_error(error) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return m_text[m_pos]; }
    size_t Position() const { return m_pos; }
    void Advance() { ++m_pos; }

    void SkipBlanks()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t')) {
            ++m_pos;
        }
    }

    bool ReadHex(Number& number)
    {
        number = Number{};
        number.offset = m_pos;
        while (!AtEnd() && HexDigit(Peek()) >= 0) {
            if (number.digits == kExtendedDigits) {
                return Fail(FilterError::Kind::kTooManyDigits, number.offset);
            }
            number.value = number.value << 4 | static_cast<uint32_t>(HexDigit(Peek()));
            ++number.digits;
            ++m_pos;
        }
        if (number.digits == 0) {
            // Where a separator stands, the number is missing; any other
            // character is wrong in itself.
            const bool missing =
                AtEnd() || std::string_view(":~-, \t").find(Peek()) != std::string_view::npos;
            return Fail(
                missing ? FilterError::Kind::kExpectedHex : FilterError::Kind::kUnexpectedCharacter,
                m_pos);
        }
        return true;
    }

    bool Fail(FilterError::Kind kind, size_t offset)
    {
        if (m_error == nullptr) {
            return false;
        }
        int column = 1;
        for (size_t i = 0; i < offset && i < m_text.size(); ++i) {
            column += IsContinuationByte(m_text[i]) ? 0 : 1;
        }
        char message[160];
        switch (kind) {
        case FilterError::Kind::kExpectedHex:
            std::snprintf(message, sizeof message, "필터 %d번째 글자에 16진수가 빠졌읍니다",
                          column);
            break;
        case FilterError::Kind::kTooManyDigits:
            std::snprintf(message, sizeof message, "필터 %d번째 글자의 16진수가 8자리를 넘었읍니다",
                          column);
            break;
        case FilterError::Kind::kIdTooLarge:
            std::snprintf(message, sizeof message,
                          "필터 %d번째 글자의 ID가 29비트(1FFFFFFF)를 넘었읍니다", column);
            break;
        case FilterError::Kind::kRangeReversed:
            std::snprintf(message, sizeof message,
                          "필터 %d번째 글자의 범위는 시작이 끝보다 커서 맞는 ID가 없읍니다",
                          column);
            break;
        case FilterError::Kind::kEmptyItem:
            std::snprintf(message, sizeof message, "필터 %d번째 글자에 비어 있는 항목이 있읍니다",
                          column);
            break;
        case FilterError::Kind::kUnexpectedCharacter:
        case FilterError::Kind::kNone:
            std::snprintf(message, sizeof message, "필터 %d번째 글자(%s)는 쓸 수 없읍니다", column,
                          CharacterAt(m_text, offset).c_str());
            break;
        }
        *m_error = FilterError{kind, column, message};
        return false;
    }

private:
    std::string_view m_text;
    FilterError* m_error;
    size_t m_pos = 0;
};

}  // namespace

std::optional<DisplayFilter> DisplayFilter::Parse(std::string_view text, FilterError* error)
{
    if (error != nullptr) {
        *error = FilterError{};
    }
    DisplayFilter filter;
    Parser parser(text, error);
    parser.SkipBlanks();
    if (parser.AtEnd()) {
        return filter;
    }
    size_t lastComma = 0;
    bool afterComma = false;
    for (;;) {
        parser.SkipBlanks();
        if (parser.AtEnd() || parser.Peek() == ',') {
            parser.Fail(FilterError::Kind::kEmptyItem,
                        parser.AtEnd() && afterComma ? lastComma : parser.Position());
            return std::nullopt;
        }
        if (parser.Peek() == 'j' || parser.Peek() == 'J') {
            parser.Advance();
            filter.m_join = true;
        } else {
            Term term;
            if (parser.Peek() == '~') {
                term.inverted = true;
                parser.Advance();
                parser.SkipBlanks();
            }
            Number id;
            if (!parser.ReadHex(id)) {
                return std::nullopt;
            }
            if (id.value > kExtendedWidth) {
                parser.Fail(FilterError::Kind::kIdTooLarge, id.offset);
                return std::nullopt;
            }
            parser.SkipBlanks();
            const char separator = parser.AtEnd() ? '\0' : parser.Peek();
            if (separator == ':' || (separator == '~' && !term.inverted)) {
                term.inverted = term.inverted || separator == '~';
                parser.Advance();
                parser.SkipBlanks();
                Number mask;
                if (!parser.ReadHex(mask)) {
                    return std::nullopt;
                }
                term.extended = id.digits == kExtendedDigits || id.value > kStandardWidth;
                term.mask = mask.value & (term.extended ? kExtendedWidth : kStandardWidth);
                term.value = id.value & term.mask;
                term.span = term.extended ? kExtendedWidth : kStandardWidth;
            } else if (separator == '-') {
                parser.Advance();
                parser.SkipBlanks();
                Number last;
                if (!parser.ReadHex(last)) {
                    return std::nullopt;
                }
                if (last.value > kExtendedWidth) {
                    parser.Fail(FilterError::Kind::kIdTooLarge, last.offset);
                    return std::nullopt;
                }
                if (id.value > last.value) {
                    parser.Fail(FilterError::Kind::kRangeReversed, id.offset);
                    return std::nullopt;
                }
                term.extended = id.digits == kExtendedDigits || last.digits == kExtendedDigits ||
                                last.value > kStandardWidth;
                term.low = id.value;
                term.span = last.value - id.value;
            } else {
                term.extended = id.digits == kExtendedDigits || id.value > kStandardWidth;
                term.mask = term.extended ? kExtendedWidth : kStandardWidth;
                term.value = id.value;
                term.span = term.mask;
            }
            filter.m_terms.push_back(term);
        }
        parser.SkipBlanks();
        if (parser.AtEnd()) {
            return filter;
        }
        if (parser.Peek() != ',') {
            parser.Fail(FilterError::Kind::kUnexpectedCharacter, parser.Position());
            return std::nullopt;
        }
        lastComma = parser.Position();
        afterComma = true;
        parser.Advance();
    }
}

bool DisplayFilter::Matches(bool extended, uint32_t id) const
{
    if (m_terms.empty()) {
        return true;
    }
    const uint32_t own = id & (extended ? kExtendedWidth : kStandardWidth);
    // Without join the first matching filter decides (true); with join the
    // first filter missed decides (false).
    for (const Term& term : m_terms) {
        const bool plain = term.extended == extended && (own & term.mask) == term.value &&
                           own - term.low <= term.span;
        const bool hit = plain != term.inverted;
        if (hit != m_join) {
            return hit;
        }
    }
    return m_join;
}
