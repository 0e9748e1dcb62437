#include "txlist/TransmitRow.h"

#include <cstdio>

namespace {

std::string HexBytes(const uint8_t* bytes, size_t count)
{
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += pair;
    }
    return text;
}

}  // namespace

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
        standard ? HexBytes(idBytes + 2, 2) : HexBytes(idBytes, 4),
        std::to_string(entry.dlc),
        HexBytes(data, dataCount),
    };
}
