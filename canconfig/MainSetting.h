#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "canconfig/CanBitTime.h"

class QSettings;

// The settings the analyzer keeps between runs: the serial port and UART speed
// used to reach the converter, the converter's CAN configuration as last written
// or read, and the paths of the two log files. Persisted in the per-user
// profile ($XDG_CONFIG_HOME/Quorvane/Talvox.ini), section "Main Setting":
//
//   "Serial Port Index"     serialPortIndex      default 0
//   "Serial Port BaudRate"  serialPortBaudRate   default 115200
//   "Brisca Mode"           modeByte             default 28 (0x1C)
//   "CAN Bit Time"          canBitTime           default 16909573 (0x01020505)
//   "CAN Mask ID"           canMaskId            default 0
//   "CAN ID"                canId                default 0
//   "Event Log Path"        eventLogPath         default logDirectory + "/EventLog.txt"
//   "RData Log Path"        receivedDataLogPath  default logDirectory + "/RDataLog.txt"
//
// The mode byte: bit 7 always 0; bits 6..5 receive mode (0 both, 1 CAN 2.0A
// only, 2 CAN 2.0B only, 3 read like 2); bit 4 29-bit identifiers; bit 3
// automatic reset after Bus-Off; bits 2, 1, 0 report Bus-Off, Error-Passive,
// Warning.
struct MainSetting {
    int32_t serialPortIndex = 0;
    uint32_t serialPortBaudRate = 115200;
    uint8_t modeByte = 0x1C;
    CanBitTime canBitTime = DefaultBitTime;
    uint32_t canMaskId = 0;
    uint32_t canId = 0;
    std::string eventLogPath;
    std::string receivedDataLogPath;

    bool operator==(const MainSetting&) const = default;
};

// The profile section that holds these values (and "TData File Dir").
inline constexpr char kMainSettingSection[] = "Main Setting";

inline constexpr uint8_t kDefaultModeByte = 0x1C;
inline constexpr uint32_t kDefaultBaudRate = 115200;

// The nine UART speeds the converter supports, in ascending order.
inline constexpr std::array<uint32_t, 9> kUartSpeeds = {9600,  14400, 19200,  28800, 38400,
                                                        57600, 76800, 115200, 230400};
bool IsSupportedBaudRate(uint32_t bitsPerSecond);

// The effective identifier width of a mode byte: 29-bit when the receive mode
// is 0 with bit 4 set, or when the receive mode is 2 or 3; otherwise 11-bit.
bool IsExtendedIdMode(uint8_t modeByte);
// 0x1FFFFFFF for 29-bit identifiers, 0x7FF for 11-bit.
uint32_t IdMaskForMode(uint8_t modeByte);
// The receive mode of bits 6..5: "CAN2.0A/B Both", "CAN2.0A Only" or (2 and 3)
// "CAN2.0B Only".
std::string_view ReceiveModeName(uint8_t modeByte);

std::string DefaultEventLogPath(const std::string& logDirectory);
std::string DefaultReceivedDataLogPath(const std::string& logDirectory);

// Reads the section with the defaults above, then corrects it in this order:
// port index against portCount (no ports: 0; at or above the count: count - 1;
// negative: 0), a speed outside the nine by 115200, the mode byte masked with
// 0x7F, an invalid bit time by 0x01020505, mask and ID masked to the effective
// width, and a log path with no file at it by its default. A value that is not
// a 32-bit number counts as absent. Logging switches are not stored, so both
// logs start off after every load.
MainSetting LoadSettings(QSettings& profile, int portCount, const std::string& logDirectory);
// Writes all eight values, the mode byte as 0..127. Other values of the
// section (kept by other parts of the program) stay as they are.
void SaveSettings(QSettings& profile, const MainSetting& setting);

// The user's profile: QSettings in INI form, organisation "Quorvane",
// application "Talvox", under $XDG_CONFIG_HOME.
std::unique_ptr<QSettings> OpenUserProfile();

// LoadSettings and SaveSettings on the user's profile.
MainSetting LoadSettings(int portCount, const std::string& logDirectory);
void SaveSettings(const MainSetting& setting);
