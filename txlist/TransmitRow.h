#pragma once

#include <array>
#include <string>

#include "txlist/TDataEntry.h"

// The five column texts of one transmit-list row:
//   protocol  "CAN2.0A" (standard) or "CAN2.0B"
//   frame     "Data Frame" or "Remote Frame"
//   ID        hex byte pairs, most significant first: 0x123 at 11 bits "01 23",
//             0x1FFFFFFF at 29 bits "1F FF FF FF" (masked to the width)
//   length    dlc in decimal, as stored
//   data      the first min(dlc, 8) data bytes, "11 22 33"; "" for none
std::array<std::string, 5> TransmitRowTexts(const TDataEntry& entry);
