#pragma once

// Numbers of the commands offered by the received-data and event-log context
// menus; the main window's command table uses the same numbers.
inline constexpr int kCmdReceptionStart = 32773;
inline constexpr int kCmdReceptionStop = 32774;
inline constexpr int kCmdClearReceivedData = 32782;
inline constexpr int kCmdReceivedDataLogStart = 32783;
inline constexpr int kCmdReceivedDataLogStop = 32784;
inline constexpr int kCmdEventLogStart = 32785;
inline constexpr int kCmdEventLogStop = 32786;
inline constexpr int kCmdClearEventLog = 32790;
