#include "trace/ui/TraceRecorder.h"

#include <optional>
#include <string_view>

#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"
#include "trace/Trace.h"

namespace {

constexpr std::string_view kRecordCaption = "[트레이스 기록]";
constexpr std::string_view kRecordErrorCaption = "[트레이스 기록 에러]";

int64_t WallNowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CTraceRecorder::CTraceRecorder(CConverterLink& link, QObject* parent)
    : QObject(parent), m_link(link), m_clock(TraceClock::FromNow())
{
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CTraceRecorder::Flush);
}

CTraceRecorder::~CTraceRecorder()
{
    m_link.SetRecordObserver({});
    if (m_writer != nullptr) {
        m_writer->Close();
    }
}

bool CTraceRecorder::Start(const std::string& path, uint64_t sizeLimit)
{
    Stop();
    TraceFileWriter::Options options;
    options.format = DetectTraceFormat(path, {});
    options.sizeLimit = sizeLimit;
    auto writer = std::make_unique<TraceFileWriter>(options);
    m_clock = TraceClock::FromNow();
    const TraceWriteStatus status = writer->Open(path, WallNowUs());
    if (!status.ok()) {
        WriteEventLine(
            CaptionLine(kRecordErrorCaption, status.report + " : 트레이스 파일을 만들 수 없읍니다"),
            kColourRed);
        return false;
    }
    m_writer = std::move(writer);
    m_records = 0;
    m_link.SetRecordObserver([this](const LinkRecord& record) { Take(record); });
    m_flushTimer.start();
    WriteEventLine(CaptionLine(kRecordCaption, path + " 에 트레이스 기록을 시작했읍니다"),
                   kColourBlue);
    emit RecordingChanged();
    return true;
}

void CTraceRecorder::Stop()
{
    if (m_writer == nullptr) {
        return;
    }
    const std::string path = m_writer->Files().back();
    const TraceWriteStatus status = m_writer->Close();
    if (!status.ok()) {
        Fail();
        return;
    }
    Finish();
    WriteEventLine(CaptionLine(kRecordCaption, path + " 의 트레이스 기록을 중지했읍니다 (" +
                                                   std::to_string(m_records) + "개)"),
                   kColourBlue);
}

void CTraceRecorder::Take(const LinkRecord& record)
{
    if (m_writer == nullptr) {
        return;
    }
    const int64_t timeUs = m_clock.FrameTime(record.arrivedSteadyNs, 0, 0, 0);
    std::optional<TraceRecord> taken;
    switch (record.kind) {
    case LinkRecord::Kind::kFrame:
        taken = RecordOfFrame(record.frame, timeUs);
        break;
    case LinkRecord::Kind::kErrorReport:
        taken = RecordOfErrorReport(record.code, timeUs);
        break;
    case LinkRecord::Kind::kResetReport:
        taken = RecordOfResetReport(record.code, timeUs);
        break;
    }
    if (!taken) {
        return;
    }
    const size_t files = m_writer->Files().size();
    if (!m_writer->Append(*taken)) {
        // The link is calling this observer: it is let go of afterwards.
        m_keepObserver = true;
        Fail();
        m_keepObserver = false;
        return;
    }
    ++m_records;
    if (m_writer->Files().size() != files) {
        ReportNextFile();
    }
}

void CTraceRecorder::ReportNextFile()
{
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // a literal added to a string temporary.
    const std::vector<std::string>& files = m_writer->Files();
    std::string text = files[files.size() - 2];
    text += " 이(가) 크기 제한에 이르러 ";
    text += files.back();
    text += " 에 이어서 기록하기 시작했읍니다";
    WriteEventLine(CaptionLine(kRecordCaption, text), kColourBlue);
}

void CTraceRecorder::Flush()
{
    if (m_writer != nullptr && !m_writer->Flush().ok()) {
        Fail();
    }
}

void CTraceRecorder::Fail()
{
    const std::string report = m_writer->Status().report;
    m_writer->Close();
    Finish();
    WriteEventLine(CaptionLine(kRecordErrorCaption, report + " : 트레이스 기록을 중지했읍니다 (" +
                                                        std::to_string(m_records) + "개 기록)"),
                   kColourRed);
}

void CTraceRecorder::Finish()
{
    if (m_keepObserver) {
        QTimer::singleShot(0, this, [this] {
            if (m_writer == nullptr) {
                m_link.SetRecordObserver({});
            }
        });
    } else {
        m_link.SetRecordObserver({});
    }
    m_flushTimer.stop();
    m_writer.reset();
    emit RecordingChanged();
}
