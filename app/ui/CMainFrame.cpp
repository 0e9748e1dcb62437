#include "app/ui/CMainFrame.h"

#include <algorithm>
#include <string_view>

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QToolBar>

#include "app/CommandTable.h"
#include "app/LogPathChange.h"
#include "app/PortDiscovery.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/CLogPathDlg.h"
#include "app/ui/ProgramResources.h"
#include "app/ui/StatusBar.h"
#include "busstats/ui/CBusStatsPane.h"
#include "canconfig/CanBitTime.h"
#include "canconfig/ui/CSettingDlg.h"
#include "common/CommandIds.h"
#include "common/FilePaths.h"
#include "dbc/ui/CSignalView.h"
#include "dbc/ui/DbcController.h"
#include "dbc/ui/DbcHeaders.h"
#include "link/ConverterLink.h"
#include "plot/PlotSettings.h"
#include "plot/ui/CSignalPlotPane.h"
#include "link/LinkEvents.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "rxlog/ui/FilterLine.h"
#include "rxlog/ui/ListFont.h"
#include "trace/ui/TraceController.h"
#include "trace/ui/TraceRecorder.h"
#include "trace/ui/TraceReplayer.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr char kTitle[] = "Talvox Analyzer V1.0";
constexpr char kPortOpenFailure[] = "지정한 시리얼 통신 포트를 여는데 실패했읍니다";
constexpr char kEventPaneCaption[] = "이벤트 로그 창";
// Where the transmit list keeps the folder of the last transmit file.
constexpr char kTransmitFileDirValue[] = "TData File Dir";
constexpr char kStatsPaneCaption[] = "버스 통계";

// Profile keys of the window's layout.
constexpr char kPaneLayoutKey[] = "Main PaneLayout";
constexpr char kPlacementKey[] = "WorkspaceState/MAIN";
constexpr char kSplitterKey[] = "WorkspaceState/Splitter";
constexpr char kReceiveSplitterKey[] = "WorkspaceState/ReceiveSplitter";
constexpr char kStatusBarKey[] = "WorkspaceState/StatusBar";
// The display filters' texts, as typed.
constexpr char kReceivedDataFilterKey[] = "Display Filter/RData";
constexpr char kIdViewFilterKey[] = "Display Filter/ID View";

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Without a stored placement the window takes three quarters of its screen's
// free area, centred: the minimum size would cut off the right-hand columns of
// both receive views.
void PlaceForFirstStart(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size = (available.size() * 3 / 4).expandedTo(window.minimumSize());
    window.resize(size);
    window.move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

}  // namespace

