#include "txlist/EntrySend.h"

#include <algorithm>

#include "link/ConverterLink.h"

void SendEntry(CConverterLink& link, const TDataEntry& entry)
{
    uint8_t data[8];
    const size_t count = UnpackEntryData(entry, data);
    link.SendCanFrame(entry.standard == 0 ? 1 : 0, entry.dataFrame == 0 ? 1 : 0,
                      static_cast<uint8_t>(count), entry.id, data);
}

SendOutcome SendEntryUnlessBusy(CConverterLink& link, const TDataEntry& entry)
{
    if (!link.IsOpen()) {
        return SendOutcome::kLineGone;
    }
    if (link.OutputQueued() > kPeriodicQueueLimit) {
        return SendOutcome::kBusy;
    }
    uint8_t data[8];
    const size_t count = UnpackEntryData(entry, data);
    switch (link.TrySendCanFrame(entry.standard == 0 ? 1 : 0, entry.dataFrame == 0 ? 1 : 0,
                                 static_cast<uint8_t>(count), entry.id, data)) {
    case CConverterLink::TrySendResult::kSent:
        return SendOutcome::kSent;
    case CConverterLink::TrySendResult::kBusy:
        return SendOutcome::kBusy;
    default:
        return SendOutcome::kLineGone;
    }
}

CanFrame SentFrameOf(const TDataEntry& entry)
{
    CanFrame frame;
    frame.extended = entry.standard == 0 ? 1 : 0;
    frame.remote = entry.dataFrame == 0 ? 1 : 0;
    frame.id = entry.id & (frame.extended != 0 ? kExtendedIdMask : kStandardIdMask);
    frame.dlc = frame.remote != 0 ? 0 : static_cast<uint8_t>(UnpackEntryData(entry, frame.data));
    return frame;
}

bool IsConfirmationOf(const TDataEntry& entry, const CanFrame& confirmed)
{
    const CanFrame sent = SentFrameOf(entry);
    return sent.extended == confirmed.extended && sent.remote == confirmed.remote &&
           sent.id == confirmed.id && sent.dlc == confirmed.dlc &&
           std::equal(sent.data, sent.data + sent.dlc, confirmed.data);
}
