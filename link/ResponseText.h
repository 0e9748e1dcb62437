#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/CanFrame.h"
#include "link/FrameLayout.h"

// The texts the response handlers write: pure formatting of parsed frames.
// Widths ("%-12s" and the like) count CP949 bytes, as the event-line captions do.

inline constexpr std::string_view kConfigReadResponseCaption = "[환경설정 읽기 응답]";
inline constexpr std::string_view kConfigWriteResponseCaption = "[환경설정 쓰기 응답]";
inline constexpr std::string_view kReceptionResponseCaption = "[CAN 데이터 수신 여부 응답]";
inline constexpr std::string_view kTransmitResponseCaption = "[CAN 데이터 송신 응답]";
inline constexpr std::string_view kResetResponseCaption = "[CAN 리셋 응답]";
inline constexpr std::string_view kErrorCodeResponseCaption = "[CAN 에러코드 응답]";
inline constexpr std::string_view kVersionResponseCaption = "[Brisca 버전 응답]";
inline constexpr std::string_view kSerialErrorCaption = "[시리얼 통신 에러]";
inline constexpr std::string_view kSerialLinkCaption = "[시리얼 통신 연결]";

inline constexpr std::string_view kReceptionStartedText = "CAN 데이터 수신 시작";
inline constexpr std::string_view kReceptionStoppedText = "CAN 데이터 수신 중지";
inline constexpr std::string_view kSendProblemText = "시리얼 통신측 송신 문제 발생...";
inline constexpr std::string_view kPortLostText = "시리얼 통신 포트와의 연결이 끊어졌읍니다";
inline constexpr std::string_view kPortBackText = "시리얼 통신 포트와 다시 연결되었읍니다";
inline constexpr std::string_view kNoAnswerText =
    "컨버터의 응답이 없읍니다: 컨버터가 없거나 통신 속도 또는 시리얼 통신 포트가 맞지 않을 수 "
    "있읍니다";

// Received bytes lost because the receive ring was full: "수신 버퍼가 넘쳐 N
// 바이트를 잃었읍니다" with their number N.
std::string RingOverflowDetail(uint64_t bytes);

// 'Y' / 'Z': mode text ("CAN2.0A/B Both  ", "CAN2.0A Only  ", "CAN2.0B Only  "),
// bit rate, then "  수신 ID:%08X  수신 Mask ID:%08X" for 32-bit fields, or the
// same with "%03X" and the values masked to 11 bits for 16-bit fields.
std::string ConfigResponseDetail(const ConfigReport& report);

// 'G': "CAN 데이터 수신 시작" for a non-zero byte, else "CAN 데이터 수신 중지".
std::string_view ReceptionResponseDetail(uint8_t on);

// 'U': "%s  %-12s  %-6s  %-11s  %s" from protocol, frame type, "길이:%d" with
// dlc, "ID:%08X" or "ID:%03X", and "데이터:" with the first dataBytes data bytes
// (at most dlc; "" when there are none, as for a remote frame that came without
// its data). Example: "CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02".
std::string ReceivedLine(const CanFrame& frame, int dataBytes);

// 'W': "CAN2.0A  Data Frame  길이:2  ID:123  데이터:01 02", the data part only
// when there are data bytes to show (as for ReceivedLine).
std::string TransmitResponseDetail(const CanFrame& frame, int dataBytes);

// 'R': the reason of reset code 0, 1 or 2; empty for any other code.
std::string_view ResetReasonText(uint8_t reason);

// 'I': the conditions of bits 0..4 in bit order, separated by ", "; empty when
// none is set (the handler then writes nothing). The event line adds " 에러 발생".
std::string ErrorCodeDetail(uint8_t code);

// 'V': "펨웨어 버전 %d.%d" from the high and low nibble.
std::string VersionDetail(uint8_t version);
