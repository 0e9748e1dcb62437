#include "txlist/TransmitUndo.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TDataEntry* Add(CTDataObject& list, uint32_t id)
{
    return list.AppendLoaded(
        std::make_unique<TDataEntry>(TDataEntry{nullptr, 1, 1, 1, 0, id, 0, 0}));
}

std::vector<uint32_t> Ids(const CTDataObject& list)
{
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < list.Count(); ++i) {
        ids.push_back(list.At(i)->id);
    }
    return ids;
}

const auto kIgnore = [](const TDataEntry*) {
};

TEST(TransmitUndo, PutsDeletedEntriesBackAtTheirPlaceAsTheSameObjects)
{
    CTDataObject list;
    Add(list, 1);
    TDataEntry* second = Add(list, 2);
    Add(list, 3);
    TransmitUndo undo;
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_TRUE(undo.Undo(list, kIgnore).empty());

    undo.RecordDelete(list.TakeEntry(second), 1);
    EXPECT_EQ(Ids(list), (std::vector<uint32_t>{1, 3}));
    undo.RecordDeleteAll(list.TakeAll());
    Add(list, 9);  // added after the delete-all: stays, behind what comes back

    EXPECT_EQ(undo.Undo(list, kIgnore).size(), 2u);
    EXPECT_EQ(Ids(list), (std::vector<uint32_t>{1, 3, 9}));
    EXPECT_EQ(undo.Undo(list, kIgnore), std::vector<TDataEntry*>{second});
    EXPECT_EQ(Ids(list), (std::vector<uint32_t>{1, 2, 3, 9}));
    EXPECT_EQ(list.At(1), second);
    EXPECT_EQ(second->owner, &list);
    EXPECT_FALSE(undo.CanUndo());
}

TEST(TransmitUndo, AModifyFindsItsEntryAfterAnUndoneDeleteAndTellsBeforeChanging)
{
    CTDataObject list;
    TDataEntry* entry = Add(list, 1);
    Add(list, 2);
    TransmitUndo undo;
    undo.RecordModify(entry, *entry);
    entry->id = 0x55;
    entry->dlc = 3;
    undo.RecordDelete(list.TakeEntry(entry), 0);

    std::vector<const TDataEntry*> told;
    const auto tell = [&](const TDataEntry* changing) {
        told.push_back(changing);
        EXPECT_EQ(changing->id, 0x55u);  // told before the change
    };
    undo.Undo(list, tell);
    EXPECT_TRUE(told.empty());  // put back, not changed
    EXPECT_EQ(undo.Undo(list, tell), std::vector<TDataEntry*>{entry});
    EXPECT_EQ(told, std::vector<const TDataEntry*>{entry});
    EXPECT_EQ(Ids(list), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(entry->dlc, 0);
    EXPECT_EQ(entry->owner, &list);
}

TEST(TransmitUndo, KeepsTheLastHundredLevels)
{
    CTDataObject list;
    TDataEntry* entry = Add(list, 0);
    TransmitUndo undo;
    for (uint32_t id = 1; id <= TransmitUndo::kLevels + 5; ++id) {
        undo.RecordModify(entry, *entry);
        entry->id = id;
    }
    EXPECT_EQ(undo.Levels(), TransmitUndo::kLevels);
    while (undo.CanUndo()) {
        undo.Undo(list, kIgnore);
    }
    EXPECT_EQ(entry->id, 5u);  // the five oldest levels are gone
}

}  // namespace
