#include "txlist/TransmitRow.h"

#include <array>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

TEST(TransmitRow, ColumnTextsOfAnEntry)
{
    constexpr uint32_t kHigh = 0x11223344, kLow = 0x55667788;
    // Entries and the texts of their five columns.
    const std::pair<TDataEntry, std::array<std::string, 5>> rows[] = {
        {{nullptr, 1, 1, 1, 2, 0x123, kHigh, kLow},
         {"CAN2.0A", "Data Frame", "01 23", "2", "11 22"}},
        {{nullptr, 1, 1, 1, 0, 0xFFFF, kHigh, kLow}, {"CAN2.0A", "Data Frame", "07 FF", "0", ""}},
        {{nullptr, 0, 1, 1, 3, 0x123, kHigh, kLow},
         {"CAN2.0B", "Data Frame", "00 00 01 23", "3", "11 22 33"}},
        {{nullptr, 0, 1, 1, 8, 0xFFFFFFFF, kHigh, kLow},
         {"CAN2.0B", "Data Frame", "1F FF FF FF", "8", "11 22 33 44 55 66 77 88"}},
        // A remote frame read from a file with a length shows its bytes.
        {{nullptr, 0, 0, 1, 2, 0x1, kHigh, kLow},
         {"CAN2.0B", "Remote Frame", "00 00 00 01", "2", "11 22"}},
        // A length above 8 (only from a file) never shows more than 8 bytes.
        {{nullptr, 1, 1, 1, 12, 0x7FF, kHigh, kLow},
         {"CAN2.0A", "Data Frame", "07 FF", "12", "11 22 33 44 55 66 77 88"}},
    };
    for (const auto& [entry, texts] : rows) {
        EXPECT_EQ(TransmitRowTexts(entry), texts) << texts[2];
    }
}

}  // namespace
