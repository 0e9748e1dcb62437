#include "rxlog/IdTable.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <tuple>

#include "common/TextFormat.h"

void IdTable::Add(bool extended, uint32_t id, bool remote, uint8_t dlc, const uint8_t* data,
                  uint8_t dataCount, Clock::time_point at)
{
    // The identifier as shown: bits beyond its width are not part of it.
    id &= extended ? 0x1FFFFFFFu : 0x7FFu;
    const auto key = std::make_tuple(id, extended);
    auto found = std::lower_bound(m_rows.begin(), m_rows.end(), key, [](const Row& row, auto k) {
        return std::make_tuple(row.id, row.extended) < k;
    });
    const bool fresh = found == m_rows.end() || found->id != id || found->extended != extended;
    if (fresh && m_rows.size() >= kMaxRows) {
        const auto oldest = std::min_element(
            m_rows.begin(), m_rows.end(),
            [](const Row& a, const Row& b) { return a.lastArrival < b.lastArrival; });
        const bool before = oldest < found;
        m_rows.erase(oldest);
        if (before) {
            --found;
        }
    }
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
