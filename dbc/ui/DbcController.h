#pragma once

#include <QObject>
#include <QStringList>

class QDockWidget;
class QWidget;
class CIdView;
class CSignalPlotPane;
class CSignalView;
class DbcSession;
class MessageBoxes;

// The DBC files of the main window: loading and closing them, the list kept
// in the profile and loaded again at start, and telling the views that show
// their messages (the signal pane, the plot, the by-identifier view's row
// names). The window builds the panes and routes the commands here; message
// boxes are parented to it.
class CDbcController : public QObject {
    Q_OBJECT

public:
    CDbcController(DbcSession& session, CSignalView& signalView, QDockWidget& signalDock,
                   CIdView& idView, CSignalPlotPane& plotPane, MessageBoxes& boxes,
                   QWidget& window);

    // Loads DBC files after those loaded (a message defined again: the later
    // file's), keeps the list for the next start and shows the signal pane. A
    // file that cannot be loaded is refused whole with a message box naming
    // it and the line; the others load all the same. True when all loaded.
    bool Load(const QStringList& paths);
    // "DBC 파일 열기": asks for files, in the folder of the last one loaded.
    void ChooseAndLoad();
    // "DBC 파일 모두 닫기".
    void CloseAll();
    // At start: loads the kept list, saying in the event log what cannot be
    // loaded, then gives the plot its kept signals.
    void Restore();
    bool HasFiles() const;

signals:
    // What the window enables may have changed.
    void CommandStatesChanged();

private:
    // Tells the views and keeps the list.
    void FilesChanged();

    DbcSession& m_session;
    CSignalView& m_signalView;
    QDockWidget& m_signalDock;
    CIdView& m_idView;
    CSignalPlotPane& m_plotPane;
    MessageBoxes& m_boxes;
    QWidget& m_window;
};
