#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QStringList>

#include "app/FileArguments.h"
#include "canconfig/MainSetting.h"
#include "common/CommandRouter.h"
#include "common/ui/MessageBoxes.h"

class QAction;
class QSettings;
class QDockWidget;
class QSplitter;
class QToolBar;
class CBusStatsPane;
class CConverterLink;
class CDbcController;
class CEventLogCtrl;
class CIdView;
class CLeftView;
class CRDView;
class CSignalPlotPane;
class CSignalView;
class DbcSession;
class CTraceController;
class CTraceRecorder;
class CTraceReplayer;
class QLabel;
class FilterLine;
class StatusBar;

// The analyzer's top-level window: the transmit list and the received-data
// view side by side in a splitter, the docked event-log pane, the menu bar and
// tool bar built from the command table, and the status bar. It composes and
// routes: every command, from a menu, the tool bar, an accelerator or a
// context menu, goes through Execute; the transmit-list commands are forwarded
// to the transmit list, the DBC and trace commands to their controllers; the
// link, the log channels, the settings and the dialogs do the work. What is
// enabled (and what the status bar shows) is recomputed when something it
// depends on changes: after every command, when reception, the settings, a
// logging switch, the transmit list's rows or selection, or the emptiness of
// a list change; so a key press always meets the current state, and a flood
// of frames costs nothing here.
class CMainFrame : public QMainWindow, public CommandRouter {
    Q_OBJECT

public:
    static constexpr int kLeftViewWidth = 475;

    CMainFrame(CConverterLink& link, std::string logDirectory,
               MessageBoxes& boxes = StandardMessageBoxes(), QWidget* parent = nullptr);
    ~CMainFrame() override;

    // After the window is shown: list font, banner (then the port-enumeration
    // error, if any), link, port, configuration read.
    void FinishStartup(const std::string& enumerationError = std::string());

    // Opens a file of the kind named on the command line; reports its own
    // failures.
    using FileOpener = std::function<void(const QString& path)>;
    // Registers the opener of a kind (a null one removes it). ".ctd" files
    // open in the transmit list unless another opener is registered; a file
    // whose kind has no opener gets a red event line and is not opened.
    void SetFileOpener(FileKind kind, FileOpener opener);
    // After FinishStartup: opens each file in turn by its extension, as
    // absolute paths. A missing, unreadable or unknown file gets a red event
    // line; the others go to their openers.
    void OpenFiles(const QStringList& paths);

    void Execute(int commandId) override;
    bool IsCommandEnabled(int commandId) const override;

    // The one way to obtain an open port before a command; sends nothing.
    bool EnsurePortOpen();

    const MainSetting& Setting() const { return m_setting; }
    QAction* Action(int commandId) const;
    CLeftView* LeftView() const { return m_leftView; }
    CRDView* ReceivedDataView() const { return m_rdView; }
    CIdView* IdView() const { return m_idView; }
    FilterLine* IdFilter() const { return m_idFilter; }
    CEventLogCtrl* EventLog() const { return m_eventLog; }
    CBusStatsPane* BusStatsPane() const { return m_statsPane; }
    QToolBar* ToolBar() const { return m_toolBar; }

    // Enables and checks every action by the current state.
    void UpdateCommandStates();

    // As CDbcController::Load. Files given after FinishStartup (which loads
    // the kept list) come after the kept ones, and so win where both define a
    // message.
    bool LoadDbcFiles(const QStringList& paths);
    const DbcSession& Dbc() const { return *m_dbc; }
    CSignalView* SignalView() const { return m_signalView; }
    QDockWidget* SignalPane() const { return m_signalDock; }
    // The signal plot, fed with every received frame; its signals and window
    // are kept in the profile with the DBC files.
    CSignalPlotPane* PlotPane() const { return m_plotPane; }
    QDockWidget* PlotDock() const { return m_plotDock; }
    // Traces. OpenTraceFile is CTraceController::Open: the trace in the
    // receive views, named in the status bar.
    bool OpenTraceFile(const QString& path);
    CTraceRecorder* TraceRecorder() const;
    // The status bar's trace text, "" when no trace is shown.
    QString TraceStatusText() const;
    CTraceReplayer* TraceReplayer() const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildCommands();
    void ShowPortOpenFailure();
    // Runs the command once the port is open; says so when it cannot be opened.
    void RunWithPort(const std::function<void()>& command);
    void WriteConfiguration();
    void SetLogPaths();
    void ShowAbout();
    void RestoreLayout(const QSettings& profile);
    void SaveLayout();
    // As "송신 파일 열기" after its file chooser: the list replaced, and the
    // folder remembered, only when the file loads.
    void OpenTransmitFile(const QString& path);
    // The signal pane, hidden until a DBC file is loaded.
    void BuildSignalPane();
    void BuildPlotPane();
    // Adds the signals of these plot keys and shows the plot.
    void AddToPlot(const QStringList& keys);
    void SavePlotChoice();

    CConverterLink& m_link;
    MessageBoxes& m_boxes;
    std::string m_logDirectory;
    MainSetting m_setting;
    StatusBar* m_statusBar;
    QSplitter* m_splitter;
    CLeftView* m_leftView;
    QSplitter* m_receiveSplitter;
    CRDView* m_rdView;
    CIdView* m_idView;
    FilterLine* m_idFilter;
    QDockWidget* m_eventDock;
    CEventLogCtrl* m_eventLog;
    QDockWidget* m_statsDock = nullptr;
    CBusStatsPane* m_statsPane = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::map<int, QAction*> m_actions;
    std::map<FileKind, FileOpener> m_fileOpeners;
    std::unique_ptr<DbcSession> m_dbc;
    QDockWidget* m_signalDock = nullptr;
    CSignalView* m_signalView = nullptr;
    QDockWidget* m_plotDock = nullptr;
    CSignalPlotPane* m_plotPane = nullptr;
    CDbcController* m_dbcController = nullptr;
    QLabel* m_traceLabel;
    CTraceController* m_traceController = nullptr;
};
