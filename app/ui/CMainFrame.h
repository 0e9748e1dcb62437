#pragma once

#include <string>
#include <vector>

#include <QMainWindow>
#include <QTimer>

#include "canconfig/MainSetting.h"
#include "common/CommandRouter.h"

class QAction;
class QDockWidget;
class CConverterLink;
class CEventLogCtrl;
class CRDView;
class MessageBoxes;
class StatusBar;

// The analyzer's top-level window: the received-data view, the docked event-log
// pane and the status bar, with the commands that reach the converter link and
// the log channels. It composes and routes; the link, the log channels and the
// settings do the work. The transmit list and the dialogs join it later.
class CMainFrame : public QMainWindow, public CommandRouter {
    Q_OBJECT

public:
    CMainFrame(CConverterLink& link, std::string logDirectory, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // After the window is shown: banner, link window, port, configuration read.
    void FinishStartup();

    void Execute(int commandId) override;
    bool IsCommandEnabled(int commandId) const override;

    // The one way to obtain an open port before a command; sends nothing.
    bool EnsurePortOpen();

    const MainSetting& Setting() const { return m_setting; }
    // Where message boxes go; the real ones unless a test records them.
    void SetMessageBoxes(MessageBoxes& boxes) { m_messageBoxes = &boxes; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void UpdateCommandStates();
    void ShowPortOpenFailure();

    CConverterLink& m_link;
    MessageBoxes* m_messageBoxes;
    std::string m_logDirectory;
    MainSetting m_setting;
    StatusBar* m_statusBar;
    CRDView* m_rdView;
    QDockWidget* m_eventDock;
    CEventLogCtrl* m_eventLog;
    std::vector<QAction*> m_actions;
    QTimer m_commandStateTimer;
};
