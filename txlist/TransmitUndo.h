#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "txlist/TDataEntry.h"

// The undo levels of the transmit list: a delete, a delete-all or a modify,
// the last one first, at most kLevels of them (the oldest goes).
//
// Deleted entries are kept here, not freed, so an undone delete puts the very
// object back at its place: a modify recorded before it still finds its entry
// by address when its turn comes. Whatever replaces the list as a whole (a
// file load) must Clear, since the recorded addresses are then gone.
class TransmitUndo {
public:
    static constexpr size_t kLevels = 100;

    void RecordDelete(std::unique_ptr<TDataEntry> entry, size_t index);
    void RecordDeleteAll(std::vector<std::unique_ptr<TDataEntry>> entries);
    // The entry as it was before a modify changed it in place.
    void RecordModify(TDataEntry* entry, const TDataEntry& before);

    bool CanUndo() const { return !m_levels.empty(); }
    size_t Levels() const { return m_levels.size(); }
    void Clear() { m_levels.clear(); }

    // Undoes the last change in the list. beforeChange sees every entry that
    // is held and about to change, first. Returns the entries put back or
    // changed back (none when there was nothing to undo).
    std::vector<TDataEntry*> Undo(CTDataObject& list,
                                  const std::function<void(const TDataEntry*)>& beforeChange);

private:
    struct Level {
        enum class Kind { kDelete, kDeleteAll, kModify } kind;
        size_t index = 0;
        std::vector<std::unique_ptr<TDataEntry>> entries;
        TDataEntry* modified = nullptr;
        TDataEntry before;
    };
    void Push(Level level);

    std::deque<Level> m_levels;
};