CMainFrame::CMainFrame(CConverterLink& link, std::string logDirectory, MessageBoxes& boxes,
                       QWidget* parent)
    : QMainWindow(parent),
      m_link(link),
      m_boxes(boxes),
      m_logDirectory(std::move(logDirectory)),
      m_statusBar(new StatusBar(this)),
      m_splitter(new QSplitter(Qt::Horizontal, this)),
      m_leftView(new CLeftView(link, boxes, m_splitter)),
      m_receiveSplitter(new QSplitter(Qt::Vertical, m_splitter)),
      m_rdView(new CRDView(m_receiveSplitter)),
      m_idView(new CIdView),
      m_idFilter(new FilterLine(QString::fromUtf8("ID별 수신 데이터 필터"))),
      m_eventDock(new QDockWidget(QString::fromUtf8(kEventPaneCaption), this)),
      // The event-log control is made with the window, not when its pane is
      // first shown: lines written while the pane is hidden (by a stored
      // layout, or closed by the user) are kept and appear when it is shown.
      m_eventLog(new CEventLogCtrl(m_eventDock)),
      m_traceLabel(new QLabel(this))
{
    LoadProgramResources();
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(ProgramIcon());
    setMinimumSize(800, 600);
    setStatusBar(m_statusBar);

    m_splitter->setObjectName(QStringLiteral("MainSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({kLeftViewWidth, 1000});
    // A wider window widens the receive side; the transmit list keeps its width.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);
    // The received lines above, the same traffic by identifier below.
    m_receiveSplitter->setObjectName(QStringLiteral("ReceiveSplitter"));
    m_receiveSplitter->addWidget(MakeFilteredPane(m_idFilter, m_idView));
    BindFilterLine(*m_idFilter, *m_idView);
    m_receiveSplitter->setSizes({500, 300});
    m_receiveSplitter->setStretchFactor(0, 3);
    m_receiveSplitter->setStretchFactor(1, 1);
    // Counted from the start, shown when the user opens the pane.
    m_statsDock = new QDockWidget(QString::fromUtf8(kStatsPaneCaption), this);
    m_statsDock->setObjectName(QStringLiteral("BusStatsPane"));
    m_statsPane = new CBusStatsPane(m_statsDock);
    m_statsDock->setWidget(m_statsPane);
    m_statsPane->SetDroppedBytesSource([this] { return m_link.Port().DroppedBytes(); });
    m_link.SetErrorReportObserver([this](uint8_t code) { m_statsPane->AddErrorReport(code); });
    m_link.SetFrameObserver([this](const CanFrame& frame, int dataBytes) {
        m_idView->AddFrame(frame.extended != 0, frame.id, frame.remote != 0, frame.dlc, frame.data,
                           static_cast<uint8_t>(dataBytes));
        m_statsPane->AddFrame(frame, dataBytes);
        m_plotPane->FeedFrame(frame);
    });
    m_leftView->SetPortOpener([this] { return EnsurePortOpen(); });
    m_rdView->SetCommandRouter(this);

    m_eventDock->setObjectName(QStringLiteral("EventLogPane"));
    m_eventDock->setWidget(m_eventLog);
    m_eventLog->SetCommandRouter(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_eventDock);
    // Hidden until the user opens it; a layout stored without it leaves it so.
    addDockWidget(Qt::BottomDockWidgetArea, m_statsDock);
    m_statsDock->hide();
    BuildSignalPane();
    BuildPlotPane();
    m_dbcController = new CDbcController(*m_dbc, *m_signalView, *m_signalDock, *m_idView,
                                         *m_plotPane, m_boxes, *this);
    connect(m_dbcController, &CDbcController::CommandStatesChanged, this,
            &CMainFrame::UpdateCommandStates);

    BuildCommands();

    const auto profile = OpenUserProfile();
    m_setting = LoadSettings(*profile, PortNameCount(), m_logDirectory);
    SetLogPath(kReceivedDataLog, m_setting.receivedDataLogPath);
    SetLogPath(kEventLog, m_setting.eventLogPath);
    RestoreLayout(*profile);

    m_statusBar->LayOutPanes();
    m_statusBar->StartLampTimer();

    connect(m_leftView, &CLeftView::CommandStatesChanged, this, &CMainFrame::UpdateCommandStates);
    connect(&m_link, &CConverterLink::ReceptionChanged, this, &CMainFrame::UpdateCommandStates);
    // What the status bar shows may have changed while the port was away.
    connect(&m_link, &CConverterLink::PortBack, this, [this] { m_link.ReadConfig(); });
    // What is enabled changes only with these, and is recomputed when they
    // happen, so a key press right after one of them finds the new state.
    connect(m_rdView->List(), &CRDataList::HasLinesChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_eventLog, &COXHistoryCtrl::HasLinesChanged, this, &CMainFrame::UpdateCommandStates);
    SetLoggingObserver([this] { UpdateCommandStates(); });
    const auto showFollowing = [this] {
        m_statusBar->SetAutoScrollPaused(!m_rdView->List()->IsFollowing() ||
                                         !m_eventLog->IsFollowing());
    };
    connect(m_rdView->List(), &CellRowsView::FollowChanged, this, showFollowing);
    connect(m_eventLog, &CellRowsView::FollowChanged, this, showFollowing);
    m_traceController = new CTraceController(
        m_link, m_setting, m_logDirectory,
        {*m_rdView->List(), *m_idView, *m_plotPane, *m_traceLabel}, m_boxes,
        [this] {
            if (!EnsurePortOpen()) {
                ShowPortOpenFailure();
                return false;
            }
            return true;
        },
        *this);
    connect(m_traceController, &CTraceController::CommandStatesChanged, this,
            &CMainFrame::UpdateCommandStates);
    m_traceLabel->setObjectName(QStringLiteral("TracePane"));
    m_traceLabel->hide();
    m_statusBar->addWidget(m_traceLabel);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    SetLoggingObserver({});
    // The link outlives the window and its views.
    m_link.SetFrameObserver({});
    m_link.SetErrorReportObserver({});
    CloseLog(kEventLog);
    CloseLog(kReceivedDataLog);
}

void CMainFrame::BuildCommands()
{
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(Text(command.text), this);
        action->setData(command.id);
        action->setShortcut(QKeySequence(Text(command.shortcut)));
        action->setToolTip(Text(command.toolTip));
        action->setStatusTip(Text(command.prompt));
        if (!command.icon.empty()) {
            action->setIcon(QIcon(Text(command.icon)));
        }
        action->setCheckable(command.checkable);
        connect(action, &QAction::triggered, this, [this, id = command.id] { Execute(id); });
        addAction(action);
        m_actions.emplace(command.id, action);
    }

    for (const MenuInfo& info : MainMenus()) {
        QMenu* menu = menuBar()->addMenu(Text(info.title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        for (const int id : info.items) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(m_actions.at(id));
            }
        }
        // The view menu also shows and hides the event-log pane.
        if (std::ranges::find(info.items, kCmdToggleStatusBar) != info.items.end()) {
            QAction* pane = m_eventDock->toggleViewAction();
            pane->setText(QString::fromUtf8("이벤트 로그 창(&E)"));
            pane->setStatusTip(QString::fromUtf8("이벤트 로그 창을 표시하거나 숨깁니다"));
            menu->addAction(pane);
            QAction* stats = m_statsDock->toggleViewAction();
            stats->setData(kCmdBusStats);
            stats->setText(QString::fromUtf8("버스 통계(&B)"));
            stats->setStatusTip(QString::fromUtf8("버스 통계 창을 표시하거나 숨깁니다"));
            menu->addAction(stats);
            menu->addAction(m_signalDock->toggleViewAction());
            menu->addAction(m_plotDock->toggleViewAction());
        }
    }

    m_toolBar = addToolBar(QStringLiteral("ToolBar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setWindowTitle(QString::fromUtf8("도구 모음"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const int id : ToolBarLayout()) {
        if (id == 0) {
            m_toolBar->addSeparator();
        } else {
            m_toolBar->addAction(m_actions.at(id));
        }
    }
}

QAction* CMainFrame::Action(int commandId) const
{
    const auto found = m_actions.find(commandId);
    return found != m_actions.end() ? found->second : nullptr;
}

void CMainFrame::UpdateCommandStates()
{
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(IsCommandEnabled(id));
    }
    m_actions.at(kCmdToggleToolBar)->setChecked(!m_toolBar->isHidden());
    m_actions.at(kCmdToggleStatusBar)->setChecked(!m_statusBar->isHidden());
    m_statusBar->Refresh(m_setting, PortNames());
    m_statsPane->SetRates(CanBitRate(m_setting.canBitTime), m_setting.serialPortBaudRate);
}

bool CMainFrame::IsCommandEnabled(int commandId) const
{
    if (CLeftView::HandlesCommand(commandId)) {
        return m_leftView->IsCommandEnabled(commandId);
    }
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
    case kCmdCloseAllDbc:
        return m_dbcController->HasFiles();
    case kCmdTraceRecordStart:
        return !TraceRecorder()->IsRecording();
    case kCmdTraceRecordStop:
        return TraceRecorder()->IsRecording();
    case kCmdTraceReplay:
        return m_traceController->HasOpenedTrace() || TraceReplayer()->IsRunning();
    default:
        return true;
    }
}

