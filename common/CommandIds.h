#pragma once

// Numbers of every command of the program. The main window's command table,
// its tool bar and every context menu use these numbers, and a command behaves
// the same wherever it comes from.
inline constexpr int kCmdReadConfig = 32771;
inline constexpr int kCmdWriteConfig = 32772;
inline constexpr int kCmdReceptionStart = 32773;
inline constexpr int kCmdReceptionStop = 32774;
inline constexpr int kCmdSendCanData = 32775;
inline constexpr int kCmdResetCan = 32776;
inline constexpr int kCmdReadVersion = 32777;
inline constexpr int kCmdAddTransmitData = 32778;
inline constexpr int kCmdModifyTransmitData = 32779;
inline constexpr int kCmdDeleteTransmitData = 32780;
inline constexpr int kCmdDeleteAllTransmitData = 32781;
inline constexpr int kCmdClearReceivedData = 32782;
inline constexpr int kCmdReceivedDataLogStart = 32783;
inline constexpr int kCmdReceivedDataLogStop = 32784;
inline constexpr int kCmdEventLogStart = 32785;
inline constexpr int kCmdEventLogStop = 32786;
inline constexpr int kCmdLogPaths = 32787;
inline constexpr int kCmdOpenTransmitFile = 32788;
inline constexpr int kCmdSaveTransmitFile = 32789;
inline constexpr int kCmdClearEventLog = 32790;
inline constexpr int kCmdPeriodicStart = 32791;
inline constexpr int kCmdPeriodicStop = 32792;
inline constexpr int kCmdUndo = 32793;
inline constexpr int kCmdCopyLines = 32794;
// Shows and hides the bus-statistics pane (its dock's own toggle in the view menu).
inline constexpr int kCmdBusStats = 32801;
// Shows and hides the signal plot (its dock's own toggle in the view menu).
inline constexpr int kCmdSignalPlot = 32802;
inline constexpr int kCmdOpenDbc = 32795;
inline constexpr int kCmdCloseAllDbc = 32796;
inline constexpr int kCmdTraceRecordStart = 32797;
inline constexpr int kCmdTraceRecordStop = 32798;
inline constexpr int kCmdTraceOpen = 32799;
inline constexpr int kCmdTraceReplay = 32800;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdExit = 57665;
inline constexpr int kCmdToggleToolBar = 59392;
inline constexpr int kCmdToggleStatusBar = 59393;
