#include "trace/ui/TraceController.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QWidget>

#include "canconfig/MainSetting.h"
#include "common/TextFormat.h"
#include "common/ui/MessageBoxes.h"
#include "filter/DisplayFilter.h"
#include "link/Commands.h"
#include "link/ConverterLink.h"
#include "plot/ui/CSignalPlotPane.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CRDataList.h"
#include "trace/ReplayPlan.h"
#include "trace/Trace.h"
#include "trace/ui/CReplayDlg.h"
#include "trace/ui/TraceLines.h"
#include "trace/ui/TraceRecorder.h"
#include "trace/ui/TraceReplayer.h"

namespace {

const QString kTraceFilter = QString::fromUtf8("candump 로그(*.log);;Vector ASC(*.asc)");
// The profile's limit of one trace file in MiB; 0 or none for no limit.
constexpr char kTraceSizeLimitKey[] = "Trace/FileSizeLimitMB";
// What the received-data list can hold of an opened trace.
constexpr size_t kTraceListLines = 200;
constexpr std::string_view kReplayCaption = "[트레이스 재생]";
constexpr qint64 kReplayProgressMs = 100;
// A replayed frame is counted as not carried while more than two of the
// longest transmit frames still wait for the line.
constexpr size_t kReplayQueueLimit = 62;

}  // namespace

CTraceController::CTraceController(CConverterLink& link, const MainSetting& setting,
                                   std::string logDirectory, Views views, MessageBoxes& boxes,
                                   PortOpener openPort, QWidget& window)
    : QObject(&window),
      m_link(link),
      m_setting(setting),
      m_logDirectory(std::move(logDirectory)),
      m_views(views),
      m_boxes(boxes),
      m_openPort(std::move(openPort)),
      m_window(window),
      m_recorder(new CTraceRecorder(link, this)),
      m_replayer(new CTraceReplayer(
          [this] { return m_link.IsOpen() && m_link.Port().Session() == m_replaySession; },
          [this](const CanFrame& frame) {
              // The write never waits: a frame the line cannot take yet, or
              // that would queue behind more than a few others, is counted.
              if (m_link.OutputQueued() > kReplayQueueLimit) {
                  return false;
              }
              return m_link.TrySendCanFrame(frame.extended, frame.remote, frame.dlc, frame.id,
                                            frame.data) == CConverterLink::TrySendResult::kSent;
          },
          this))
{
    connect(m_recorder, &CTraceRecorder::RecordingChanged, this,
            &CTraceController::CommandStatesChanged);
    connect(m_replayer, &CTraceReplayer::Progress, this, &CTraceController::ShowReplayProgress);
    connect(m_replayer, &CTraceReplayer::Finished, this, &CTraceController::ReportReplayEnd);
    // Received lines follow the trace's: it is no longer what the views show.
    connect(&m_link, &CConverterLink::ReceptionChanged, this, [this] {
        if (m_link.receptionOn() != 0) {
            ShowStatus({});
            m_views.plotPane.ShowLive();
        }
    });
}

void CTraceController::ChooseAndRecord()
{
    const QString path =
        m_boxes.SaveFileName(&m_window, QString::fromUtf8("트레이스 기록"),
                             QString::fromStdString(m_logDirectory), kTraceFilter, "log");
    if (path.isEmpty()) {
        return;
    }
    const auto profile = OpenUserProfile();
    const uint64_t limitMiB = profile->value(kTraceSizeLimitKey, 0).toULongLong();
    m_recorder->Start(path.toStdString(), limitMiB * 1024 * 1024);
}

void CTraceController::ChooseAndOpen()
{
    const QString path =
        m_boxes.OpenFileName(&m_window, QString::fromUtf8("트레이스 열기"),
                             QString::fromStdString(m_logDirectory), kTraceFilter, "log");
    if (!path.isEmpty()) {
        Open(path);
    }
}

bool CTraceController::Open(const QString& path)
{
    if (m_link.receptionOn() != 0) {
        m_boxes.Stop(&m_window, QString::fromUtf8("CAN 데이터를 수신하는 동안에는 트레이스를 열 수 "
                                                  "없읍니다. CAN 수신을 중지하면 열 수 있읍니다"));
        return false;
    }
    if (IsLogging(kReceivedDataLog)) {
        m_boxes.Stop(&m_window,
                     QString::fromUtf8("수신 데이터를 로깅하는 동안에는 트레이스를 열 수 "
                                       "없읍니다: 트레이스의 줄이 수신 데이터로 로그에 "
                                       "남을 수 있읍니다"));
        return false;
    }
    Trace trace;
    const TraceReadResult result = ReadTraceFile(path.toStdString(), trace);
    if (!result.ok()) {
        m_boxes.Stop(&m_window, QString::fromStdString(result.report) +
                                    QString::fromUtf8("\n트레이스 파일을 읽을 수 없읍니다"));
        return false;
    }
    CRDataList& list = m_views.list;
    CIdView& idView = m_views.idView;
    list.Clear();
    idView.Clear();
    const std::vector<TraceRecord>& records = trace.records;
    const std::optional<int64_t> originUs = trace.originUs;
    // The by-identifier view gets the records' own times, placed so that the
    // last record arrived now: counts and periods read as they did live, and
    // only what changed in the trace's last second is highlighted.
    const int64_t lastUs = records.empty() ? 0 : records.back().timeUs;
    const auto arrivalBase = std::chrono::steady_clock::now();
    for (const TraceRecord& record : records) {
        if (!IsError(record)) {
            const CanFrame frame = FrameOfRecord(record);
            idView.AddFrame(frame.extended != 0, frame.id, frame.remote != 0, frame.dlc, frame.data,
                            frame.remote != 0 ? 0 : frame.dlc,
                            arrivalBase - std::chrono::microseconds(lastUs - record.timeUs));
        }
    }
    const size_t first = records.size() > kTraceListLines ? records.size() - kTraceListLines : 0;
    for (size_t i = first; i < records.size(); ++i) {
        list.AddLine(TraceLineText(records[i], originUs));
    }
    const std::string name = QFileInfo(path).fileName().toStdString();
    if (trace.unparsedLines != 0) {
        WriteEventLine(
            CaptionLine("[트레이스 열기]",
                        name + ": 읽을 수 없는 줄 " + std::to_string(trace.unparsedLines) +
                            "개를 건너뛰었읍니다 (첫 줄: " +
                            std::to_string(trace.firstUnparsedLine) + "번째 줄)"),
            kColourRed);
    }
    m_openedTraceText = QString::fromUtf8("트레이스: %1 (%2개)")
                            .arg(QFileInfo(path).fileName())
                            .arg(static_cast<qulonglong>(records.size()));
    ShowStatus(m_openedTraceText);
    m_openedTrace = std::make_shared<const Trace>(std::move(trace));
    m_views.plotPane.ShowTrace(m_openedTrace);
    emit CommandStatesChanged();
    return true;
}

