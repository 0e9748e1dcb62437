#include "filter/DisplayFilter.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Probe {
    bool extended;
    uint32_t id;
    bool shown;
};

// Shorthands for the probes: an 11-bit or a 29-bit frame, shown or hidden.
Probe A(uint32_t id, bool shown)
{
    return {false, id, shown};
}
Probe B(uint32_t id, bool shown)
{
    return {true, id, shown};
}

TEST(DisplayFilter, ShowsWhatTheTextSelects)
{
    const struct {
        const char* text;
        std::vector<Probe> probes;
    } cases[] = {
        {"", {A(0x123, true), B(0x18FEF100, true)}},
        {"j", {A(0x123, true), B(0x123, true)}},
        // Identifier and mask; an 11-bit frame's identifier beyond 11 bits is
        // not part of it.
        {"123:7FF", {A(0x123, true), A(0x124, false), B(0x123, false), A(0xF123, true)}},
        {"123:700", {A(0x100, true), A(0x1FF, true), A(0x0FF, false), A(0x200, false)}},
        {"0:0", {A(0x000, true), A(0x7FF, true), B(0x000, false)}},
        {"123", {A(0x123, true), A(0x122, false)}},
        // Inverted, in both spellings: every other frame, of either width.
        {"123~7FF", {A(0x123, false), A(0x124, true), B(0x123, true)}},
        {"~123:7FF", {A(0x123, false), A(0x124, true), B(0x123, true)}},
        {"~123", {A(0x123, false), B(0x18FEF100, true)}},
        // Width: 8 digits or a value above 7FF make a 29-bit filter.
        {"0123", {A(0x123, true), B(0x123, false)}},
        {"00000123", {A(0x123, false), B(0x123, true)}},
        {"800", {B(0x800, true), A(0x000, false)}},
        {"18FEF100:1FFFFFFF",
         {B(0x18FEF100, true), B(0x18FEF101, false), B(0xF8FEF100, true), A(0x100, false)}},
        {"18FEF100:1FFFF00", {B(0x18FEF1AB, true), B(0x18FEF200, false)}},
        // candump's flag bits in a mask are dropped.
        {"123:C00007FF", {A(0x123, true), B(0x123, false)}},
        {"12345678:DFFFFFFF", {B(0x12345678, true), B(0x12345679, false)}},
        // Ranges, both ends included.
        {"100-1FF",
         {A(0x0FF, false), A(0x100, true), A(0x1FF, true), A(0x200, false), B(0x150, false)}},
        {"~100-1FF", {A(0x150, false), A(0x200, true), B(0x150, true)}},
        {"100-18FEF100",
         {B(0x100, true), B(0x18FEF100, true), B(0x18FEF101, false), A(0x100, false)}},
        {"00000100-200", {B(0x150, true), A(0x150, false)}},
        // Any filter shows a frame; with join every filter must.
        {"123,456", {A(0x123, true), A(0x456, true), A(0x789, false)}},
        {"~123,~456", {A(0x123, true), A(0x456, true), A(0x789, true)}},
        {"~123,~456,j", {A(0x123, false), A(0x456, false), A(0x789, true), B(0x123, true)}},
        {"100-1FF,~150,J", {A(0x150, false), A(0x151, true), A(0x200, false)}},
        {" 123 : 7ff , ~ 456 ", {A(0x123, true), A(0x456, false), A(0x789, true)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FilterError error;
        error.kind = FilterError::Kind::kEmptyItem;
        const std::optional<DisplayFilter> filter = DisplayFilter::Parse(c.text, &error);
        ASSERT_TRUE(filter.has_value()) << error.message;
        EXPECT_EQ(error.kind, FilterError::Kind::kNone);
        for (const Probe& probe : c.probes) {
            CanFrame frame;
            frame.extended = probe.extended ? 1 : 0;
            frame.id = probe.id;
            EXPECT_EQ(filter->Matches(frame), probe.shown)
                << (probe.extended ? "29-bit " : "11-bit ") << std::hex << probe.id;
        }
    }
}

TEST(DisplayFilter, RefusesTextWithTheFaultAndItsPosition)
{
    using Kind = FilterError::Kind;
    const struct {
        const char* text;
        Kind kind;
        int column;
        const char* message;
    } cases[] = {
        {"123:", Kind::kExpectedHex, 5, "필터 5번째 글자에 16진수가 빠졌읍니다"},
        {":7FF", Kind::kExpectedHex, 1, "필터 1번째 글자에 16진수가 빠졌읍니다"},
        {"123-", Kind::kExpectedHex, 5, "필터 5번째 글자에 16진수가 빠졌읍니다"},
        {"1,123456789", Kind::kTooManyDigits, 3, "필터 3번째 글자의 16진수가 8자리를 넘었읍니다"},
        {"123:100000000", Kind::kTooManyDigits, 5, "필터 5번째 글자의 16진수가 8자리를 넘었읍니다"},
        {"20000000", Kind::kIdTooLarge, 1, "필터 1번째 글자의 ID가 29비트(1FFFFFFF)를 넘었읍니다"},
        {"100-20000000", Kind::kIdTooLarge, 5,
         "필터 5번째 글자의 ID가 29비트(1FFFFFFF)를 넘었읍니다"},
        {"200-100", Kind::kRangeReversed, 1,
         "필터 1번째 글자의 범위는 시작이 끝보다 커서 맞는 ID가 없읍니다"},
        {"123,,456", Kind::kEmptyItem, 5, "필터 5번째 글자에 비어 있는 항목이 있읍니다"},
        {"123, ", Kind::kEmptyItem, 4, "필터 4번째 글자에 비어 있는 항목이 있읍니다"},
        {",123", Kind::kEmptyItem, 1, "필터 1번째 글자에 비어 있는 항목이 있읍니다"},
        {"12G", Kind::kUnexpectedCharacter, 3, "필터 3번째 글자(G)는 쓸 수 없읍니다"},
        {"~123~7FF", Kind::kUnexpectedCharacter, 5, "필터 5번째 글자(~)는 쓸 수 없읍니다"},
        {"123:7FF:1", Kind::kUnexpectedCharacter, 8, "필터 8번째 글자(:)는 쓸 수 없읍니다"},
        {"12 34", Kind::kUnexpectedCharacter, 4, "필터 4번째 글자(3)는 쓸 수 없읍니다"},
        {"#FF", Kind::kUnexpectedCharacter, 1, "필터 1번째 글자(#)는 쓸 수 없읍니다"},
        // Positions count characters, not bytes.
        {"가123", Kind::kUnexpectedCharacter, 1, "필터 1번째 글자(가)는 쓸 수 없읍니다"},
        {"123 가", Kind::kUnexpectedCharacter, 5, "필터 5번째 글자(가)는 쓸 수 없읍니다"},
        {"1\x01", Kind::kUnexpectedCharacter, 2, "필터 2번째 글자(\\x01)는 쓸 수 없읍니다"},
        {"1\xEA\xB0", Kind::kUnexpectedCharacter, 2, "필터 2번째 글자(\\xEA)는 쓸 수 없읍니다"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FilterError error;
        EXPECT_FALSE(DisplayFilter::Parse(c.text, &error).has_value());
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_EQ(error.column, c.column);
        EXPECT_EQ(error.message, c.message);
        EXPECT_FALSE(DisplayFilter::Parse(c.text, nullptr).has_value());
    }
}

}  // namespace
