#include "app/CommandTable.h"

#include <algorithm>
#include <array>

#include "common/CommandIds.h"

namespace {

// clang-format off
constexpr std::array kCommands = {
    CommandInfo{kCmdReadConfig, "환경 설정 읽기(&C)", "Shift+C", ":/icons/read_config.png",
                "환경 설정 읽기", "컨버터의 환경 설정을 읽어 옵니다"},
    CommandInfo{kCmdWriteConfig, "환경 설정 쓰기(&E)...", "Ctrl+C", ":/icons/write_config.png",
                "환경 설정 쓰기", "통신 포트와 CAN 환경을 설정하고 컨버터에 씁니다"},
    CommandInfo{kCmdReceptionStart, "CAN 수신 시작(&N)", "Ctrl+N", ":/icons/reception_start.png",
                "CAN 수신 시작", "CAN 데이터 수신을 시작합니다"},
    CommandInfo{kCmdReceptionStop, "CAN 수신 중지(&X)", "Ctrl+X", ":/icons/reception_stop.png",
                "CAN 수신 중지", "CAN 데이터 수신을 중지합니다"},
    CommandInfo{kCmdSendCanData, "CAN 데이터 송신(&W)", "Ctrl+W", ":/icons/send.png",
                "CAN 데이터 송신", "선택한 송신 데이터를 CAN으로 보냅니다"},
    CommandInfo{kCmdResetCan, "CAN 리셋(&R)", "Ctrl+R", ":/icons/reset.png",
                "CAN 리셋", "컨버터의 CAN 컨트롤러를 리셋합니다"},
    CommandInfo{kCmdReadVersion, "펨웨어 버전 읽기(&F)", "Ctrl+F", "",
                "펨웨어 버전 읽기", "컨버터의 펨웨어 버전을 읽어 옵니다"},
    CommandInfo{kCmdAddTransmitData, "송신 데이터 추가(&A)...", "Ctrl+A", ":/icons/add.png",
                "송신 데이터 추가", "송신 목록에 CAN 데이터를 추가합니다"},
    CommandInfo{kCmdModifyTransmitData, "송신 데이터 수정(&M)...", "Ctrl+M", ":/icons/modify.png",
                "송신 데이터 수정", "선택한 송신 데이터를 수정합니다"},
    CommandInfo{kCmdDeleteTransmitData, "송신 데이터 삭제(&D)", "Ctrl+D", ":/icons/delete.png",
                "송신 데이터 삭제", "선택한 송신 데이터를 삭제합니다"},
    CommandInfo{kCmdDeleteAllTransmitData, "송신 데이터 전체 삭제(&E)", "Ctrl+E", "",
                "송신 데이터 전체 삭제", "송신 목록의 데이터를 모두 삭제합니다"},
    CommandInfo{kCmdClearReceivedData, "수신 데이터 전체 삭제(&O)", "Ctrl+F4", "",
                "수신 데이터 전체 삭제", "수신 데이터 목록을 모두 지웁니다"},
    CommandInfo{kCmdReceivedDataLogStart, "수신 데이터 로깅 시작(&L)", "Ctrl+F2",
                ":/icons/rdata_log_start.png", "수신 데이터 로깅 시작",
                "수신 데이터를 로그 파일에 기록하기 시작합니다"},
    CommandInfo{kCmdReceivedDataLogStop, "수신 데이터 로깅 중지(&S)", "Ctrl+F3",
                ":/icons/rdata_log_stop.png", "수신 데이터 로깅 중지",
                "수신 데이터의 로그 파일 기록을 중지합니다"},
    CommandInfo{kCmdEventLogStart, "이벤트 로깅 시작(&Y)", "Shift+F2",
                ":/icons/event_log_start.png", "이벤트 로깅 시작",
                "이벤트를 로그 파일에 기록하기 시작합니다"},
    CommandInfo{kCmdEventLogStop, "이벤트 로깅 중지(&N)", "Shift+F3",
                ":/icons/event_log_stop.png", "이벤트 로깅 중지",
                "이벤트의 로그 파일 기록을 중지합니다"},
    CommandInfo{kCmdLogPaths, "로깅 파일 경로 설정(&L)...", "Ctrl+L", "",
                "로깅 파일 경로 설정", "두 로그 파일의 경로를 설정합니다"},
    CommandInfo{kCmdOpenTransmitFile, "송신 파일 열기(&O)...", "Ctrl+O", ":/icons/open.png",
                "송신 파일 열기", "송신 파일(*.ctd)을 열어 송신 목록으로 읽어 옵니다"},
    CommandInfo{kCmdSaveTransmitFile, "송신 파일 저장(&S)...", "Ctrl+S", ":/icons/save.png",
                "송신 파일 저장", "송신 목록을 송신 파일(*.ctd)로 저장합니다"},
    CommandInfo{kCmdClearEventLog, "이벤트 로그 데이터 전체 삭제(&X)", "Shift+F4", "",
                "이벤트 로그 데이터 전체 삭제", "이벤트 로그 창을 모두 지웁니다"},
    CommandInfo{kCmdPeriodicStart, "CAN 데이터 주기 송신 시작(&P)...", "Ctrl+P",
                ":/icons/periodic_start.png", "CAN 데이터 주기 송신 시작",
                "선택한 송신 데이터를 설정한 주기로 계속 보냅니다"},
    CommandInfo{kCmdPeriodicStop, "CAN 데이터 주기 송신 중지(&Q)", "Ctrl+Shift+P",
                ":/icons/periodic_stop.png", "CAN 데이터 주기 송신 중지",
                "선택한 송신 데이터의 주기 송신을 중지합니다"},
    CommandInfo{kCmdUndo, "실행 취소(&U)", "Ctrl+Z", "",
                "실행 취소", "송신 목록의 마지막 삭제나 수정을 되돌립니다"},
    CommandInfo{kCmdOpenDbc, "DBC 파일 열기(&B)...", "", "",
                "DBC 파일 열기", "DBC 파일을 읽어 받은 메시지의 신호를 풀어 보입니다"},
    CommandInfo{kCmdCloseAllDbc, "DBC 파일 모두 닫기(&C)", "", "",
                "DBC 파일 모두 닫기", "읽어 둔 DBC 파일을 모두 닫습니다"},
    CommandInfo{kCmdTraceRecordStart, "트레이스 기록 시작(&T)...", "",
                ":/icons/trace_record_start.png", "트레이스 기록 시작",
                "수신한 CAN 프레임과 에러를 트레이스 파일(*.log, *.asc)에 기록하기 시작합니다"},
    CommandInfo{kCmdTraceRecordStop, "트레이스 기록 중지", "",
                ":/icons/trace_record_stop.png", "트레이스 기록 중지",
                "트레이스 파일 기록을 중지합니다"},
    CommandInfo{kCmdTraceOpen, "트레이스 열기...", "", "",
                "트레이스 열기", "트레이스 파일(*.log, *.asc)을 열어 수신 화면에 보여 줍니다"},
    CommandInfo{kCmdTraceReplay, "트레이스 재생...", "", "",
                "트레이스 재생", "열어 둔 트레이스를 기록된 간격으로 CAN에 보내거나, 재생 중이면 멈춥니다"},
    CommandInfo{kCmdAbout, "Talvox 정보(&A)...", "", ":/icons/about.png",
                "Talvox 정보", "프로그램 정보와 버전을 표시합니다"},
    CommandInfo{kCmdExit, "종료(&X)", "", "",
                "종료", "프로그램을 종료합니다"},
    CommandInfo{kCmdToggleToolBar, "도구 모음(&T)", "", "",
                "도구 모음", "도구 모음을 표시하거나 숨깁니다", true},
    CommandInfo{kCmdToggleStatusBar, "상태 표시줄(&S)", "", "",
                "상태 표시줄", "상태 표시줄을 표시하거나 숨깁니다", true},
};

// Menus group what a user looks for together. Mnemonics are unique within a
// menu: the exit command stays apart from "CAN 수신 중지(&X)", and the
// log-path command apart from "수신 데이터 로깅 시작(&L)".
constexpr std::array kFileMenu = {kCmdOpenTransmitFile, kCmdSaveTransmitFile, 0,
                                  kCmdOpenDbc, kCmdCloseAllDbc, 0,
                                  kCmdTraceOpen, 0,
                                  kCmdLogPaths, 0, kCmdExit};
constexpr std::array kConverterMenu = {kCmdReadConfig, kCmdWriteConfig, 0,
                                       kCmdReceptionStart, kCmdReceptionStop, 0,
                                       kCmdResetCan, kCmdReadVersion};
constexpr std::array kTransmitMenu = {kCmdSendCanData, kCmdPeriodicStart, kCmdPeriodicStop,
                                      kCmdTraceReplay, 0, kCmdAddTransmitData,
                                      kCmdModifyTransmitData, kCmdDeleteTransmitData,
                                      kCmdDeleteAllTransmitData, kCmdUndo};
constexpr std::array kLogMenu = {kCmdClearReceivedData, 0, kCmdReceivedDataLogStart,
                                 kCmdReceivedDataLogStop, 0, kCmdEventLogStart,
                                 kCmdEventLogStop, kCmdClearEventLog, 0,
                                 kCmdTraceRecordStart, kCmdTraceRecordStop};
constexpr std::array kViewMenu = {kCmdToggleToolBar, kCmdToggleStatusBar};
constexpr std::array kHelpMenu = {kCmdAbout};

constexpr std::array kMenus = {
    MenuInfo{"파일(&F)", kFileMenu},     MenuInfo{"컨버터(&C)", kConverterMenu},
    MenuInfo{"송신(&T)", kTransmitMenu}, MenuInfo{"로그(&L)", kLogMenu},
    MenuInfo{"보기(&V)", kViewMenu},     MenuInfo{"도움말(&H)", kHelpMenu},
};

constexpr std::array kToolBar = {
    kCmdOpenTransmitFile, kCmdSaveTransmitFile, 0,
    kCmdReadConfig, kCmdWriteConfig, kCmdReceptionStart, kCmdReceptionStop, kCmdSendCanData,
    kCmdResetCan, 0,
    kCmdAddTransmitData, kCmdModifyTransmitData, kCmdDeleteTransmitData, kCmdPeriodicStart,
    kCmdPeriodicStop, 0,
    kCmdReceivedDataLogStart, kCmdReceivedDataLogStop, 0,
    kCmdEventLogStart, kCmdEventLogStop, 0,
    kCmdTraceRecordStart, kCmdTraceRecordStop, 0,
    kCmdAbout,
};
// clang-format on

}  // namespace

std::span<const CommandInfo> CommandTable()
{
    return kCommands;
}

const CommandInfo* FindCommand(int id)
{
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [id](const CommandInfo& command) { return command.id == id; });
    return found != kCommands.end() ? &*found : nullptr;
}

std::span<const MenuInfo> MainMenus()
{
    return kMenus;
}

std::span<const int> ToolBarLayout()
{
    return kToolBar;
}