void CTraceController::ShowStatus(const QString& text)
{
    m_views.status.setText(text);
    m_views.status.setVisible(!text.isEmpty());
}

void CTraceController::Replay()
{
    if (m_openedTrace == nullptr) {
        return;
    }
    CReplayDlg dialog(&m_window);
    if (m_boxes.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    FilterError error;
    const std::optional<DisplayFilter> filter =
        DisplayFilter::Parse(dialog.FilterText().toStdString(), &error);
    if (!filter) {
        m_boxes.Stop(&m_window, QString::fromStdString(error.message));
        return;
    }
    std::vector<ReplayFrame> plan =
        PlanReplay(*m_openedTrace, dialog.Speed(),
                   [&filter](const CanFrame& frame) { return filter->Matches(frame); });
    if (plan.empty()) {
        m_boxes.Information(&m_window, QString::fromUtf8("재생할 프레임이 없읍니다"));
        return;
    }
    if (!m_openPort()) {
        return;
    }
    size_t frameBytes = 0;
    for (const ReplayFrame& replayed : plan) {
        const CanFrame& f = replayed.frame;
        frameBytes = std::max(
            frameBytes, SendCanFrameCommand(f.extended, f.remote, f.dlc, f.id, f.data).text.size());
    }
    const size_t busiest = BusiestSecond(plan);
    const size_t carried = LineFramesPerSecond(m_setting.serialPortBaudRate, frameBytes);
    if (busiest > carried &&
        !m_boxes.Question(
            &m_window, QString::fromUtf8("트레이스의 가장 바쁜 1초에 프레임이 %1개 있으나, 시리얼 "
                                         "통신 속도 %2 bit/s로는 1초에 약 %3개까지만 보낼 수 "
                                         "있읍니다. 제 때 보내지 못한 프레임은 세어서 끝에 "
                                         "알려 드립니다. 그래도 재생하시겠읍니까?")
                           .arg(static_cast<qulonglong>(busiest))
                           .arg(m_setting.serialPortBaudRate)
                           .arg(static_cast<qulonglong>(carried)))) {
        return;
    }
    m_replaySession = m_link.Port().Session();
    WriteEventLine(CaptionLine(kReplayCaption, "프레임 " + std::to_string(plan.size()) +
                                                   "개의 재생을 시작했읍니다"),
                   kColourBlue);
    m_replayShown.invalidate();
    m_replayer->Start(std::move(plan));
    emit CommandStatesChanged();
}

void CTraceController::ShowReplayProgress()
{
    // A fast trace wakes the replay a thousand times a second; the text is
    // read, so ten updates a second are enough.
    if (!m_replayer->IsRunning() ||
        (m_replayShown.isValid() && m_replayShown.elapsed() < kReplayProgressMs)) {
        return;
    }
    m_replayShown.start();
    const size_t done = m_replayer->Sent() + m_replayer->Busy();
    ShowStatus(QString::fromUtf8("트레이스 재생: %1 / %2")
                   .arg(static_cast<qulonglong>(done))
                   .arg(static_cast<qulonglong>(m_replayer->Total())));
}

void CTraceController::ReportReplayEnd()
{
    const CTraceReplayer& replayer = *m_replayer;
    const bool shortfall = replayer.Busy() != 0 || replayer.Unsent() != 0;
    // Appended piece by piece: GCC 12 at -O3 takes "literal" + temporary for
    // an overlapping copy (-Wrestrict).
    std::string text = "프레임 ";
    text += std::to_string(replayer.Total());
    if (!shortfall) {
        text += "개를 모두 보냈읍니다";
    } else {
        text += "개 중 ";
        text += std::to_string(replayer.Sent());
        text += "개를 보내고";
        if (replayer.Busy() != 0) {
            text += ' ';
            text += std::to_string(replayer.Busy());
            text += "개는 시리얼 통신 회선이 제 때 나르지 못했으며";
        }
        if (replayer.Unsent() != 0) {
            text += ' ';
            text += std::to_string(replayer.Unsent());
            text += "개는 재생을 멈춰";
        }
        text += " 보내지 않았읍니다";
    }
    WriteEventLine(CaptionLine(kReplayCaption, text), shortfall ? kColourRed : kColourBlue);
    ShowStatus(m_openedTraceText);
    emit CommandStatesChanged();
}
