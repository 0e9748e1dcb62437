#pragma once

#include <cstddef>

#include "link/CanFrame.h"
#include "txlist/TDataEntry.h"

class CConverterLink;

// Bytes of the longest command frame (a 29-bit data frame with 8 data bytes).
inline constexpr size_t kLongestSendFrame = 31;
// A repeated send skips its cycle while more than this still waits for the line.
inline constexpr size_t kPeriodicQueueLimit = 2 * kLongestSendFrame;

// What became of one repeated send.
enum class SendOutcome {
    kSent,
    kBusy,      // the line could not take the frame now; nothing of it was written
    kLineGone,  // the port is closed, lost or refused the write
};

// Sends the entry's frame through the link: extended = not standard, remote =
// not dataFrame, at most 8 data bytes. Nothing happens while the port is closed.
void SendEntry(CConverterLink& link, const TDataEntry& entry);
// For repeated sends: never waits. kBusy when more than kPeriodicQueueLimit
// bytes still wait in the driver's output queue (a real port says so) or the
// line takes nothing now (a pseudo-terminal whose far end stopped reading
// reports an empty queue); a frame is either written whole or not at all.
// Writes no event line.
SendOutcome SendEntryUnlessBusy(CConverterLink& link, const TDataEntry& entry);

// The frame the converter confirms after the entry was sent: the protocol,
// frame type, identifier (masked to its width), length (0 for a remote frame,
// at most 8) and data bytes as the link puts them on the line.
CanFrame SentFrameOf(const TDataEntry& entry);
// True when a transmit confirmation is the one for the entry's frame.
bool IsConfirmationOf(const TDataEntry& entry, const CanFrame& confirmed);
