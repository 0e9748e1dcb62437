#include "link/FrameLayout.h"

#include <cstdio>

#include "canconfig/MainSetting.h"

namespace {

uint32_t Read16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] << 8 | p[1]);
}

uint32_t Read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The fields occupy bytes[1] .. bytes[fieldBytes]; the checksum follows them.
bool HasFields(int byteCount, int fieldBytes)
{
    return byteCount >= fieldBytes + 1;
}

}  // namespace

bool ParseConfigFields(const uint8_t* bytes, int byteCount, ConfigReport& report)
{
    if (!HasFields(byteCount, 1)) {
        return false;
    }
    const bool wide = IsExtendedIdMode(bytes[1]);
    if (!HasFields(byteCount, wide ? 13 : 9)) {
        return false;
    }
    report.modeByte = bytes[1];
    report.bitTime = Read32(bytes + 2);
    if (wide) {
        report.id = Read32(bytes + 6);
        report.maskId = Read32(bytes + 10);
    } else {
        report.id = Read16(bytes + 6);
        report.maskId = Read16(bytes + 8);
    }
    return true;
}

std::string ConfigFieldsBody(char letter, const ConfigReport& report)
{
    char body[40];
    if (IsExtendedIdMode(report.modeByte)) {
        std::snprintf(body, sizeof body, ":%c%02X%08X%08X%08X", letter, report.modeByte,
                      report.bitTime, report.id, report.maskId);
    } else {
        std::snprintf(body, sizeof body, ":%c%02X%08X%04X%04X", letter, report.modeByte,
                      report.bitTime, report.id & 0xFFFF, report.maskId & 0xFFFF);
    }
    return body;
}

bool ParseCanFrameFields(const uint8_t* bytes, int byteCount, CanFrame& frame, int* dataBytes)
{
    if (!HasFields(byteCount, 1)) {
        return false;
    }
    const uint8_t control = bytes[1];
    const bool extended = (control & kControlExtended) != 0;
    const bool remote = (control & kControlRemote) != 0;
    const int idBytes = extended ? 4 : 2;
    int length = control & 0x0F;
    if (length > 8) {
        length = 8;
    }
    if (!HasFields(byteCount, 1 + idBytes)) {
        return false;
    }
    // Field bytes after the control byte and the identifier; the checksum is not one.
    const int following = byteCount - 2 - idBytes;
    const int present = following < length ? following : length;
    if (present < length && !remote) {
        return false;
    }
    frame.extended = extended ? 1 : 0;
    frame.remote = remote ? 1 : 0;
    frame.dlc = static_cast<uint8_t>(length);
    frame.id = extended ? Read32(bytes + 2) : Read16(bytes + 2);
    for (int i = 0; i < 8; ++i) {
        frame.data[i] = i < present ? bytes[2 + idBytes + i] : 0;
    }
    if (dataBytes != nullptr) {
        *dataBytes = present;
    }
    return true;
}

std::string CanFrameBody(char letter, const CanFrame& frame)
{
    const int length = frame.dlc > 8 ? 8 : frame.dlc;
    uint8_t control = static_cast<uint8_t>(length);
    if (frame.extended != 0) {
        control |= kControlExtended;
    }
    if (frame.remote != 0) {
        control |= kControlRemote;
    }
    char body[40];
    int used;
    if (frame.extended != 0) {
        used = std::snprintf(body, sizeof body, ":%c%02X%08X", letter, control,
                             frame.id & kExtendedIdMask);
    } else {
        used = std::snprintf(body, sizeof body, ":%c%02X%04X", letter, control,
                             frame.id & kStandardIdMask);
    }
    for (int i = 0; i < length; ++i) {
        used += std::snprintf(body + used, sizeof body - static_cast<size_t>(used), "%02X",
                              frame.data[i]);
    }
    return std::string(body, static_cast<size_t>(used));
}

bool ParseByteField(const uint8_t* bytes, int byteCount, uint8_t& value)
{
    if (!HasFields(byteCount, 1)) {
        return false;
    }
    value = bytes[1];
    return true;
}
