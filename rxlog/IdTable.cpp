#include "rxlog/IdTable.h"

#include <algorithm>
#include <tuple>

void IdTable::Add(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
                  uint8_t dataCount, Clock::time_point at)
{
    const auto key = std::make_tuple(id, extended);
    auto found = std::lower_bound(m_rows.begin(), m_rows.end(), key, [](const Row& row, auto k) {
        return std::make_tuple(row.id, row.extended) < k;
    });
    const bool fresh = found == m_rows.end() || found->id != id || found->extended != extended;
    if (fresh) {
        Row row;
        row.extended = extended;
        row.id = id;
        found = m_rows.insert(found, row);
    }
    Row& row = *found;
    const uint8_t count = std::min<uint8_t>(dataCount, 8);
    for (uint8_t i = 0; i < count; ++i) {
        if (!fresh && (i >= row.dataCount || row.data[i] != data[i])) {
            row.changedAt[i] = at;
        }
        row.data[i] = data[i];
    }
    row.remote = remote;
    row.dlc = dlc;
    row.dataCount = count;
    if (row.count > 0) {
        row.period = at - row.lastArrival;
    }
    row.lastArrival = at;
    ++row.count;
    ++m_revision;
}

void IdTable::Clear()
{
    m_rows.clear();
    ++m_revision;
}
