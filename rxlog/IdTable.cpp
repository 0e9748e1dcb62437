#include "rxlog/IdTable.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

#include "common/TextFormat.h"

namespace {

// Identifier, then protocol: the rows' order.
uint64_t KeyOf(bool extended, uint32_t id)
{
    return uint64_t{id} << 1 | (extended ? 1u : 0u);
}

uint64_t KeyOf(const IdTable::Row& row)
{
    return KeyOf(row.extended, row.id);
}

}  // namespace

void IdTable::Add(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
                  uint8_t dataCount, Clock::time_point at)
{
    // The identifier as shown: bits beyond its width are not part of it.
    id &= extended ? 0x1FFFFFFFu : 0x7FFu;
    const uint64_t key = KeyOf(extended, id);
    const auto found = m_slotOf.find(key);
    const bool fresh = found == m_slotOf.end();
    uint32_t slot = 0;
    if (!fresh) {
        slot = found->second;
    } else if (m_rows.size() < kMaxRows) {
        slot = static_cast<uint32_t>(m_rows.size());
        m_rows.emplace_back();
        m_isNew.push_back(false);
        m_slotOf.emplace(key, slot);
    } else {
        if (m_heard.empty()) {
            MakeHeap();
        }
        // The least recently heard row gives its slot and its map node up.
        slot = m_heard.front().slot;
        auto node = m_slotOf.extract(m_heard.front().key);
        node.key() = key;
        m_slotOf.insert(std::move(node));
        m_rows[slot] = Row();
    }
    Row& row = m_rows[slot];
    if (fresh) {
        row.extended = extended;
        row.id = id;
        if (!m_isNew[slot]) {
            m_isNew[slot] = true;
            m_newSlots.push_back(slot);
        }
    }
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
    if (!m_heard.empty()) {
        const size_t heardAt = m_heardAt[slot];
        m_heard[heardAt].lastArrival = at;
        m_heard[heardAt].key = key;
        Reheap(heardAt);
    }
    ++m_revision;
}

void IdTable::Clear()
{
    m_rows.clear();
    m_slotOf.clear();
    m_heard.clear();
    m_heardAt.clear();
    m_order.clear();
    m_newSlots.clear();
    m_isNew.clear();
    ++m_revision;
}

const IdTable::Row& IdTable::RowAt(size_t index) const
{
    if (!m_newSlots.empty()) {
        OrderNewRows();
    }
    return m_rows[m_order[index]];
}

bool IdTable::HeardEarlier(const Heard& a, const Heard& b)
{
    return a.lastArrival != b.lastArrival ? a.lastArrival < b.lastArrival : a.key < b.key;
}

void IdTable::MakeHeap()
{
    m_heard.resize(m_rows.size());
    for (size_t slot = 0; slot < m_rows.size(); ++slot) {
        m_heard[slot] = {m_rows[slot].lastArrival, KeyOf(m_rows[slot]),
                         static_cast<uint32_t>(slot)};
    }
    std::make_heap(m_heard.begin(), m_heard.end(),
                   [](const Heard& a, const Heard& b) { return HeardEarlier(b, a); });
    m_heardAt.resize(m_rows.size());
    for (size_t at = 0; at < m_heard.size(); ++at) {
        m_heardAt[m_heard[at].slot] = static_cast<uint32_t>(at);
    }
}

void IdTable::Reheap(size_t at)
{
    const Heard moving = m_heard[at];
    while (at > 0 && HeardEarlier(moving, m_heard[(at - 1) / 2])) {
        const size_t parent = (at - 1) / 2;
        m_heard[at] = m_heard[parent];
        m_heardAt[m_heard[at].slot] = static_cast<uint32_t>(at);
        at = parent;
    }
    for (;;) {
        size_t child = 2 * at + 1;
        if (child >= m_heard.size()) {
            break;
        }
        if (child + 1 < m_heard.size() && HeardEarlier(m_heard[child + 1], m_heard[child])) {
            ++child;
        }
        if (!HeardEarlier(m_heard[child], moving)) {
            break;
        }
        m_heard[at] = m_heard[child];
        m_heardAt[m_heard[at].slot] = static_cast<uint32_t>(at);
        at = child;
    }
    m_heard[at] = moving;
    m_heardAt[moving.slot] = static_cast<uint32_t>(at);
}

