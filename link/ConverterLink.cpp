#include "link/ConverterLink.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QEvent>

#include "common/TextFormat.h"
#include "link/LinkEvents.h"
#include "link/ResponseText.h"
#include "rxlog/EventLine.h"

namespace {

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CConverterLink::CConverterLink(QObject* parent) : QObject(parent), m_decoder(this)
{
    m_port.SetNotify(this);
    m_port.SetRing(&m_ring);
    m_dropReportTimer.setSingleShot(true);
    connect(&m_dropReportTimer, &QTimer::timeout, this, &CConverterLink::ReportDroppedBytes);
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, &CConverterLink::CheckAnswers);
}

CConverterLink::~CConverterLink()
{
    Close(1);
}

bool CConverterLink::Create(QObject* owner)
{
    m_owner = owner;
    if (!m_port.IsOpen()) {
        m_ring.Clear();
    }
    return owner != nullptr;
}

bool CConverterLink::Open(const std::string& name, uint32_t baud)
{
    Close(0);
    m_decoder.Reset();
    m_ring.Clear();
    // Answers to commands sent before can no longer be decoded.
    m_answers.Forget();
    m_baud = baud;
    m_consumedBytes = 0;
    if (!m_port.Open(name, baud)) {
        Close(0);
        ReportOpenFailure(name);
        return false;
    }
    if (std::exchange(m_reopenAfterLoss, false)) {
        ReportPortBack();
    }
    return true;
}

void CConverterLink::ReportPortBack()
{
    WriteEventLine(CaptionLine(kSerialLinkCaption, kPortBackText), kColourBlue);
    emit PortBack();
}

void CConverterLink::ReportOpenFailure(const std::string& name)
{
    const std::string device = CSerialPort::DevicePath(name);
    const PortOpenFailure& failure = m_port.OpenFailure();
    WriteEventLine(
        CaptionLine(kSerialErrorCaption,
                    PortOpenFailureText(device, failure, FindPortOpenHelp(device, failure))),
        kColourRed);
}

void CConverterLink::Close(uint32_t switchReceptionOff)
{
    if (m_port.IsLost()) {
        DeclarePortLost();
        return;
    }
    if (!m_port.IsOpen()) {
        return;
    }
    if (switchReceptionOff != 0 && m_receptionOn != 0) {
        SetReception(0);
        // Gives the converter time to take the command before the line closes.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReceptionOffWaitMs));
    }
    m_port.Close();
}

void CConverterLink::ReadConfig()
{
    SendFrame(ReadConfigCommand());
}

void CConverterLink::WriteConfig(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                                 uint32_t notifyBusOff, uint32_t notifyErrorPassive,
                                 uint32_t notifyWarning, uint32_t bitTime, uint32_t id,
                                 uint32_t maskId)
{
    SendFrame(WriteConfigCommand(mode, extended, autoResetBusOff, notifyBusOff, notifyErrorPassive,
                                 notifyWarning, bitTime, id, maskId));
}

void CConverterLink::SetReception(uint32_t on)
{
    SendFrame(SetReceptionCommand(on));
}

void CConverterLink::SendCanFrame(uint32_t extended, uint32_t remote, uint8_t dlc, uint32_t id,
                                  const uint8_t* data)
{
    SendFrame(SendCanFrameCommand(extended, remote, dlc, id, data));
}

CConverterLink::TrySendResult CConverterLink::TrySendCanFrame(uint32_t extended, uint32_t remote,
                                                              uint8_t dlc, uint32_t id,
                                                              const uint8_t* data)
{
    const CommandFrame frame = SendCanFrameCommand(extended, remote, dlc, id, data);
    switch (
        m_port.TryWrite(reinterpret_cast<const uint8_t*>(frame.text.data()), frame.text.size())) {
    case CSerialPort::TryWriteResult::kWritten:
        WatchForAnswer(frame);
        return TrySendResult::kSent;
    case CSerialPort::TryWriteResult::kBusy:
        return TrySendResult::kBusy;
    default:
        return TrySendResult::kNotSent;
    }
}

