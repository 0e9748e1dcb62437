#include <string>

#include <gtest/gtest.h>

#include "common/TextFormat.h"
#include "rxlog/IdTable.h"

namespace {

TEST(IdNameColumn, NamesLongerThanTheColumnAreCutBetweenCharacters)
{
    const std::string fits(kIdNameCells, 'A');
    // Hangul takes two cells: 16 syllables fill the column exactly.
    std::string hangulFits;
    for (int i = 0; i < kIdNameCells / 2; ++i) {
        hangulFits += "가";
    }
    const struct {
        std::string name;
        std::string shown;
    } cases[] = {
        {"", ""},
        {"EngineData", "EngineData"},
        {fits, fits},
        {fits + "B", std::string(kIdNameCells - 2, 'A') + "…"},
        {hangulFits, hangulFits},
        // 30 cells of room before the ellipsis: "A" and 14 syllables take 29,
        // the next syllable would take 31.
        {"A" + hangulFits, "A" + hangulFits.substr(0, 14 * 3) + "…"},
    };
    for (const auto& c : cases) {
        const std::string shown = IdNameCut(c.name);
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_LE(Cp949Width(shown), kIdNameCells) << c.name;
    }
}

TEST(IdNameColumn, FollowsTheLastColumnTwoBlanksAway)
{
    IdTable table;
    const uint8_t data[1] = {0x42};
    table.Add(false, 0x123, false, 1, data, 1, IdTable::Clock::now());
    const std::string row = IdRowText(table.RowAt(0));
    EXPECT_EQ(IdNamedLine(row, "EngineData"), row + "  EngineData");
    EXPECT_EQ(IdNamedHeaderText(), IdTableHeaderText() + "  메시지");
    // The seven columns read from a named line are those of the plain one.
    EXPECT_EQ(IdTableColumns(IdNamedLine(row, "EngineData")), IdTableColumns(row));
}

}  // namespace