void IdTable::OrderNewRows() const
{
    const auto keyLess = [this](uint32_t a, uint32_t b) {
        return KeyOf(m_rows[a]) < KeyOf(m_rows[b]);
    };
    std::sort(m_newSlots.begin(), m_newSlots.end(), keyLess);
    // A slot in the old order whose row was replaced holds one of the new
    // rows now: it leaves its old place and comes in with the new ones.
    std::erase_if(m_order, [this](uint32_t slot) { return m_isNew[slot]; });
    m_merged.clear();
    std::merge(m_order.begin(), m_order.end(), m_newSlots.begin(), m_newSlots.end(),
               std::back_inserter(m_merged), keyLess);
    m_order.swap(m_merged);
    for (const uint32_t slot : m_newSlots) {
        m_isNew[slot] = false;
    }
    m_newSlots.clear();
}

namespace {

// Column widths in cells, each with its two blanks of spacing.
constexpr int kProtocolCells = 9;
constexpr int kIdCells = 10;
constexpr int kFrameCells = 14;
constexpr int kLengthCells = 6;
constexpr int kDataCells = 25;
constexpr int kNumberCells = 12;
static_assert(kIdDataFirstCell == kProtocolCells + kIdCells + kFrameCells + kLengthCells);

void AppendRight(std::string& out, std::string_view text, int width)
{
    out.append(static_cast<size_t>(std::max(0, width - Cp949Width(text))), ' ');
    out += text;
}

}  // namespace

std::string IdTableHeaderText()
{
    std::string text;
    AppendPadded(text, "프로토콜", kProtocolCells);
    AppendPadded(text, "ID", kIdCells);
    AppendPadded(text, "프레임", kFrameCells);
    AppendPadded(text, "길이", kLengthCells);
    AppendPadded(text, "데이터", kDataCells);
    AppendRight(text, "수신 횟수", kNumberCells - 2);
    AppendRight(text, "주기(ms)", kNumberCells);
    return text;
}

std::string IdRowText(const IdTable::Row& row)
{
    std::string text;
    char field[32];
    AppendPadded(text, row.extended ? "CAN2.0B" : "CAN2.0A", kProtocolCells);
    std::snprintf(field, sizeof field, row.extended ? "%08X" : "%03X", row.id);
    AppendPadded(text, field, kIdCells);
    AppendPadded(text, row.remote ? "Remote Frame" : "Data Frame", kFrameCells);
    AppendPadded(text, std::to_string(row.dlc), kLengthCells);
    AppendPadded(text, HexBytesText(row.data.data(), row.dataCount), kDataCells);
    AppendRight(text, std::to_string(row.count), kNumberCells - 2);
    if (row.period.count() < 0) {
        AppendRight(text, "-", kNumberCells);
    } else {
        std::snprintf(field, sizeof field, "%.1f",
                      std::chrono::duration<double, std::milli>(row.period).count());
        AppendRight(text, field, kNumberCells);
    }
    return text;
}

std::vector<std::string> IdTableColumns(std::string_view line)
{
    static constexpr std::array<int, kIdColumns> kWidths = {
        kProtocolCells, kIdCells,         kFrameCells, kLengthCells,
        kDataCells,     kNumberCells - 2, kNumberCells};
    std::vector<std::string> columns;
    size_t at = 0;
    for (const int width : kWidths) {
        // Whole characters up to the column's last cell; a Hangul syllable
        // takes two cells.
        const size_t start = at;
        int cells = 0;
        while (at < line.size()) {
            size_t next = at + 1;
            while (next < line.size() && (static_cast<unsigned char>(line[next]) & 0xC0) == 0x80) {
                ++next;
            }
            const int w = Cp949Width(line.substr(at, next - at));
            if (cells + w > width) {
                break;
            }
            cells += w;
            at = next;
        }
        std::string_view column = line.substr(start, at - start);
        const size_t first = column.find_first_not_of(' ');
        const size_t last = column.find_last_not_of(' ');
        columns.emplace_back(first == std::string_view::npos
                                 ? std::string_view()
                                 : column.substr(first, last - first + 1));
    }
    return columns;
}

std::string IdNameCut(std::string_view name)
{
    if (Cp949Width(name) <= kIdNameCells) {
        return std::string(name);
    }
    static constexpr std::string_view kEllipsis = "…";
    const int room = kIdNameCells - Cp949Width(kEllipsis);
    size_t at = 0;
    int cells = 0;
    while (at < name.size()) {
        size_t next = at + 1;
        while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) {
            ++next;
        }
        const int w = Cp949Width(name.substr(at, next - at));
        if (cells + w > room) {
            break;
        }
        cells += w;
        at = next;
    }
    std::string cut(name.substr(0, at));
    cut += kEllipsis;
    return cut;
}

std::string IdNamedLine(std::string_view line, std::string_view name)
{
    std::string text(line);
    text += "  ";
    text += IdNameCut(name);
    return text;
}

std::string IdNamedHeaderText()
{
    return IdNamedLine(IdTableHeaderText(), "메시지");
}
