#include "txlist/TransmitRow.h"

#include "common/TextFormat.h"

std::array<std::string, 5> TransmitRowTexts(const TDataEntry& entry)
{
    const bool standard = entry.standard != 0;
    const uint32_t id = entry.id & (standard ? 0x7FFu : 0x1FFFFFFFu);
    const uint8_t idBytes[4] = {static_cast<uint8_t>(id >> 24), static_cast<uint8_t>(id >> 16),
                                static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
    uint8_t data[8];
    const size_t dataCount = UnpackEntryData(entry, data);
    return {
        standard ? "CAN2.0A" : "CAN2.0B",
        entry.dataFrame != 0 ? "Data Frame" : "Remote Frame",
        standard ? HexBytesText(idBytes + 2, 2) : HexBytesText(idBytes, 4),
        std::to_string(entry.dlc),
        HexBytesText(data, dataCount),
    };
}