void CMainFrame::Execute(int commandId)
{
    if (!IsCommandEnabled(commandId)) {
        return;
    }
    if (CLeftView::HandlesCommand(commandId)) {
        m_leftView->Execute(commandId);
        UpdateCommandStates();
        return;
    }
    switch (commandId) {
    case kCmdReadConfig:
        RunWithPort([this] { m_link.ReadConfig(); });
        break;
    case kCmdWriteConfig:
        WriteConfiguration();
        break;
    case kCmdReceptionStart:
        RunWithPort([this] { m_link.SetReception(1); });
        break;
    case kCmdReceptionStop:
        RunWithPort([this] { m_link.SetReception(0); });
        break;
    case kCmdResetCan:
        RunWithPort([this] { m_link.ResetCan(); });
        break;
    case kCmdReadVersion:
        RunWithPort([this] { m_link.ReadVersion(); });
        break;
    case kCmdClearReceivedData:
        m_rdView->List()->Clear();
        m_idView->Clear();
        m_statsPane->Clear();
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
    case kCmdLogPaths:
        SetLogPaths();
        break;
    case kCmdOpenDbc:
        m_dbcController->ChooseAndLoad();
        break;
    case kCmdCloseAllDbc:
        m_dbcController->CloseAll();
        break;
    case kCmdTraceRecordStart:
        m_traceController->ChooseAndRecord();
        break;
    case kCmdTraceRecordStop:
        TraceRecorder()->Stop();
        break;
    case kCmdTraceOpen:
        m_traceController->ChooseAndOpen();
        break;
    case kCmdTraceReplay:
        if (TraceReplayer()->IsRunning()) {
            TraceReplayer()->Stop();
        } else {
            m_traceController->Replay();
        }
        break;
    case kCmdAbout:
        ShowAbout();
        break;
    case kCmdExit:
        close();
        break;
    case kCmdToggleToolBar:
        m_toolBar->setVisible(m_toolBar->isHidden());
        break;
    case kCmdToggleStatusBar:
        m_statusBar->setVisible(m_statusBar->isHidden());
        break;
    default:
        break;
    }
    UpdateCommandStates();
}

