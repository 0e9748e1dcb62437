#include "link/ResponseText.h"

#include <algorithm>
#include <cstdio>

#include "canconfig/CanBitTime.h"
#include "canconfig/MainSetting.h"
#include "common/TextFormat.h"

namespace {

std::string Format(const char* format, uint32_t value)
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, format, value);
    return std::string(text, static_cast<size_t>(length));
}

std::string_view ProtocolText(const CanFrame& frame)
{
    return frame.extended != 0 ? "CAN2.0B" : "CAN2.0A";
}

std::string_view FrameTypeText(const CanFrame& frame)
{
    return frame.remote != 0 ? "Remote Frame" : "Data Frame";
}

std::string LengthText(const CanFrame& frame)
{
    return Format("길이:%u", frame.dlc);
}

std::string IdText(const CanFrame& frame)
{
    return frame.extended != 0 ? Format("ID:%08X", frame.id)
                               : Format("ID:%03X", frame.id & kStandardIdMask);
}

// The number of data bytes the texts show: those present, at most dlc.
int ShownBytes(const CanFrame& frame, int dataBytes)
{
    const int length = frame.dlc > 8 ? 8 : frame.dlc;
    return std::clamp(dataBytes, 0, length);
}

// "데이터:" and the bytes as "%02X " but the last as "%02X"; empty without bytes.
std::string DataText(const CanFrame& frame, int length)
{
    if (length == 0) {
        return {};
    }
    return "데이터:" + HexBytesText(frame.data, static_cast<size_t>(length));
}

}  // namespace

std::string ConfigResponseDetail(const ConfigReport& report)
{
    std::string detail(ReceiveModeName(report.modeByte));
    detail += "  ";
    detail += FormatCanBitRate(report.bitTime);
    if (IsExtendedIdMode(report.modeByte)) {
        detail += Format("  수신 ID:%08X  ", report.id);
        detail += Format("수신 Mask ID:%08X", report.maskId);
    } else {
        detail += Format("  수신 ID:%03X  ", report.id & kStandardIdMask);
        detail += Format("수신 Mask ID:%03X", report.maskId & kStandardIdMask);
    }
    return detail;
}

std::string_view ReceptionResponseDetail(uint8_t on)
{
    return on != 0 ? kReceptionStartedText : kReceptionStoppedText;
}

std::string ReceivedLine(const CanFrame& frame, int dataBytes)
{
    std::string line(ProtocolText(frame));
    line += "  ";
    AppendPadded(line, FrameTypeText(frame), 12);
    line += "  ";
    AppendPadded(line, LengthText(frame), 6);
    line += "  ";
    AppendPadded(line, IdText(frame), 11);
    line += "  ";
    line += DataText(frame, ShownBytes(frame, dataBytes));
    return line;
}

std::string TransmitResponseDetail(const CanFrame& frame, int dataBytes)
{
    std::string detail(ProtocolText(frame));
    detail += "  ";
    detail += FrameTypeText(frame);
    detail += "  ";
    detail += LengthText(frame);
    detail += "  ";
    detail += IdText(frame);
    const int shown = ShownBytes(frame, dataBytes);
    if (shown != 0) {
        detail += "  ";
        detail += DataText(frame, shown);
    }
    return detail;
}

std::string_view ResetReasonText(uint8_t reason)
{
    switch (reason) {
    case 0:
        return "사용자 명령 리셋";
    case 1:
        return "Bus-Off 오류 복귀를 위한 자동 리셋";
    case 2:
        return "CAN 송신버퍼 오류 복귀를 위한 자동 리셋";
    default:
        return {};
    }
}

std::string ErrorCodeDetail(uint8_t code)
{
    static constexpr std::string_view kConditions[5] = {
        "Bus-Off, ",      "수신 Error-Passive, ", "송신 Error-Passive, ",
        "수신 Warning, ", "송신 Warning, ",
    };
    std::string detail;
    for (int bit = 0; bit < 5; ++bit) {
        if ((code >> bit) & 1) {
            detail += kConditions[bit];
        }
    }
    if (detail.size() >= 2) {
        detail.resize(detail.size() - 2);
    }
    return detail;
}

std::string VersionDetail(uint8_t version)
{
    char text[32];
    const int length =
        std::snprintf(text, sizeof text, "펨웨어 버전 %d.%d", version >> 4, version & 0x0F);
    return std::string(text, static_cast<size_t>(length));
}

std::string RingOverflowDetail(uint64_t bytes)
{
    return "수신 버퍼가 넘쳐 " + std::to_string(bytes) + " 바이트를 잃었읍니다";
}
