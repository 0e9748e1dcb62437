#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CTDataObject;

// One frame of the transmit list. Note the flags' sense, the opposite of the
// link's CanFrame: standard = 11-bit identifier ("CAN2.0A"), dataFrame = data
// (not remote) frame. hexInput records how the data was typed ("Hex" or
// "Ascii") and is not part of the frame.
//
// Data bytes are packed big-end first: byte 0 in bits 31..24 of dataHigh,
// byte 3 in bits 7..0; bytes 4..7 likewise in dataLow. Bytes beyond dlc are
// carried and compared, but not sent or shown. dlc may exceed 8 in an entry
// read from a file; at most 8 bytes are ever unpacked.
struct TDataEntry {
    CTDataObject* owner = nullptr;  // set by the container; never stored
    uint32_t standard = 0;
    uint32_t dataFrame = 0;
    uint32_t hexInput = 0;
    uint8_t dlc = 0;
    uint32_t id = 0;
    uint32_t dataHigh = 0;
    uint32_t dataLow = 0;
};

// Data byte i (0..7) of an entry.
uint8_t EntryDataByte(const TDataEntry& entry, int i);
// Sets data byte i (0..7).
void SetEntryDataByte(TDataEntry& entry, int i, uint8_t value);
// The first min(dlc, 8) data bytes into out (room for 8); returns their count.
size_t UnpackEntryData(const TDataEntry& entry, uint8_t* out);

// The same frame: standard, dataFrame, dlc, all 32 bits of id, dataHigh and
// dataLow equal (hexInput and owner are not compared).
bool IsSameFrame(const TDataEntry& a, const TDataEntry& b);

// The transmit list: owns its entries, in list order, and refuses to add a
// frame it already holds. Loading a file and editing an entry in place do not
// check for duplicates. Rows of the list view refer to entries by pointer;
// those pointers stay valid until the entry is removed or the container goes.
class CTDataObject {
public:
    static constexpr uint32_t kSignature = 16170;  // 0x3F2A
    static constexpr char kName[] = "TDataArray";

    CTDataObject() = default;
    CTDataObject(const CTDataObject&) = delete;
    CTDataObject& operator=(const CTDataObject&) = delete;

    bool IsDuplicate(const TDataEntry& candidate) const;
    // Takes the entry and sets its owner; refuses a duplicate or a null entry
    // (returns false and leaves the argument to the caller unchanged).
    bool AddEntry(std::unique_ptr<TDataEntry>& entry);
    // Appends without the duplicate test (loading a file); null gives nullptr.
    TDataEntry* AppendLoaded(std::unique_ptr<TDataEntry> entry);
    // Removes and frees the entry that is this very object; nothing when it is
    // not held.
    void RemoveEntry(const TDataEntry* entry);
    void RemoveAll();
    // As RemoveEntry and RemoveAll, but the entries are handed to the caller
    // instead of freed, at the same addresses (for undo).
    std::unique_ptr<TDataEntry> TakeEntry(const TDataEntry* entry);
    std::vector<std::unique_ptr<TDataEntry>> TakeAll();
    // Puts an entry back at index (the end when past it), without the
    // duplicate test; returns it, or null for a null entry.
    TDataEntry* InsertEntry(size_t index, std::unique_ptr<TDataEntry> entry);
    // The entry's index, or Count() when it is not held.
    size_t IndexOf(const TDataEntry* entry) const;

    size_t Count() const { return m_entries.size(); }
    TDataEntry* At(size_t index) const { return m_entries[index].get(); }

private:
    std::vector<std::unique_ptr<TDataEntry>> m_entries;
};
