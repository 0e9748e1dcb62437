#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/CanFrame.h"

// Which received frames a view shows, typed as candump's filters are:
//
//   123:7FF            identifier and mask: (frame id & mask) == (123 & mask)
//   123~7FF            the same filter inverted: it matches every other frame
//   ~123:7FF           the same inverted filter, "everything but" written first
//   123                the identifier alone: 123:7FF
//   100-1FF            identifiers 100 to 1FF, both included (~100-1FF: all others)
//   18FEF100:1FFFFFFF  a 29-bit filter
//   j  (or J)          join: a frame must match every filter, not just one
//
// Filters are separated by commas, blanks around them are ignored, digits are
// hexadecimal in either case. An empty text shows every frame.
//
// Width. A filter is for 29-bit frames when its identifier is written with
// 8 hexadecimal digits (candump sets the extended-frame flag for exactly
// these) or its value exceeds 7FF; otherwise it is for 11-bit frames. A range
// is for 29-bit frames when either end is. A filter never matches a frame of
// the other width; its inverted form therefore matches every frame of the
// other width. A frame's identifier is taken within its width (bits above it
// are not part of it), and so is a mask: candump's flag bits in a mask such as
// C00007FF or DFFFFFFF are dropped, which leaves data and remote frames alike.
//
// Combining, as candump does: a frame is shown when it matches at least one
// filter, an inverted filter matching every frame its plain form does not.
// So "~123" shows all but 11-bit 123, while "~123,~456" shows everything
// (each frame misses one of the two); "~123,~456,j" hides both, as join makes
// a frame match every filter.
//
// Matching walks a small array of precomputed terms: no allocation, a few
// integer operations per filter.
struct FilterError {
    enum class Kind {
        kNone,
        kExpectedHex,    // a hexadecimal number is missing
        kTooManyDigits,  // more than 8 digits
        kIdTooLarge,     // an identifier above 1FFFFFFF
        kRangeReversed,  // a range whose start exceeds its end
        kEmptyItem,      // nothing between two commas, or around one
        kUnexpectedCharacter
    };
    Kind kind = Kind::kNone;
    // 1-based position of the character at fault, counted in characters (a
    // Hangul syllable is one).
    int column = 0;
    // For the user, in Korean, naming the position, e.g.
    // "필터 5번째 글자에 16진수가 빠졌읍니다".
    std::string message;
};

class DisplayFilter {
public:
    // An empty filter: shows every frame.
    DisplayFilter() = default;

    // The filter the text describes, or nothing with the first fault in
    // *error (when error is not null).
    static std::optional<DisplayFilter> Parse(std::string_view text, FilterError* error);

    bool Matches(bool extended, uint32_t id) const;
    bool Matches(const CanFrame& frame) const { return Matches(frame.extended != 0, frame.id); }
    bool ShowsEverything() const { return m_terms.empty(); }

private:
    // One filter: the identifier, within its width, must satisfy
    // (id & mask) == value and low <= id <= low + span; the result is
    // inverted when inverted is set. A mask filter has the full range, a
    // range filter a zero mask.
    struct Term {
        uint32_t mask = 0;
        uint32_t value = 0;
        uint32_t low = 0;
        uint32_t span = 0;
        bool extended = false;
        bool inverted = false;
    };

    std::vector<Term> m_terms;
    bool m_join = false;
};
