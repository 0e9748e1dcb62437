#pragma once

#include <cstddef>

#include "txlist/TDataEntry.h"

class CConverterLink;

// Bytes of the longest command frame (a 29-bit data frame with 8 data bytes).
inline constexpr size_t kLongestSendFrame = 31;
// A repeated send skips its cycle while more than this still waits for the line.
inline constexpr size_t kPeriodicQueueLimit = 2 * kLongestSendFrame;

// Sends the entry's frame through the link: extended = not standard, remote =
// not dataFrame, at most 8 data bytes. Nothing happens while the port is closed.
void SendEntry(CConverterLink& link, const TDataEntry& entry);
// As SendEntry, unless more than kPeriodicQueueLimit bytes still wait in the
// port's output queue: then nothing is written and the result is false, so a
// line slower than the period asks never blocks the caller in a write.
bool SendEntryUnlessBusy(CConverterLink& link, const TDataEntry& entry);