void CConverterLink::ResetCan()
{
    SendFrame(ResetCanCommand());
}

void CConverterLink::ReadVersion()
{
    SendFrame(ReadVersionCommand());
}

void CConverterLink::SendFrame(const CommandFrame& frame)
{
    if (!m_port.IsOpen()) {
        return;
    }
    const size_t written =
        m_port.Write(reinterpret_cast<const uint8_t*>(frame.text.data()), frame.text.size());
    if (written != frame.text.size()) {
        WriteEventLine(CaptionLine(frame.caption, kSendProblemText), kColourRed);
        return;
    }
    WatchForAnswer(frame);
}

void CConverterLink::WatchForAnswer(const CommandFrame& frame)
{
    if (frame.text.size() < 2) {
        return;
    }
    // The frame may wait behind others in the driver; they all go out first.
    const size_t queued = std::max(frame.text.size(), m_port.OutputQueued());
    m_answers.Sent(frame.text[1], frame.caption, NowMs(),
                   AnswerWatch::LineTimeMs(queued + AnswerWatch::kLongestAnswer, m_baud));
    ScheduleAnswerCheck();
}

void CConverterLink::NoteAnswer(char letter)
{
    // The timer is left running: it finds nothing overdue and stops, which
    // costs less than restarting it for every answer of a fast periodic send.
    m_answers.Received(letter);
}

void CConverterLink::ScheduleAnswerCheck()
{
    const std::optional<int64_t> next = m_answers.NextDeadline();
    if (!next) {
        return;
    }
    if (m_answerTimer.isActive() && m_answerCheckAt <= *next) {
        return;
    }
    m_answerCheckAt = *next;
    m_answerTimer.start(static_cast<int>(std::max<int64_t>(0, *next - NowMs())));
}

void CConverterLink::CheckAnswers()
{
    // An answer already received but not yet decoded is no silence.
    OnDataArrived();
    if (const std::optional<std::string_view> caption = m_answers.Expire(NowMs())) {
        WriteEventLine(CaptionLine(*caption, kNoAnswerText), kColourRed);
    }
    ScheduleAnswerCheck();
}

void CConverterLink::SetRecordObserver(RecordObserver observer)
{
    m_recordObserver = std::move(observer);
    m_port.SetExactStamps(static_cast<bool>(m_recordObserver));
}

int CConverterLink::OnDataArrived()
{
    m_port.AcknowledgeData();
    uint32_t left = m_ring.Count();
    uint8_t chunk[1024];
    while (left > 0) {
        const size_t taken = m_ring.Get(chunk, left < sizeof chunk ? left : sizeof chunk);
        if (taken == 0) {
            break;
        }
        // Byte by byte, so a handler knows which byte ended its frame.
        for (size_t i = 0; i < taken; ++i) {
            ++m_consumedBytes;
            m_decoder.Feed(chunk[i]);
        }
        left -= static_cast<uint32_t>(taken);
    }
    CSerialPort::ReadStamp stamp;
    while (m_port.PeekReadStamp(stamp) && stamp.endByte <= m_consumedBytes) {
        m_port.PopReadStamp();
    }
    CheckDroppedBytes();
    return 0;
}

void CConverterLink::CheckDroppedBytes()
{
    if (m_port.DroppedBytes() == m_droppedReported || m_dropReportTimer.isActive()) {
        return;
    }
    const qint64 since =
        m_lastDropReport.isValid() ? m_lastDropReport.elapsed() : kDropReportIntervalMs;
    if (since >= kDropReportIntervalMs) {
        ReportDroppedBytes();
    } else {
        m_dropReportTimer.start(static_cast<int>(kDropReportIntervalMs - since));
    }
}

