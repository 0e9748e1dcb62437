#include "txlist/EntrySend.h"

#include "link/ConverterLink.h"

void SendEntry(CConverterLink& link, const TDataEntry& entry)
{
    uint8_t data[8];
    const size_t count = UnpackEntryData(entry, data);
    link.SendCanFrame(entry.standard == 0 ? 1 : 0, entry.dataFrame == 0 ? 1 : 0,
                      static_cast<uint8_t>(count), entry.id, data);
}

bool SendEntryUnlessBusy(CConverterLink& link, const TDataEntry& entry)
{
    if (link.OutputQueued() > kPeriodicQueueLimit) {
        return false;
    }
    SendEntry(link, entry);
    return true;
}