void CMainFrame::RunWithPort(const std::function<void()>& command)
{
    if (EnsurePortOpen()) {
        command();
    } else {
        ShowPortOpenFailure();
    }
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
    m_boxes.Stop(this, QString::fromUtf8(kPortOpenFailure));
}

void CMainFrame::WriteConfiguration()
{
    CSettingDlg dialog(m_setting, PortNames(), m_boxes, this);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    const MainSetting& chosen = dialog.Setting();
    if (chosen.serialPortIndex == m_setting.serialPortIndex &&
        chosen.serialPortBaudRate == m_setting.serialPortBaudRate) {
        if (!EnsurePortOpen()) {
            ShowPortOpenFailure();
            return;
        }
    } else {
        const bool listed = chosen.serialPortIndex >= 0 && chosen.serialPortIndex < PortNameCount();
        if (!listed ||
            !m_link.Open(PortNameAt(chosen.serialPortIndex), chosen.serialPortBaudRate)) {
            ShowPortOpenFailure();
            return;
        }
        m_setting.serialPortIndex = chosen.serialPortIndex;
        m_setting.serialPortBaudRate = chosen.serialPortBaudRate;
    }
    m_setting.modeByte = chosen.modeByte;
    m_setting.canBitTime = chosen.canBitTime;
    m_setting.canMaskId = chosen.canMaskId;
    m_setting.canId = chosen.canId;
    const uint8_t mode = m_setting.modeByte;
    // The identifier fields' width follows the width the mode byte gives, so
    // that the frame and its mode byte agree even for a receive mode whose
    // bit 4 the converter sets by itself.
    m_link.WriteConfig((mode >> 5) & 3, IsExtendedIdMode(mode) ? 1 : 0, (mode >> 3) & 1,
                       (mode >> 2) & 1, (mode >> 1) & 1, mode & 1, m_setting.canBitTime,
                       m_setting.canId, m_setting.canMaskId);
}

void CMainFrame::SetLogPaths()
{
    CLogPathDlg dialog(LogPath(kReceivedDataLog), LogPath(kEventLog), m_boxes, this);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    ApplyLogPaths(dialog.EventPath(), dialog.ReceivedDataPath());
}

