#include "rxlog/IdTable.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = IdTable::Clock;

const Clock::time_point kStart = Clock::time_point(1h);

TEST(IdTable, OneRowPerProtocolAndIdentifierSortedByIdentifier)
{
    IdTable table;
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    // extended, id, arrival offset
    const struct {
        bool extended;
        uint32_t id;
        std::chrono::milliseconds at;
    } frames[] = {{true, 0x123, 0ms},  {false, 0x7FF, 1ms},  {false, 0x123, 2ms},
                  {true, 0x123, 12ms}, {false, 0x001, 13ms}, {true, 0x123, 22ms}};
    for (const auto& frame : frames) {
        table.Add(frame.extended, frame.id, false, 8, data, 8, kStart + frame.at);
    }
    ASSERT_EQ(table.RowCount(), 4u);
    const struct {
        bool extended;
        uint32_t id;
        uint64_t count;
        Clock::duration period;
    } expected[] = {{false, 0x001, 1, Clock::duration(-1)},
                    {false, 0x123, 1, Clock::duration(-1)},
                    {true, 0x123, 3, 10ms},
                    {false, 0x7FF, 1, Clock::duration(-1)}};
    for (size_t i = 0; i < table.RowCount(); ++i) {
        const IdTable::Row& row = table.RowAt(i);
        EXPECT_EQ(row.extended, expected[i].extended) << i;
        EXPECT_EQ(row.id, expected[i].id) << i;
        EXPECT_EQ(row.count, expected[i].count) << i;
        EXPECT_EQ(row.period, expected[i].period) << i;
    }
    const uint64_t revision = table.Revision();
    table.Clear();
    EXPECT_EQ(table.RowCount(), 0u);
    EXPECT_GT(table.Revision(), revision);
}

TEST(IdTable, KeepsTheLastFrameAndWhenEachByteChanged)
{
    IdTable table;
    const uint8_t first[3] = {0x11, 0x22, 0x33};
    const uint8_t second[3] = {0x11, 0x99, 0x33};
    table.Add(false, 0x100, false, 3, first, 3, kStart);
    table.Add(false, 0x100, false, 3, second, 3, kStart + 5ms);
    const IdTable::Row& row = table.RowAt(0);
    EXPECT_EQ(row.data[1], 0x99);
    EXPECT_EQ(row.changedAt[0], Clock::time_point());
    EXPECT_EQ(row.changedAt[1], kStart + 5ms);
    EXPECT_EQ(row.changedAt[2], Clock::time_point());

    // A remote frame with its length code and no data bytes.
    table.Add(false, 0x100, true, 8, nullptr, 0, kStart + 7ms);
    EXPECT_TRUE(row.remote);
    EXPECT_EQ(row.dlc, 8);
    EXPECT_EQ(row.dataCount, 0);
    EXPECT_EQ(row.period, 2ms);
}

TEST(IdTable, ANewIdentifierBeyondTheLimitReplacesTheOneHeardLeastRecently)
{
    IdTable table;
    for (uint32_t id = 0; id < IdTable::kMaxRows; ++id) {
        table.Add(true, id * 2, false, 0, nullptr, 0, kStart + std::chrono::microseconds(id));
    }
    table.Add(true, 0, false, 0, nullptr, 0, kStart + 1h);  // heard again: now the newest
    table.Add(true, 7, false, 0, nullptr, 0, kStart + 2h);  // evicts 2, the least recent
    ASSERT_EQ(table.RowCount(), IdTable::kMaxRows);
    EXPECT_EQ(table.RowAt(0).id, 0u);
    EXPECT_EQ(table.RowAt(1).id, 4u);
    EXPECT_EQ(table.RowAt(2).id, 6u);
    EXPECT_EQ(table.RowAt(3).id, 7u);
}

TEST(IdTable, RowsAndHeaderAsTheViewShowsThem)
{
    IdTable table;
    const uint8_t data[2] = {0x0A, 0xFF};
    table.Add(true, 0x18FF50E5, false, 2, data, 2, kStart);
    table.Add(true, 0x18FF50E5, false, 2, data, 2, kStart + 12500us);
    table.Add(false, 0xFFFF, true, 8, nullptr, 0, kStart);
    EXPECT_EQ(
        IdTableHeaderText(),
        "프로토콜 ID        프레임        길이  데이터                    수신 횟수    주기(ms)");
    EXPECT_EQ(
        IdRowText(table.RowAt(0)),
        "CAN2.0A  7FF       Remote Frame  8                                       1           -");
    EXPECT_EQ(
        IdRowText(table.RowAt(1)),
        "CAN2.0B  18FF50E5  Data Frame    2     0A FF                             2        12.5");
}

TEST(IdTable, ColumnsCutAtTheirCellsWithoutPadding)
{
    using Columns = std::vector<std::string>;
    const struct {
        std::string line;
        Columns columns;
    } cases[] = {
        {IdTableHeaderText(),
         {"프로토콜", "ID", "프레임", "길이", "데이터", "수신 횟수", "주기(ms)"}},
        {"CAN2.0A  7FF       Remote Frame  8                                       1           -",
         {"CAN2.0A", "7FF", "Remote Frame", "8", "", "1", "-"}},
        {"CAN2.0B  18FF50E5  Data Frame    8     01 02 03 04 05 06 07 08  4294967296      1000.5",
         {"CAN2.0B", "18FF50E5", "Data Frame", "8", "01 02 03 04 05 06 07 08", "4294967296",
          "1000.5"}},
        // A short line leaves the columns it does not reach empty.
        {"CAN2.0A  123", {"CAN2.0A", "123", "", "", "", "", ""}},
        {"", Columns(kIdColumns)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IdTableColumns(c.line), c.columns) << c.line;
    }
}

}  // namespace