void CConverterLink::ReportDroppedBytes()
{
    const uint64_t dropped = m_port.DroppedBytes();
    if (dropped == m_droppedReported) {
        return;
    }
    const uint64_t lost = dropped - m_droppedReported;
    m_droppedReported = dropped;
    m_lastDropReport.start();
    WriteEventLine(CaptionLine(kSerialErrorCaption, RingOverflowDetail(lost)), kColourRed);
}

bool CConverterLink::event(QEvent* event)
{
    if (event->type() == WM_LINK_DATA) {
        OnDataArrived();
        return true;
    }
    if (event->type() == WM_LINK_PORT_LOST) {
        OnPortLost(static_cast<LinkPortLostEvent*>(event)->Session());
        return true;
    }
    return QObject::event(event);
}

void CConverterLink::OnPortLost(uint64_t session)
{
    // A report about an earlier opening, or about a loss Open or Close has
    // already dealt with, is old news.
    if (session != m_port.Session() || !m_port.IsLost()) {
        return;
    }
    DeclarePortLost();
}

void CConverterLink::DeclarePortLost()
{
    m_port.Close();
    m_reopenAfterLoss = true;
    SetReceptionOn(0);
    // The loss is told; commands that went out before it need no notice of their own.
    m_answers.Forget();
    WriteEventLine(CaptionLine(kSerialErrorCaption, kPortLostText), kColourRed);
}

void CConverterLink::PostToOwner(QEvent* event)
{
    if (m_owner != nullptr) {
        QCoreApplication::postEvent(m_owner, event);
    } else {
        delete event;
    }
}

void CConverterLink::DispatchFrame(const FrameDecoder& decoder)
{
    NoteAnswer(static_cast<char>(decoder.Letter()));
    switch (decoder.Letter()) {
    case 'G':
        OnReceptionResponse(decoder);
        break;
    case 'I':
        OnErrorCodeResponse(decoder);
        NotifyErrorReport(decoder);
        break;
    case 'R':
        OnResetResponse(decoder);
        break;
    case 'U':
        if (OnCanFrameReceived(decoder)) {
            SetReceptionOn(1);
        }
        break;
    case 'V':
        OnVersionResponse(decoder);
        break;
    case 'W':
        OnTransmitResponse(decoder);
        break;
    case 'Y':
        OnConfigResponse(decoder, false);
        break;
    case 'Z':
        OnConfigResponse(decoder, true);
        break;
    default:
        break;
    }
}

void CConverterLink::OnConfigResponse(const FrameDecoder& decoder, bool written)
{
    if (!ParseConfigFields(decoder.bytes, decoder.byteCount, m_reportedConfig)) {
        return;
    }
    PostToOwner(new QEvent(WM_LINK_CONFIG));
    const std::string_view caption =
        written ? kConfigWriteResponseCaption : kConfigReadResponseCaption;
    WriteEventLine(CaptionLine(caption, ConfigResponseDetail(m_reportedConfig)), kColourBlack);
    if (written) {
        SetReceptionOn(0);
        WriteEventLine(CaptionLine(caption, kReceptionStoppedText), kColourBlue);
    }
}

void CConverterLink::OnReceptionResponse(const FrameDecoder& decoder)
{
    uint8_t on = 0;
    if (!ParseByteField(decoder.bytes, decoder.byteCount, on)) {
        return;
    }
    SetReceptionOn(on != 0 ? 1 : 0);
    WriteEventLine(CaptionLine(kReceptionResponseCaption, ReceptionResponseDetail(on)),
                   kColourBlack);
}

