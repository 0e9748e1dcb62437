#include "app/ui/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include "app/PortDiscovery.h"
#include "common/ui/MessageBoxes.h"
#include "app/ui/StatusBar.h"
#include "link/ConverterLink.h"
#include "link/LinkEvents.h"
#include "common/CommandIds.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "rxlog/ui/ListFont.h"

namespace {

constexpr char kTitle[] = "Talvox Analyzer V1.0";
constexpr char kPortOpenFailure[] = "지정한 시리얼 통신 포트를 여는데 실패했읍니다";

struct CommandDef {
    int id;
    const char* text;
    const char* shortcut;
};

// Menus in the order shown; an id of 0 is a separator.
const CommandDef kConverterMenu[] = {
    {kCmdReadConfig, "환경 설정 읽기(&C)", "Shift+C"},
    {0, nullptr, nullptr},
    {kCmdReceptionStart, "CAN 수신 시작(&N)", "Ctrl+N"},
    {kCmdReceptionStop, "CAN 수신 중지(&X)", "Ctrl+X"},
    {0, nullptr, nullptr},
    {kCmdResetCan, "CAN 리셋(&R)", "Ctrl+R"},
    {kCmdReadVersion, "펨웨어 버전 읽기(&F)", "Ctrl+F"},
    {0, nullptr, nullptr},
    {kCmdExit, "종료(&X)", ""},
};

const CommandDef kLogMenu[] = {
    {kCmdClearReceivedData, "수신 데이터 전체 삭제(&O)", "Ctrl+F4"},
    {kCmdReceivedDataLogStart, "수신 데이터 로깅 시작(&L)", "Ctrl+F2"},
    {kCmdReceivedDataLogStop, "수신 데이터 로깅 중지(&S)", "Ctrl+F3"},
    {0, nullptr, nullptr},
    {kCmdEventLogStart, "이벤트 로깅 시작(&Y)", "Shift+F2"},
    {kCmdEventLogStop, "이벤트 로깅 중지(&N)", "Shift+F3"},
    {kCmdClearEventLog, "이벤트 로그 데이터 전체 삭제(&X)", "Shift+F4"},
};

}  // namespace

CMainFrame::CMainFrame(CConverterLink& link, std::string logDirectory, QWidget* parent)
    : QMainWindow(parent),
      m_link(link),
      m_messageBoxes(&StandardMessageBoxes()),
      m_logDirectory(std::move(logDirectory)),
      m_statusBar(new StatusBar(this)),
      m_rdView(new CRDView(this)),
      m_eventDock(new QDockWidget(QString::fromUtf8("이벤트 로그 창"), this)),
      m_eventLog(new CEventLogCtrl(m_eventDock))
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setMinimumSize(800, 600);
    setStatusBar(m_statusBar);
    setCentralWidget(m_rdView);
    m_rdView->SetCommandRouter(this);

    m_eventDock->setObjectName("EventLogPane");
    m_eventDock->setWidget(m_eventLog);
    m_eventLog->SetCommandRouter(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_eventDock);

    BuildMenus();

    auto profile = OpenUserProfile();
    m_setting = LoadSettings(*profile, PortNameCount(), m_logDirectory);
    SetLogPath(kReceivedDataLog, m_setting.receivedDataLogPath);
    SetLogPath(kEventLog, m_setting.eventLogPath);

    restoreState(profile->value("Main PaneLayout").toByteArray());
    restoreGeometry(profile->value("WorkspaceState/MAIN").toByteArray());

    m_statusBar->LayOutPanes();
    m_statusBar->FollowSettings(&m_setting, &PortNames());
    m_statusBar->StartLampTimer();

    // Link responses change what is enabled (reception on or off), and a
    // disabled action ignores its shortcut; recompute a few times a second.
    m_commandStateTimer.setInterval(200);
    connect(&m_commandStateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_commandStateTimer.start();
}

CMainFrame::~CMainFrame()
{
    CloseLog(kEventLog);
    CloseLog(kReceivedDataLog);
}

