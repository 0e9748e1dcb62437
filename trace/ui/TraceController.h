#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QLabel;
class QWidget;
class CConverterLink;
class CIdView;
class CRDataList;
class CSignalPlotPane;
class CTraceRecorder;
class CTraceReplayer;
class MessageBoxes;
struct MainSetting;
struct Trace;

// The main window's traces: recording what the link receives, showing a
// trace file in the receive views, and replaying the trace last shown
// through the converter. The window builds the views and the status bar's
// trace text and routes the commands here; message boxes and dialogs are
// parented to it.
class CTraceController : public QObject {
    Q_OBJECT

public:
    // Where an opened trace is shown.
    struct Views {
        CRDataList& list;
        CIdView& idView;
        CSignalPlotPane& plotPane;
        QLabel& status;
    };
    // Opens the port for a replay; when it cannot, has said so and is false.
    using PortOpener = std::function<bool()>;

    // Trace files are chosen in logDirectory; setting gives the serial
    // line's speed a replay is checked against.
    CTraceController(CConverterLink& link, const MainSetting& setting, std::string logDirectory,
                     Views views, MessageBoxes& boxes, PortOpener openPort, QWidget& window);

    // "트레이스 기록": asks for the file, then records to it, in parts as large
    // as the profile's limit allows.
    void ChooseAndRecord();
    // "트레이스 열기": asks for the file, then opens it.
    void ChooseAndOpen();
    // Shows a candump log or ASC file in the receive views: every frame in
    // the by-identifier view, the last lines in the received-data list, with
    // the trace's times; the status text names the file. Refused, with a
    // message and false, while CAN reception or the received-data log runs
    // (live lines would mix with the trace's) and for a file that cannot be
    // read.
    bool Open(const QString& path);
    // "트레이스 재생": asks how, checks what the serial line can carry, and
    // starts the replay of the trace last opened.
    void Replay();
    bool HasOpenedTrace() const { return m_openedTrace != nullptr; }

    CTraceRecorder& Recorder() const { return *m_recorder; }
    CTraceReplayer& Replayer() const { return *m_replayer; }

signals:
    // What the window enables may have changed.
    void CommandStatesChanged();

private:
    void ShowStatus(const QString& text);
    void ShowReplayProgress();
    void ReportReplayEnd();

    CConverterLink& m_link;
    const MainSetting& m_setting;
    std::string m_logDirectory;
    Views m_views;
    MessageBoxes& m_boxes;
    PortOpener m_openPort;
    QWidget& m_window;
    CTraceRecorder* m_recorder;
    // The trace last opened, for a replay; its status text.
    std::shared_ptr<const Trace> m_openedTrace;
    QString m_openedTraceText;
    CTraceReplayer* m_replayer;
    uint64_t m_replaySession = 0;
    QElapsedTimer m_replayShown;
};
