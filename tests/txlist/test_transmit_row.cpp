#include "txlist/TransmitRow.h"

#include <gtest/gtest.h>

namespace {

TDataEntry Entry(uint32_t standard, uint32_t dataFrame, uint8_t dlc, uint32_t id,
                 uint32_t dataHigh = 0x11223344, uint32_t dataLow = 0x55667788)
{
    TDataEntry entry;
    entry.standard = standard;
    entry.dataFrame = dataFrame;
    entry.dlc = dlc;
    entry.id = id;
    entry.dataHigh = dataHigh;
    entry.dataLow = dataLow;
    return entry;
}

TEST(TransmitRow, ColumnTextsOfAnEntry)
{
    struct Row {
        TDataEntry entry;
        std::array<std::string, 5> texts;
    };
    const Row rows[] = {
        {Entry(1, 1, 2, 0x123), {"CAN2.0A", "Data Frame", "01 23", "2", "11 22"}},
        {Entry(1, 1, 0, 0xFFFF), {"CAN2.0A", "Data Frame", "07 FF", "0", ""}},
        {Entry(0, 1, 3, 0x00000123), {"CAN2.0B", "Data Frame", "00 00 01 23", "3", "11 22 33"}},
        {Entry(0, 1, 8, 0xFFFFFFFF),
         {"CAN2.0B", "Data Frame", "1F FF FF FF", "8", "11 22 33 44 55 66 77 88"}},
        // A remote frame read from a file with a length shows its bytes.
        {Entry(0, 0, 2, 0x1), {"CAN2.0B", "Remote Frame", "00 00 00 01", "2", "11 22"}},
        // A length above 8 (only from a file) never shows more than 8 bytes.
        {Entry(1, 1, 12, 0x7FF),
         {"CAN2.0A", "Data Frame", "07 FF", "12", "11 22 33 44 55 66 77 88"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TransmitRowTexts(row.entry), row.texts) << row.texts[2];
    }
}

}  // namespace
