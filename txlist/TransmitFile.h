#pragma once

#include <string>
#include <string_view>

#include "txlist/TDataEntry.h"

// The ".ctd" transmit file: one CTDataObject, little-endian, no padding.
//
//   offset  size    content
//   0       4       signature 16170             2A 3F 00 00
//   4       1+10    length 10, "TDataArray"     0A 54 44 61 74 61 41 72 72 61 79
//   15      2       count N when N < 65535      (else FF FF and N in 4 bytes)
//   17      25 * N  entries in list order
//
// One entry: standard(4) dataFrame(4) hexInput(4) dlc(1) id(4) dataHigh(4)
// dataLow(4). "CAN2.0A", "Data Frame", "Hex", dlc 2, id 0x123, data 11 22:
//   01 00 00 00  01 00 00 00  01 00 00 00  02  23 01 00 00  00 00 22 11  00 00 00 00
// Bytes after the last entry are ignored. An empty list is a 17-byte file.

enum class TransmitFileError {
    kNone,
    kOpenFailed,
    kBadSignature,
    kBadName,
    kEndOfFile,
    kReadFailed,
    kWriteFailed,
    kLocked,
    kOutOfMemory
};

struct TransmitFileResult {
    TransmitFileError error = TransmitFileError::kNone;
    // UTF-8, for the user: the file's path and the reason; empty on success.
    std::string report;
    bool ok() const { return error == TransmitFileError::kNone; }
};

std::string SerializeTransmitList(const CTDataObject& list);

// Appends the file's entries to `into`, which the caller gives empty, as they
// stand (no duplicate test, no range test; a dlc above 8 is kept). On failure
// `into` keeps the entries read before it; the caller discards them. Memory
// grows with the bytes actually present, never with the stated count.
TransmitFileError ParseTransmitList(std::string_view bytes, CTDataObject& into);

// Reads a whole file, held exclusively while it is read, and parses it into
// `into` (given empty). A file another opener holds is refused with kLocked.
TransmitFileResult ReadTransmitFile(const std::string& path, CTDataObject& into);

// Replaces the file at `path` by the list's bytes through a temporary file in
// the same folder, so a failed save leaves the previous file as it was. An
// existing file is held exclusively during the save; one held by another
// opener is refused with kLocked.
TransmitFileResult WriteTransmitFile(const std::string& path, const CTDataObject& list);
