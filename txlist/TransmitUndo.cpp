#include "txlist/TransmitUndo.h"

#include <utility>

void TransmitUndo::Push(Level level)
{
    m_levels.push_back(std::move(level));
    if (m_levels.size() > kLevels) {
        m_levels.pop_front();
    }
}

void TransmitUndo::RecordDelete(std::unique_ptr<TDataEntry> entry, size_t index)
{
    if (!entry) {
        return;
    }
    Level level{Level::Kind::kDelete, index, {}, nullptr, {}};
    level.entries.push_back(std::move(entry));
    Push(std::move(level));
}

void TransmitUndo::RecordDeleteAll(std::vector<std::unique_ptr<TDataEntry>> entries)
{
    if (entries.empty()) {
        return;
    }
    Push({Level::Kind::kDeleteAll, 0, std::move(entries), nullptr, {}});
}

void TransmitUndo::RecordModify(TDataEntry* entry, const TDataEntry& before)
{
    if (entry == nullptr) {
        return;
    }
    Push({Level::Kind::kModify, 0, {}, entry, before});
}

std::vector<TDataEntry*> TransmitUndo::Undo(
    CTDataObject& list, const std::function<void(const TDataEntry*)>& beforeChange)
{
    std::vector<TDataEntry*> restored;
    if (m_levels.empty()) {
        return restored;
    }
    Level level = std::move(m_levels.back());
    m_levels.pop_back();
    switch (level.kind) {
    case Level::Kind::kDelete:
    case Level::Kind::kDeleteAll:
        // Back where they were; entries added since follow them.
        for (size_t i = 0; i < level.entries.size(); ++i) {
            restored.push_back(list.InsertEntry(level.index + i, std::move(level.entries[i])));
        }
        break;
    case Level::Kind::kModify:
        if (list.IndexOf(level.modified) == list.Count()) {
            break;  // cannot happen while every freeing change is recorded or clears
        }
        beforeChange(level.modified);
        level.before.owner = level.modified->owner;
        *level.modified = level.before;
        restored.push_back(level.modified);
        break;
    }
    return restored;
}
