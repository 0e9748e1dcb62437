#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Received CAN traffic by identifier: one row per protocol and identifier
// (0x123 as an 11-bit and as a 29-bit identifier are two rows; bits beyond
// the identifier's width are dropped), updated in
// place by every frame: frame type, length, the last data bytes and when each
// byte last changed, the number of frames, and the period between the last
// two arrivals. Rows are kept sorted by identifier, an 11-bit identifier
// before a 29-bit one of the same value.
//
// The table holds at most kMaxRows identifiers: traffic that sweeps through
// identifiers (a bus scan, a fuzzer) would otherwise grow it without end. A
// new identifier beyond that takes the place of the one heard least recently
// (of several heard at the same time, the lowest in row order).
//
// A frame costs O(log n) whether its identifier is known, new or replaces
// another: a sweep brings a new identifier with nearly every frame, at the
// line's full rate. Rows made since the rows were last read are put in order
// when they are next read, one merge for all of them.
class IdTable {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMaxRows = 4096;

    struct Row {
        bool extended = false;
        uint32_t id = 0;
        bool remote = false;
        uint8_t dlc = 0;        // the length code as received (0..8)
        uint8_t dataCount = 0;  // data bytes received with the last frame
        std::array<uint8_t, 8> data{};
        // When each data byte last took a new value; the epoch when it has
        // not changed since the row was made.
        std::array<Clock::time_point, 8> changedAt{};
        uint64_t count = 0;
        Clock::time_point lastArrival{};
        // Between the last two arrivals; negative until a second frame came.
        Clock::duration period = Clock::duration(-1);
    };

    // Counts a frame that arrived at the given time. data holds dataCount
    // bytes (at most 8 are taken).
    void Add(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
             uint8_t dataCount, Clock::time_point at);
    void Clear();

    size_t RowCount() const { return m_rows.size(); }
    // The rows in order. A reference stays good while frames of identifiers
    // in the table arrive; a new identifier or Clear may move rows.
    const Row& RowAt(size_t index) const;
    // Grows with every change, so a view repaints only when it moved.
    uint64_t Revision() const { return m_revision; }

private:
    // A row's last arrival and key (identifier, then protocol) in the heap
    // that finds the row a new identifier replaces.
    struct Heard {
        Clock::time_point lastArrival;
        uint64_t key = 0;
        uint32_t slot = 0;
    };
    static bool HeardEarlier(const Heard& a, const Heard& b);
    void MakeHeap();
    // Moves the heap entry at `at` up or down to where its time puts it.
    void Reheap(size_t at);
    void OrderNewRows() const;

    // Rows by slot: a row keeps its slot while its identifier is in the
    // table, and the row replacing it takes the same slot.
    std::vector<Row> m_rows;
    std::unordered_map<uint64_t, uint32_t> m_slotOf;  // by key
    // A min-heap of every row by (last arrival, key), made when the first row
    // is to be replaced and kept from then on (the table stays full until
    // Clear): its front is the row a new identifier replaces.
    std::vector<Heard> m_heard;
    std::vector<uint32_t> m_heardAt;  // each slot's place in m_heard
    // Slots in row order as the rows were last read, and the slots whose rows
    // are new since then (made, or replacing another).
    mutable std::vector<uint32_t> m_order;
    mutable std::vector<uint32_t> m_newSlots;
    mutable std::vector<bool> m_isNew;  // by slot
    mutable std::vector<uint32_t> m_merged;
    uint64_t m_revision = 0;
};

// The by-identifier view's columns as one fixed-cell line (a Hangul syllable
// two cells, as the list font draws it): protocol, identifier ("%03X" or
// "%08X"), frame type, length code, data bytes, frames counted and the
// period in ms ("-" until a second frame came), the two numbers right-aligned.
std::string IdTableHeaderText();
std::string IdRowText(const IdTable::Row& row);
// The columns of a line made by IdTableHeaderText or IdRowText, each without
// its padding blanks: kIdColumns texts.
inline constexpr int kIdColumns = 7;
std::vector<std::string> IdTableColumns(std::string_view line);
// The cell where the first data byte's two digits begin; byte i at 3 * i more.
inline constexpr int kIdDataFirstCell = 39;

// The message name column a view may show after the others, two blanks
// away: at most kIdNameCells cells of the name, "…" ending a name that had to
// be cut. Cuts fall between whole characters.
inline constexpr int kIdNameCells = 32;
std::string IdNameCut(std::string_view name);
// The line with the name column: IdTableHeaderText or IdRowText and the
// (cut) name, or the caption "메시지" for the header.
std::string IdNamedLine(std::string_view line, std::string_view name);
std::string IdNamedHeaderText();
