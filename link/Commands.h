#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The six commands to the converter, built as complete frames (checksum and CR
// included) with the caption that names the command in a failure line. Building
// is pure; the link writes the text to the port.
//
//   ReadConfig            ":Y59\r"
//   SetReception(1)       ":G11A9\r"
//   WriteConfig(0, 0, 1, 1, 0, 0, 0x01020505, 0x123, 0)
//                         ":Z0C0102050501230000E0\r"
//   SendCanFrame(0, 0, 2, 0x123, {1, 2})
//                         ":W020123010242\r"
struct CommandFrame {
    std::string text;
    std::string_view caption;
};

inline constexpr std::string_view kReadConfigCaption = "[환경설정 읽기 명령]";
inline constexpr std::string_view kWriteConfigCaption = "[환경설정 쓰기 명령]";
inline constexpr std::string_view kSetReceptionCaption = "[CAN 데이터 수신 여부 명령]";
inline constexpr std::string_view kSendCanFrameCaption = "[CAN 데이터 송신 명령]";
inline constexpr std::string_view kResetCanCaption = "[CAN 리셋 명령]";
inline constexpr std::string_view kReadVersionCaption = "[버전 읽기 명령]";

// The mode byte WriteConfig sends: mode (low two bits) in bits 6..5; bit 4 set
// for mode 0 with extended, clear for mode 1, set for modes 2 and 3; bits 3..0
// the four flags. Flags count as set when non-zero.
uint8_t MakeModeByte(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                     uint32_t notifyBusOff, uint32_t notifyErrorPassive, uint32_t notifyWarning);

// The CAN control byte SendCanFrame sends: 0x20 extended, 0x10 remote, and the
// length (remote frames carry length 0, data frames at most 8).
uint8_t MakeControlByte(uint32_t extended, uint32_t remote, uint8_t dlc);

CommandFrame ReadConfigCommand();
// Identifiers are cut to the width that extended selects (0x7FF or 0x1FFFFFFF);
// field order modeByte, bitTime, id, maskId.
CommandFrame WriteConfigCommand(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                                uint32_t notifyBusOff, uint32_t notifyErrorPassive,
                                uint32_t notifyWarning, uint32_t bitTime, uint32_t id,
                                uint32_t maskId);
CommandFrame SetReceptionCommand(uint32_t on);
// data holds at least as many bytes as the length sent (at most 8).
CommandFrame SendCanFrameCommand(uint32_t extended, uint32_t remote, uint8_t dlc, uint32_t id,
                                 const uint8_t* data);
CommandFrame ResetCanCommand();
CommandFrame ReadVersionCommand();
