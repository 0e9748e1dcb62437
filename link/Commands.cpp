#include "link/Commands.h"

#include <cstdio>

#include "link/CanFrame.h"
#include "link/FrameCodec.h"

namespace {

// Bodies are at most 28 characters; the buffer leaves room for all of them.
using BodyBuffer = char[40];

}  // namespace

uint8_t MakeModeByte(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                     uint32_t notifyBusOff, uint32_t notifyErrorPassive, uint32_t notifyWarning)
{
    const uint32_t receiveMode = mode & 3;
    uint8_t modeByte = static_cast<uint8_t>(receiveMode << 5);
    const bool wide = receiveMode == 0 ? extended != 0 : receiveMode != 1;
    if (wide) {
        modeByte |= 0x10;
    }
    if (autoResetBusOff != 0) {
        modeByte |= 0x08;
    }
    if (notifyBusOff != 0) {
        modeByte |= 0x04;
    }
    if (notifyErrorPassive != 0) {
        modeByte |= 0x02;
    }
    if (notifyWarning != 0) {
        modeByte |= 0x01;
    }
    return modeByte;
}

uint8_t MakeControlByte(uint32_t extended, uint32_t remote, uint8_t dlc)
{
    uint8_t control = extended != 0 ? kControlExtended : 0;
    uint8_t length = dlc > 8 ? 8 : dlc;
    if (remote != 0) {
        control |= kControlRemote;
        length = 0;
    }
    return static_cast<uint8_t>(control | (length & 0x0F));
}

CommandFrame ReadConfigCommand()
{
    return {BuildFrame(":Y"), kReadConfigCaption};
}

CommandFrame WriteConfigCommand(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                                uint32_t notifyBusOff, uint32_t notifyErrorPassive,
                                uint32_t notifyWarning, uint32_t bitTime, uint32_t id,
                                uint32_t maskId)
{
    const uint8_t modeByte = MakeModeByte(mode, extended, autoResetBusOff, notifyBusOff,
                                          notifyErrorPassive, notifyWarning);
    BodyBuffer body;
    if (extended != 0) {
        std::snprintf(body, sizeof body, ":Z%02X%08X%08X%08X", modeByte, bitTime,
                      id & kExtendedIdMask, maskId & kExtendedIdMask);
    } else {
        std::snprintf(body, sizeof body, ":Z%02X%08X%04X%04X", modeByte, bitTime,
                      id & kStandardIdMask, maskId & kStandardIdMask);
    }
    return {BuildFrame(body), kWriteConfigCaption};
}

CommandFrame SetReceptionCommand(uint32_t on)
{
    return {BuildFrame(on != 0 ? ":G11" : ":G10"), kSetReceptionCaption};
}

CommandFrame SendCanFrameCommand(uint32_t extended, uint32_t remote, uint8_t dlc, uint32_t id,
                                 const uint8_t* data)
{
    const uint8_t control = MakeControlByte(extended, remote, dlc);
    BodyBuffer body;
    int length;
    if (extended != 0) {
        length = std::snprintf(body, sizeof body, ":W%02X%08X", control, id & kExtendedIdMask);
    } else {
        length = std::snprintf(body, sizeof body, ":W%02X%04X", control, id & kStandardIdMask);
    }
    const int count = control & 0x0F;
    for (int i = 0; i < count; ++i) {
        length += std::snprintf(body + length, sizeof body - static_cast<size_t>(length), "%02X",
                                data[i]);
    }
    return {BuildFrame(std::string_view(body, static_cast<size_t>(length))), kSendCanFrameCaption};
}

CommandFrame ResetCanCommand()
{
    return {BuildFrame(":R"), kResetCanCaption};
}

CommandFrame ReadVersionCommand()
{
    return {BuildFrame(":V"), kReadVersionCaption};
}
