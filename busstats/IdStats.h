#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

// Timing by identifier: one row per protocol and identifier (0x123 as an
// 11-bit and as a 29-bit identifier are two rows; bits beyond the identifier's
// width are dropped), with the number of frames, the bits they took on the bus
// and the period between arrivals: shortest, mean, longest and jitter (the
// standard deviation of the periods seen, kept with Welford's running
// update, so no period is stored).
//
// At most kMaxRows identifiers, like the by-identifier view: a new identifier
// beyond that takes the place of the one heard least recently. Every frame
// costs a hash look-up and a move to the front of a recency list, whatever
// the number of rows; the storage is made once, so nothing is allocated per
// frame and the memory does not grow however long it runs.
class IdStatsTable {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMaxRows = 4096;

    struct Row {
        bool extended = false;
        uint32_t id = 0;
        uint64_t count = 0;
        // Bus bits without stuffing since the row was made.
        uint64_t bits = 0;
        Clock::time_point lastArrival{};
        // Of the count - 1 periods between arrivals, in milliseconds; 0 until
        // a second frame came.
        double minPeriodMs = 0;
        double meanPeriodMs = 0;
        double maxPeriodMs = 0;
        // Welford's sum of squared deviations from the mean period.
        double squaredDeviations = 0;

        uint64_t PeriodCount() const { return count > 0 ? count - 1 : 0; }
        // Standard deviation of the periods (of all of them, not an estimate
        // from a sample), in milliseconds; 0 until a second frame came.
        double JitterMs() const;
    };

    IdStatsTable();

    // A frame of the given bus bits that arrived at the given time. Arrivals
    // are expected in time order; one earlier than the last counts a period
    // of 0.
    void Add(bool extended, uint32_t id, uint32_t bits, Clock::time_point at);
    void Clear();

    size_t RowCount() const { return m_rows.size(); }
    // In no particular order; see SortedRows.
    const Row& RowAt(size_t index) const { return m_rows[index]; }
    // The rows by identifier, an 11-bit identifier before a 29-bit one of the
    // same value.
    std::vector<const Row*> SortedRows() const;

private:
    static constexpr size_t kSlots = kMaxRows * 2;
    static constexpr uint16_t kNone = 0xFFFF;

    struct Link {
        uint16_t newer = kNone;
        uint16_t older = kNone;
    };

    static uint32_t Key(bool extended, uint32_t id);
    static size_t Home(uint32_t key);
    void Unlink(uint16_t row);
    void PushNewest(uint16_t row);
    void EraseFromIndex(uint16_t row);

    std::vector<Row> m_rows;
    std::array<Link, kMaxRows> m_links{};
    // Open addressing with linear probing: 0 is an empty slot, otherwise the
    // row's index plus 1.
    std::array<uint16_t, kSlots> m_index{};
    uint16_t m_newest = kNone;
    uint16_t m_oldest = kNone;
};