void CMainFrame::BuildMenus()
{
    const auto addMenu = [this](const QString& title, const auto& commands) {
        QMenu* menu = menuBar()->addMenu(title);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        for (const CommandDef& command : commands) {
            if (command.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(command.text));
            action->setData(command.id);
            action->setShortcut(QKeySequence(QString::fromUtf8(command.shortcut)));
            connect(action, &QAction::triggered, this, [this, id = command.id] { Execute(id); });
            m_actions.push_back(action);
        }
    };
    addMenu(QString::fromUtf8("컨버터(&C)"), kConverterMenu);
    addMenu(QString::fromUtf8("로그(&L)"), kLogMenu);
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    for (QAction* action : m_actions) {
        action->setEnabled(IsCommandEnabled(action->data().toInt()));
    }
}

bool CMainFrame::IsCommandEnabled(int commandId) const
{
    switch (commandId) {
    case kCmdReceptionStart:
        return m_link.receptionOn() == 0;
    case kCmdReceptionStop:
        return m_link.receptionOn() != 0;
    case kCmdClearReceivedData:
        return m_rdView->List()->LineCount() > 0;
    case kCmdClearEventLog:
        return m_eventLog->LineCount() > 0;
    case kCmdReceivedDataLogStart:
        return !IsLogging(kReceivedDataLog);
    case kCmdReceivedDataLogStop:
        return IsLogging(kReceivedDataLog);
    case kCmdEventLogStart:
        return !IsLogging(kEventLog);
    case kCmdEventLogStop:
        return IsLogging(kEventLog);
    default:
        return true;
    }
}

void CMainFrame::Execute(int commandId)
{
    if (!IsCommandEnabled(commandId)) {
        return;
    }
    const auto withPort = [this](auto command) {
        if (!EnsurePortOpen()) {
            ShowPortOpenFailure();
            return;
        }
        command();
    };
    switch (commandId) {
    case kCmdReadConfig:
        withPort([this] { m_link.ReadConfig(); });
        break;
    case kCmdReceptionStart:
        withPort([this] { m_link.SetReception(1); });
        break;
    case kCmdReceptionStop:
        withPort([this] { m_link.SetReception(0); });
        break;
    case kCmdResetCan:
        withPort([this] { m_link.ResetCan(); });
        break;
    case kCmdReadVersion:
        withPort([this] { m_link.ReadVersion(); });
        break;
    case kCmdClearReceivedData:
        m_rdView->List()->Clear();
        break;
    case kCmdClearEventLog:
        m_eventLog->ClearHistory();
        break;
    case kCmdReceivedDataLogStart:
        StartLogging(kReceivedDataLog);
        break;
    case kCmdReceivedDataLogStop:
        StopLogging(kReceivedDataLog);
        break;
    case kCmdEventLogStart:
        StartLogging(kEventLog);
        break;
    case kCmdEventLogStop:
        StopLogging(kEventLog);
        break;
    case kCmdExit:
        close();
        break;
    default:
        break;
    }
    UpdateCommandStates();
}

bool CMainFrame::EnsurePortOpen()
{
    if (m_link.IsOpen()) {
        return true;
    }
    if (PortNameCount() == 0) {
        return false;
    }
    return m_link.Open(PortNameAt(m_setting.serialPortIndex), m_setting.serialPortBaudRate);
}

void CMainFrame::ShowPortOpenFailure()
{
    m_messageBoxes->Stop(this, QString::fromUtf8(kPortOpenFailure));
}

void CMainFrame::FinishStartup()
{
    m_eventLog->SetLineFont(MakeListFont(), true);
    WriteEventLine(std::string(45, '-') + "  " + kTitle + "  " + std::string(45, '-'), kColourGrey);
    m_link.Create(this);
    if (PortNameCount() == 0) {
        return;
    }
    if (!EnsurePortOpen()) {
        ShowPortOpenFailure();
        return;
    }
    m_link.ReadConfig();
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == WM_LINK_CONFIG) {
        const ConfigReport& reported = m_link.ReportedConfig();
        m_setting.modeByte = reported.modeByte;
        m_setting.canBitTime = reported.bitTime;
        m_setting.canMaskId = reported.maskId;
        m_setting.canId = reported.id;
        UpdateCommandStates();
        return true;
    }
    if (event->type() == WM_LINK_ACTIVITY) {
        m_statusBar->OnLinkActivity(static_cast<LinkActivityEvent*>(event)->Activity());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_link.Close(1);
    m_statusBar->StopLampTimer();
    m_commandStateTimer.stop();
    auto profile = OpenUserProfile();
    profile->setValue("Main PaneLayout", saveState());
    profile->setValue("WorkspaceState/MAIN", saveGeometry());
    SaveSettings(*profile, m_setting);
    event->accept();
}