bool CConverterLink::OnCanFrameReceived(const FrameDecoder& decoder)
{
    CanFrame frame;
    int dataBytes = 0;
    if (!ParseCanFrameFields(decoder.bytes, decoder.byteCount, frame, &dataBytes)) {
        return false;
    }
    m_lastFrame = frame;
    if (!*m_receivedActivityPending) {
        PostToOwner(new LinkActivityEvent(kActivityFrameReceived, m_receivedActivityPending));
    }
    if (ReceivedLineSink* sink = ReceivedDataSink()) {
        sink->AddReceivedFrameLine(ReceivedLine(frame, dataBytes), frame.extended != 0, frame.id);
    }
    if (m_frameObserver) {
        m_frameObserver(frame, dataBytes);
    }
    NotifyRecord({LinkRecord::Kind::kFrame, frame, dataBytes, 0, 0});
    return true;
}

void CConverterLink::OnTransmitResponse(const FrameDecoder& decoder)
{
    CanFrame frame;
    int dataBytes = 0;
    if (!ParseCanFrameFields(decoder.bytes, decoder.byteCount, frame, &dataBytes)) {
        return;
    }
    PostToOwner(new LinkActivityEvent(kActivityTransmitConfirmed));
    if (m_transmitObserver && m_transmitObserver(frame, dataBytes)) {
        return;
    }
    WriteEventLine(CaptionLine(kTransmitResponseCaption, TransmitResponseDetail(frame, dataBytes)),
                   kColourBlack);
}

void CConverterLink::OnResetResponse(const FrameDecoder& decoder)
{
    uint8_t reason = 0;
    if (!ParseByteField(decoder.bytes, decoder.byteCount, reason)) {
        return;
    }
    SetReceptionOn(0);
    WriteEventLine(CaptionLine(kResetResponseCaption, ResetReasonText(reason)), kColourBlue);
    WriteEventLine(CaptionLine(kResetResponseCaption, kReceptionStoppedText), kColourBlue);
    NotifyRecord({LinkRecord::Kind::kResetReport, {}, 0, reason, 0});
}

void CConverterLink::OnErrorCodeResponse(const FrameDecoder& decoder)
{
    uint8_t code = 0;
    if (!ParseByteField(decoder.bytes, decoder.byteCount, code) || (code & 0x1F) == 0) {
        return;
    }
    WriteEventLine(
        CaptionLine(kErrorCodeResponseCaption, ErrorCodeDetail(code & 0x1F)) + " 에러 발생",
        kColourBlue);
    NotifyRecord({LinkRecord::Kind::kErrorReport, {}, 0, code, 0});
}

void CConverterLink::NotifyErrorReport(const FrameDecoder& decoder)
{
    uint8_t code = 0;
    if (m_errorReportObserver && ParseByteField(decoder.bytes, decoder.byteCount, code)) {
        m_errorReportObserver(code);
    }
}

void CConverterLink::OnVersionResponse(const FrameDecoder& decoder)
{
    uint8_t version = 0;
    if (!ParseByteField(decoder.bytes, decoder.byteCount, version)) {
        return;
    }
    WriteEventLine(CaptionLine(kVersionResponseCaption, VersionDetail(version)), kColourBlack);
}

void CConverterLink::SetReceptionOn(uint32_t on)
{
    if (on == m_receptionOn) {
        return;
    }
    m_receptionOn = on;
    emit ReceptionChanged();
}

void CConverterLink::NotifyRecord(LinkRecord record)
{
    if (!m_recordObserver) {
        return;
    }
    record.arrivedSteadyNs = ArrivalOfLastByte();
    m_recordObserver(record);
}

int64_t CConverterLink::ArrivalOfLastByte()
{
    CSerialPort::ReadStamp stamp;
    while (m_port.PeekReadStamp(stamp) && stamp.endByte < m_consumedBytes) {
        m_port.PopReadStamp();
    }
    if (!m_port.PeekReadStamp(stamp)) {
        // Bytes fed without a stamp (none queued, or fed by hand) arrived by now.
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    const uint64_t after = stamp.endByte - m_consumedBytes;
    const int64_t lineNs =
        m_baud == 0 ? 0 : static_cast<int64_t>(after * 10 * 1'000'000'000ULL / m_baud);
    return stamp.steadyNs - lineNs;
}
