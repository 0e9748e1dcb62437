#include "busstats/IdStats.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr uint32_t kExtendedKeyBit = 1u << 29;

}  // namespace

double IdStatsTable::Row::JitterMs() const
{
    const uint64_t periods = PeriodCount();
    return periods == 0 ? 0.0 : std::sqrt(squaredDeviations / static_cast<double>(periods));
}

IdStatsTable::IdStatsTable()
{
    m_rows.reserve(kMaxRows);
}

uint32_t IdStatsTable::Key(bool extended, uint32_t id)
{
    return extended ? (id & 0x1FFFFFFFu) | kExtendedKeyBit : id & 0x7FFu;
}

size_t IdStatsTable::Home(uint32_t key)
{
    static_assert(kSlots == 1u << 13);
    return (key * 0x9E3779B1u) >> (32 - 13);
}

void IdStatsTable::Unlink(uint16_t row)
{
    const Link link = m_links[row];
    if (link.newer != kNone) {
        m_links[link.newer].older = link.older;
    } else {
        m_newest = link.older;
    }
    if (link.older != kNone) {
        m_links[link.older].newer = link.newer;
    } else {
        m_oldest = link.newer;
    }
    m_links[row] = Link{};
}

void IdStatsTable::PushNewest(uint16_t row)
{
    m_links[row] = Link{kNone, m_newest};
    if (m_newest != kNone) {
        m_links[m_newest].newer = row;
    }
    m_newest = row;
    if (m_oldest == kNone) {
        m_oldest = row;
    }
}

void IdStatsTable::EraseFromIndex(uint16_t row)
{
    const Row& erased = m_rows[row];
    size_t hole = Home(Key(erased.extended, erased.id));
    while (m_index[hole] != row + 1) {
        hole = (hole + 1) % kSlots;
    }
    // Backward-shift deletion: pull later entries of the probe run into the
    // hole unless their home lies between the hole and where they sit.
    for (size_t next = (hole + 1) % kSlots; m_index[next] != 0; next = (next + 1) % kSlots) {
        const Row& moved = m_rows[m_index[next] - 1u];
        const size_t home = Home(Key(moved.extended, moved.id));
        const bool stays =
            hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (!stays) {
            m_index[hole] = m_index[next];
            hole = next;
        }
    }
    m_index[hole] = 0;
}

void IdStatsTable::Add(bool extended, uint32_t id, uint32_t bits, Clock::time_point at)
{
    const uint32_t key = Key(extended, id);
    size_t slot = Home(key);
    while (m_index[slot] != 0) {
        const Row& row = m_rows[m_index[slot] - 1u];
        if (Key(row.extended, row.id) == key) {
            break;
        }
        slot = (slot + 1) % kSlots;
    }
    uint16_t index;
    if (m_index[slot] != 0) {
        index = static_cast<uint16_t>(m_index[slot] - 1u);
        Unlink(index);
    } else {
        if (m_rows.size() < kMaxRows) {
            index = static_cast<uint16_t>(m_rows.size());
            m_rows.emplace_back();
        } else {
            index = m_oldest;
            Unlink(index);
            EraseFromIndex(index);
            // The erasure may have shifted the probe run the new key ends in.
            slot = Home(key);
            while (m_index[slot] != 0) {
                slot = (slot + 1) % kSlots;
            }
        }
        m_rows[index] = Row{};
        m_rows[index].extended = extended;
        m_rows[index].id = key & ~kExtendedKeyBit;
        m_index[slot] = static_cast<uint16_t>(index + 1u);
    }
    PushNewest(index);

    Row& row = m_rows[index];
    if (row.count > 0) {
        const double period =
            std::max(0.0, std::chrono::duration<double, std::milli>(at - row.lastArrival).count());
        const auto periods = static_cast<double>(row.count);
        if (row.count == 1) {
            row.minPeriodMs = row.maxPeriodMs = row.meanPeriodMs = period;
        } else {
            row.minPeriodMs = std::min(row.minPeriodMs, period);
            row.maxPeriodMs = std::max(row.maxPeriodMs, period);
            const double delta = period - row.meanPeriodMs;
            row.meanPeriodMs += delta / periods;
            row.squaredDeviations += delta * (period - row.meanPeriodMs);
        }
    }
    row.lastArrival = std::max(row.lastArrival, at);
    ++row.count;
    row.bits += bits;
}

void IdStatsTable::Clear()
{
    m_rows.clear();
    m_links.fill(Link{});
    m_index.fill(0);
    m_newest = kNone;
    m_oldest = kNone;
}

std::vector<const IdStatsTable::Row*> IdStatsTable::SortedRows() const
{
    std::vector<const Row*> sorted;
    sorted.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        sorted.push_back(&row);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Row* a, const Row* b) {
        return std::tie(a->id, a->extended) < std::tie(b->id, b->extended);
    });
    return sorted;
}
