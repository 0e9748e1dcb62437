#include "txlist/TDataEntry.h"

#include <algorithm>
#include <utility>

namespace {

// Byte i of an entry lives in dataHigh (0..3) or dataLow (4..7), the lower
// index in the higher bits.
uint32_t& DataWord(TDataEntry& entry, int i)
{
    return i < 4 ? entry.dataHigh : entry.dataLow;
}

int DataShift(int i)
{
    return 24 - 8 * (i % 4);
}

bool IsDataIndex(int i)
{
    return i >= 0 && i < 8;
}

}  // namespace

uint8_t EntryDataByte(const TDataEntry& entry, int i)
{
    if (!IsDataIndex(i)) {
        return 0;
    }
    const uint32_t word = i < 4 ? entry.dataHigh : entry.dataLow;
    return static_cast<uint8_t>(word >> DataShift(i));
}

void SetEntryDataByte(TDataEntry& entry, int i, uint8_t value)
{
    if (!IsDataIndex(i)) {
        return;
    }
    uint32_t& word = DataWord(entry, i);
    const int shift = DataShift(i);
    word = (word & ~(uint32_t{0xFF} << shift)) | (uint32_t{value} << shift);
}

size_t UnpackEntryData(const TDataEntry& entry, uint8_t* out)
{
    const int count = std::min<int>(entry.dlc, 8);
    for (int i = 0; i < count; ++i) {
        out[i] = EntryDataByte(entry, i);
    }
    return static_cast<size_t>(count);
}

bool IsSameFrame(const TDataEntry& a, const TDataEntry& b)
{
    return a.standard == b.standard && a.dataFrame == b.dataFrame && a.dlc == b.dlc &&
           a.id == b.id && a.dataHigh == b.dataHigh && a.dataLow == b.dataLow;
}

bool CTDataObject::IsDuplicate(const TDataEntry& candidate) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const auto& held) { return IsSameFrame(*held, candidate); });
}

bool CTDataObject::AddEntry(std::unique_ptr<TDataEntry>& entry)
{
    if (!entry || IsDuplicate(*entry)) {
        return false;
    }
    entry->owner = this;
    m_entries.push_back(std::move(entry));
    return true;
}

TDataEntry* CTDataObject::AppendLoaded(std::unique_ptr<TDataEntry> entry)
{
    if (!entry) {
        return nullptr;
    }
    entry->owner = this;
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

void CTDataObject::RemoveEntry(const TDataEntry* entry)
{
    const auto held = std::find_if(m_entries.begin(), m_entries.end(),
                                   [&](const auto& e) { return e.get() == entry; });
    if (held != m_entries.end()) {
        m_entries.erase(held);
    }
}

void CTDataObject::RemoveAll()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
}

std::unique_ptr<TDataEntry> CTDataObject::TakeEntry(const TDataEntry* entry)
{
    const size_t index = IndexOf(entry);
    if (index == m_entries.size()) {
        return nullptr;
    }
    std::unique_ptr<TDataEntry> taken = std::move(m_entries[index]);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    return taken;
}

std::vector<std::unique_ptr<TDataEntry>> CTDataObject::TakeAll()
{
    std::vector<std::unique_ptr<TDataEntry>> taken;
    taken.swap(m_entries);
    return taken;
}

TDataEntry* CTDataObject::InsertEntry(size_t index, std::unique_ptr<TDataEntry> entry)
{
    if (!entry) {
        return nullptr;
    }
    entry->owner = this;
    const auto at =
        m_entries.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_entries.size()));
    return m_entries.insert(at, std::move(entry))->get();
}

size_t CTDataObject::IndexOf(const TDataEntry* entry) const
{
    const auto held = std::find_if(m_entries.begin(), m_entries.end(),
                                   [&](const auto& e) { return e.get() == entry; });
    return static_cast<size_t>(held - m_entries.begin());
}
