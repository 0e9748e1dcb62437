#include "rxlog/IdTable.h"

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

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

// The table as a sorted vector searched, scanned and shifted for every
// frame: slow, and plainly what the table must show.
class ReferenceTable {
public:
    struct Entry {
        uint32_t id;
        bool extended;
        uint64_t count;
        Clock::time_point last;
        Clock::duration period;
    };

    void Add(bool extended, uint32_t id, Clock::time_point at)
    {
        id &= extended ? 0x1FFFFFFFu : 0x7FFu;
        const auto key = std::make_tuple(id, extended);
        auto found = std::lower_bound(
            m_rows.begin(), m_rows.end(), key,
            [](const Entry& e, auto k) { return std::make_tuple(e.id, e.extended) < k; });
        if (found == m_rows.end() || found->id != id || found->extended != extended) {
            if (m_rows.size() == IdTable::kMaxRows) {
                const auto oldest = std::min_element(
                    m_rows.begin(), m_rows.end(),
                    [](const Entry& a, const Entry& b) { return a.last < b.last; });
                found -= oldest < found ? 1 : 0;
                m_rows.erase(oldest);
            }
            found = m_rows.insert(found, {id, extended, 0, {}, Clock::duration(-1)});
        }
        if (found->count++ > 0) {
            found->period = at - found->last;
        }
        found->last = at;
    }
    void Clear() { m_rows.clear(); }
    const std::vector<Entry>& Rows() const { return m_rows; }

private:
    std::vector<Entry> m_rows;
};

TEST(IdTable, RowsAndEvictionsMatchASimpleSortedTableAcrossTheLimit)
{
    const struct {
        const char* name;
        uint32_t ids;    // identifiers 0..ids-1 of either width
        int sameTime;    // frames stamped with one time before the clock moves
        bool backwards;  // a frame in ten is stamped before the one ahead of it
        int readEvery;   // rows read after 1..readEvery frames
        int frames;
        int clearAt;  // -1: never
    } cases[] = {
        {"sweep past the limit, read often", 8000, 1, false, 12, 9000, -1},
        {"frames sharing a time", 4000, 16, false, 60, 10000, -1},
        {"times out of order", 4000, 1, true, 200, 10000, -1},
        {"read seldom, cleared when full", 9000, 1, false, 3000, 14000, 7000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(7);
        std::uniform_int_distribution<uint32_t> id(0, c.ids - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> read(1, c.readEvery);
        IdTable table;
        ReferenceTable reference;
        Clock::time_point now = kStart;
        uint64_t revision = table.Revision();
        int untilRead = read(random);
        for (int frame = 0; frame < c.frames; ++frame) {
            if (frame == c.clearAt) {
                table.Clear();
                reference.Clear();
                ++revision;
            }
            if (frame % c.sameTime == 0) {
                now += 1us;
            }
            const bool back = c.backwards && frame % 10 == 9;
            const Clock::time_point at = back ? now - 4us * id(random) : now;
            const bool extended = byte(random) & 1;
            // Bits beyond either width make no identifier of their own.
            const uint32_t value = id(random) | (byte(random) & 1 ? 0xE0000000u : 0);
            const uint8_t data[1] = {static_cast<uint8_t>(byte(random))};
            table.Add(extended, value, false, 1, data, 1, at);
            reference.Add(extended, value, at);
            ++revision;
            if (--untilRead > 0) {
                continue;
            }
            untilRead = read(random);
            ASSERT_EQ(table.RowCount(), reference.Rows().size()) << frame;
            ASSERT_EQ(table.Revision(), revision) << frame;
            // The first row unlike the reference's; a row made anew, also in
            // a replaced row's place, has seen no byte change.
            size_t unlike = 0;
            while (unlike < table.RowCount()) {
                const IdTable::Row& row = table.RowAt(unlike);
                const ReferenceTable::Entry& want = reference.Rows()[unlike];
                if (std::tie(row.id, row.extended, row.count, row.lastArrival, row.period) !=
                        std::tie(want.id, want.extended, want.count, want.last, want.period) ||
                    (row.count == 1 && row.changedAt[0] != Clock::time_point())) {
                    break;
                }
                ++unlike;
            }
            ASSERT_EQ(unlike, table.RowCount()) << "frame " << frame;
        }
    }
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
