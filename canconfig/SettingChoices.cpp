#include "canconfig/SettingChoices.h"

#include <algorithm>

int UartSpeedIndex(uint32_t bitsPerSecond)
{
    const auto found = std::find(kUartSpeeds.begin(), kUartSpeeds.end(), bitsPerSecond);
    return found == kUartSpeeds.end() ? -1 : static_cast<int>(found - kUartSpeeds.begin());
}

uint32_t UartSpeedAt(int index)
{
    if (index < 0 || index >= static_cast<int>(kUartSpeeds.size())) {
        return kUartSpeeds[kDefaultUartSpeedIndex];
    }
    return kUartSpeeds[static_cast<size_t>(index)];
}

int32_t PortListIndex(int32_t storedIndex, int portCount)
{
    if (storedIndex < 0) {
        return -1;
    }
    return storedIndex < portCount ? storedIndex : portCount - 1;
}

int ReceiveModeIndex(uint8_t modeByte)
{
    return std::min((modeByte >> 5) & 0x03, 2);
}

uint8_t ComposeModeByte(const ModeChoices& choices)
{
    const int receiveMode =
        choices.receiveMode == 0 || choices.receiveMode == 1 ? choices.receiveMode : 2;
    const bool extendedId = receiveMode == 0 ? choices.idType29Bit : receiveMode == 2;
    return static_cast<uint8_t>(
        receiveMode << 5 | (extendedId ? 0x10 : 0) | (choices.autoResetOnBusOff ? 0x08 : 0) |
        (choices.notifyBusOff ? 0x04 : 0) | (choices.notifyErrorPassive ? 0x02 : 0) |
        (choices.notifyWarning ? 0x01 : 0));
}

CanBitTime CustomBitTime(int brpIndex, int prsegIndex, int phseg1Index, int phseg2Index)
{
    const auto field = [](int value, int limit) {
        return static_cast<uint8_t>(std::clamp(value, 0, limit));
    };
    BitTimeFields fields;
    fields.brp = field(brpIndex, 63);
    fields.prseg = field(prsegIndex, 7);
    fields.phseg1 = field(phseg1Index, 7);
    fields.phseg2 = field(phseg2Index + 1, 7);
    return MakeBitTime(fields);
}

CanBitTime PresetBitTimeAt(int index)
{
    if (index < 0 || index >= kBitTimePresetCount) {
        return DefaultBitTime;
    }
    return BitTimePresets[static_cast<size_t>(index)].value;
}