void CMainFrame::ShowAbout()
{
    AboutDialog dialog(this);
    m_boxes.RunDialog(dialog);
}

void CMainFrame::FinishStartup(const std::string& enumerationError)
{
    m_eventLog->SetLineFont(MakeListFont(), true);
    WriteEventLine(std::string(45, '-') + "  " + kTitle + "  " + std::string(45, '-'), kColourGrey);
    if (!enumerationError.empty()) {
        WriteEventLine(enumerationError, kColourRed);
    }
    m_dbcController->Restore();
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

void CMainFrame::SetFileOpener(FileKind kind, FileOpener opener)
{
    if (opener) {
        m_fileOpeners[kind] = std::move(opener);
    } else {
        m_fileOpeners.erase(kind);
    }
}

void CMainFrame::OpenFiles(const QStringList& paths)
{
    for (const QString& given : paths) {
        // Relative to the folder the program was started in; the remembered
        // folder of a transmit file needs the whole path, as a chooser gives.
        const QString path = QFileInfo(given).absoluteFilePath();
        const FileKind kind = ClassifyFile(path);
        FileOpener opener;
        if (const auto found = m_fileOpeners.find(kind); found != m_fileOpeners.end()) {
            opener = found->second;
        } else if (kind == FileKind::Transmit) {
            opener = [this](const QString& file) {
                OpenTransmitFile(file);
            };
        } else if (kind == FileKind::Dbc) {
            opener = [this](const QString& file) {
                LoadDbcFiles({file});
            };
        } else if (kind == FileKind::Trace) {
            opener = [this](const QString& file) {
                OpenTraceFile(file);
            };
        }
        FileProblem problem = CheckFile(path);
        if (problem == FileProblem::None && !opener) {
            problem = FileProblem::UnknownKind;
        }
        if (problem != FileProblem::None) {
            WriteEventLine(FileProblemLine(problem, path), kColourRed);
            continue;
        }
        opener(path);
    }
    UpdateCommandStates();
}

void CMainFrame::OpenTransmitFile(const QString& path)
{
    if (m_leftView->LoadTransmitFile(path)) {
        OpenUserProfile()->setValue(
            QStringLiteral("%1/%2").arg(QLatin1String(kMainSettingSection),
                                        QLatin1String(kTransmitFileDirValue)),
            QString::fromStdString(DirectoryOfPath(path.toStdString())));
    }
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

void CMainFrame::RestoreLayout(const QSettings& profile)
{
    restoreState(profile.value(kPaneLayoutKey).toByteArray());
    if (!restoreGeometry(profile.value(kPlacementKey).toByteArray())) {
        PlaceForFirstStart(*this);
    }
    m_splitter->restoreState(profile.value(kSplitterKey).toByteArray());
    m_receiveSplitter->restoreState(profile.value(kReceiveSplitterKey).toByteArray());
    m_rdView->Filter()->SetText(profile.value(kReceivedDataFilterKey).toString());
    m_idFilter->SetText(profile.value(kIdViewFilterKey).toString());
    m_statusBar->setVisible(profile.value(kStatusBarKey, true).toBool());
}

void CMainFrame::SaveLayout()
{
    const auto profile = OpenUserProfile();
    profile->setValue(kPaneLayoutKey, saveState());
    profile->setValue(kSplitterKey, m_splitter->saveState());
    profile->setValue(kReceiveSplitterKey, m_receiveSplitter->saveState());
    profile->setValue(kStatusBarKey, !m_statusBar->isHidden());
    profile->setValue(kReceivedDataFilterKey, m_rdView->Filter()->Text());
    profile->setValue(kIdViewFilterKey, m_idFilter->Text());
    // The log paths live in the log channels while the program runs.
    m_setting.eventLogPath = LogPath(kEventLog);
    m_setting.receivedDataLogPath = LogPath(kReceivedDataLog);
    SaveSettings(*profile, m_setting);
    SavePlotSettings(*profile, m_plotPane->Settings());
    profile->setValue(kPlacementKey, saveGeometry());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_leftView->Periodic().StopAll();
    TraceReplayer()->Stop();
    m_link.Close(1);
    TraceRecorder()->Stop();
    m_statusBar->StopLampTimer();
    SaveLayout();
    // Lines still buffered reach the disk now, not only when the frame is
    // destroyed: a program that ends without destroying it loses nothing.
    CloseLog(kEventLog);
    CloseLog(kReceivedDataLog);
    event->accept();
}

void CMainFrame::BuildSignalPane()
{
    m_dbc = std::make_unique<DbcSession>();
    m_signalDock = new QDockWidget(QString::fromUtf8("신호"), this);
    m_signalDock->setObjectName(QStringLiteral("SignalPane"));
    m_signalView = new CSignalView(m_signalDock);
    m_signalView->SetSources(&m_idView->Table(), &m_dbc->Database());
    m_signalDock->setWidget(m_signalView);
    // Its own pane rather than a third part of the receive splitter: layouts
    // kept from before restore as they were, and the pane can be put beside
    // or away from the traffic. Hidden until a DBC file is loaded.
    addDockWidget(Qt::RightDockWidgetArea, m_signalDock);
    m_signalDock->hide();
    QAction* toggle = m_signalDock->toggleViewAction();
    toggle->setText(QString::fromUtf8("신호 창(&I)"));
    toggle->setStatusTip(QString::fromUtf8("DBC 파일로 풀어 본 신호 창을 표시하거나 숨깁니다"));
    m_leftView->SetDbcDatabase(&m_dbc->Database());
}

void CMainFrame::BuildPlotPane()
{
    m_plotDock = new QDockWidget(QString::fromUtf8("신호 그래프"), this);
    m_plotDock->setObjectName(QStringLiteral("SignalPlotPane"));
    m_plotPane = new CSignalPlotPane(m_boxes, m_plotDock);
    m_plotDock->setWidget(m_plotPane);
    m_plotPane->SetDatabase(&m_dbc->Database());
    m_plotPane->SetFrameRateSource([this] {
        return m_statsPane->Stats().Sample(std::chrono::steady_clock::now()).framesPerSecond;
    });
    // Hidden until a signal is added to it.
    addDockWidget(Qt::BottomDockWidgetArea, m_plotDock);
    m_plotDock->hide();
    QAction* toggle = m_plotDock->toggleViewAction();
    toggle->setData(kCmdSignalPlot);
    toggle->setText(QString::fromUtf8("신호 그래프(&G)"));
    toggle->setStatusTip(QString::fromUtf8("신호 그래프 창을 표시하거나 숨깁니다"));
    connect(m_plotPane, &CSignalPlotPane::ChosenChanged, this, &CMainFrame::SavePlotChoice);
    connect(m_signalView, &CSignalView::PlotRequested, this, &CMainFrame::AddToPlot);
    connect(m_statsPane, &CBusStatsPane::FrameRatePlotRequested, this,
            [this] { AddToPlot({QString::fromStdString(PlotKeyText(FrameRateKey()))}); });
}

void CMainFrame::AddToPlot(const QStringList& keys)
{
    for (const QString& text : keys) {
        if (const std::optional<PlotSignalKey> key = ParsePlotKey(text.toStdString())) {
            m_plotPane->AddSignal(*key);
        }
    }
    m_plotDock->show();
    m_plotDock->raise();
}

void CMainFrame::SavePlotChoice()
{
    const auto profile = OpenUserProfile();
    SavePlotSettings(*profile, m_plotPane->Settings());
}

bool CMainFrame::LoadDbcFiles(const QStringList& paths)
{
    return m_dbcController->Load(paths);
}

bool CMainFrame::OpenTraceFile(const QString& path)
{
    return m_traceController->Open(path);
}

CTraceRecorder* CMainFrame::TraceRecorder() const
{
    return &m_traceController->Recorder();
}

QString CMainFrame::TraceStatusText() const
{
    return m_traceLabel->text();
}

CTraceReplayer* CMainFrame::TraceReplayer() const
{
    return &m_traceController->Replayer();
}
