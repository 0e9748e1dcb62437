#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "txlist/TDataEntry.h"

namespace {

// "CAN2.0A", "Data Frame", "Hex", dlc 2, id 0x123, data 11 22.
const TDataEntry kEntry = {nullptr, 1, 1, 1, 2, 0x123, 0x11220000, 0};

TEST(TDataObject, DuplicateRuleComparesTheFrameAndRemovalGoesByIdentity)
{
    const std::pair<void (*)(TDataEntry&), bool> rows[] = {
        {[](TDataEntry&) {}, true},
        {[](TDataEntry& e) { e.hexInput = 0; }, true},
        {[](TDataEntry& e) { e.dataLow = 0x5500; }, false},  // byte 6, beyond dlc
        {[](TDataEntry& e) { e.id = 0x80000123; }, false},   // same low 11 bits
        {[](TDataEntry& e) { e.standard = 0; }, false},
        {[](TDataEntry& e) { e.dataFrame = 0; }, false},
        {[](TDataEntry& e) { e.dlc = 3; }, false},
    };
    for (const auto& [change, duplicate] : rows) {
        CTDataObject list;
        auto entry = std::make_unique<TDataEntry>(kEntry);
        ASSERT_TRUE(list.AddEntry(entry));
        entry = std::make_unique<TDataEntry>(kEntry);
        change(*entry);
        TDataEntry* const candidate = entry.get();
        EXPECT_EQ(list.AddEntry(entry), !duplicate);
        EXPECT_EQ(entry.get(), duplicate ? candidate : nullptr);
        EXPECT_EQ(candidate->owner, duplicate ? nullptr : &list);
        list.RemoveEntry(candidate);  // by identity: a refused equal entry is not held
        EXPECT_EQ(list.Count(), 1u);
    }
}

}  // namespace
