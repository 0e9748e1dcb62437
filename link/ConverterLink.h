#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "link/AnswerWatch.h"
#include "link/CanFrame.h"
#include "link/Commands.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "link/RingBuffer.h"
#include "link/SerialPort.h"

class QEvent;

// A received frame or converter report as a recording takes it.
struct LinkRecord {
    enum class Kind { kFrame, kErrorReport, kResetReport };
    Kind kind = Kind::kFrame;
    CanFrame frame;     // kFrame
    int dataBytes = 0;  // kFrame: data bytes it carried
    uint8_t code = 0;   // kErrorReport: the error code; kResetReport: the reason
    // When its last byte arrived on the line: the steady time (ns) of the read
    // that took it, less the line time of the bytes that read took after it.
    int64_t arrivedSteadyNs = 0;
};

// The one object through which the program talks to the converter. It owns the
// serial port, the receive ring and the frame decoder, sends the six commands,
// and decodes received bytes on the UI thread: the reader posts WM_LINK_DATA to
// this object, whose OnDataArrived feeds the bytes counted at its start to the
// decoder, which calls DispatchFrame for each complete frame.
//
// The handlers write event lines (WriteEventLine), received lines (to
// ReceivedDataSink() when one is set) and post WM_LINK_CONFIG and
// WM_LINK_ACTIVITY to the owner given to Create. A frame shorter than its
// layout is dropped silently, like every other malformed frame; only a remote
// frame may lack data bytes, as it carries none on the bus.
//
// When the reader finds that the device went away, the port stops counting as
// open at once; the link then closes it, turns receptionOn off (no reception
// runs on a lost port) and writes one red event line, when the report is
// handled or when Open or Close comes first. The next Open starts afresh; when
// it succeeds after a loss it writes a blue line that the port is back and
// emits PortBack, so that the owner reads again what may have changed meanwhile.
//
// Every command written whole waits for its answer (AnswerWatch); when none
// has come a second after the command's last byte (plus its time on a slow
// line), one red event line names the command and the likely causes, and no
// more are written until the converter answers again. A late answer is handled
// as any other.
//
// Bytes the reader drops because the ring is full are reported in a red event
// line with their number: one line per burst of losses, at most one a second
// (a later burst waits on a timer), so the last burst is told even if no more
// data arrives.
//
// Holds the 64 KiB ring inline: create it on the heap or as a long-lived object.
class CConverterLink : public QObject, public FrameSink {
    Q_OBJECT

public:
    static constexpr int kReceptionOffWaitMs = 500;
    static constexpr qint64 kDropReportIntervalMs = 1000;

    explicit CConverterLink(QObject* parent = nullptr);
    ~CConverterLink() override;

    // Sets where WM_LINK_CONFIG and WM_LINK_ACTIVITY go. False (and no owner)
    // for a null owner.
    bool Create(QObject* owner);

    // Close(0), reset the decoder, clear the ring, open the port. A port that
    // cannot be opened gives one red event line with the device, the reason
    // and, where there is one, the fix.
    bool Open(const std::string& name, uint32_t baud);
    // Closes the port if open; with switchReceptionOff set while reception is
    // on, first sends SetReception(0) and waits 500 ms for the converter. A lost
    // port is closed as the loss report would close it.
    void Close(uint32_t switchReceptionOff);
    bool IsOpen() const { return m_port.IsOpen(); }
    // Bytes still waiting to go out on the line; lets a repeated sender skip a
    // cycle instead of blocking in a write the line cannot take yet.
    size_t OutputQueued() const { return m_port.OutputQueued(); }

    void ReadConfig();
    void WriteConfig(uint32_t mode, uint32_t extended, uint32_t autoResetBusOff,
                     uint32_t notifyBusOff, uint32_t notifyErrorPassive, uint32_t notifyWarning,
                     uint32_t bitTime, uint32_t id, uint32_t maskId);
    void SetReception(uint32_t on);
    void SendCanFrame(uint32_t extended, uint32_t remote, uint8_t dlc, uint32_t id,
                      const uint8_t* data);
    // For repeated sends: as SendCanFrame, but never waits for the line and
    // writes no event line. kBusy when the line cannot take the frame now
    // (nothing of it was written); kNotSent when the port is closed, lost or
    // refused the write.
    enum class TrySendResult { kSent, kBusy, kNotSent };
    TrySendResult TrySendCanFrame(uint32_t extended, uint32_t remote, uint8_t dlc, uint32_t id,
                                  const uint8_t* data);
    void ResetCan();
    void ReadVersion();
    // Writes a command frame; nothing at all while the port is closed; a short
    // write gives a red event line with the command's caption.
    void SendFrame(const CommandFrame& frame);
    // The frame has gone out whole: its answer is waited for from now on.
    void WatchForAnswer(const CommandFrame& frame);
    // A command written whole still waits for its answer.
    bool AwaitsAnswer() const { return m_answers.Waiting(); }

    // Decodes exactly the bytes waiting in the ring when it starts, then reports
    // bytes the reader has dropped since the last report.
    int OnDataArrived();

    // Also sees every received CAN frame, with the count of data bytes it
    // carried, after its line has gone to the received-data list; empty for
    // none.
    using FrameObserver = std::function<void(const CanFrame& frame, int dataBytes)>;
    void SetFrameObserver(FrameObserver observer) { m_frameObserver = std::move(observer); }
    // Also sees the code byte of every well-formed error report, reported
    // kinds or not (a code may name none); empty for none.
    using ErrorReportObserver = std::function<void(uint8_t code)>;
    void SetErrorReportObserver(ErrorReportObserver observer)
    {
        m_errorReportObserver = std::move(observer);
    }

    // Sees every transmit confirmation first; when it returns true it has
    // taken the confirmation over and no event line is written for it (the
    // activity event is posted all the same). Empty for none.
    using TransmitObserver = std::function<bool(const CanFrame& frame, int dataBytes)>;
    void SetTransmitObserver(TransmitObserver observer)
    {
        m_transmitObserver = std::move(observer);
    }

    // Sees every received frame, error report and reset report with the time
    // its last byte arrived, after the handlers above; empty for none. While
    // there is one the port keeps exact read stamps, so that those times are
    // not up to the reader's gather pause late.
    using RecordObserver = std::function<void(const LinkRecord& record)>;
    void SetRecordObserver(RecordObserver observer);

    const ConfigReport& ReportedConfig() const { return m_reportedConfig; }
    uint32_t receptionOn() const { return m_receptionOn; }
    const CanFrame& lastFrame() const { return m_lastFrame; }

    const CSerialPort& Port() const { return m_port; }
    const CRingBuffer& Ring() const { return m_ring; }
    const FrameDecoder& Decoder() const { return m_decoder; }

    void DispatchFrame(const FrameDecoder& decoder) override;

signals:
    // receptionOn() changed; emitted while the frame that changed it is
    // handled, so what depends on it is current before the next event.
    void ReceptionChanged();
    // Open has succeeded after the port was lost; emitted within Open, so a
    // command the owner sends from it goes out before the one that reopened.
    void PortBack();

protected:
    bool event(QEvent* event) override;

private:
    void OnConfigResponse(const FrameDecoder& decoder, bool written);
    void OnReceptionResponse(const FrameDecoder& decoder);
    bool OnCanFrameReceived(const FrameDecoder& decoder);
    void OnTransmitResponse(const FrameDecoder& decoder);
    void OnResetResponse(const FrameDecoder& decoder);
    void OnErrorCodeResponse(const FrameDecoder& decoder);
    void NotifyErrorReport(const FrameDecoder& decoder);
    void OnVersionResponse(const FrameDecoder& decoder);
    void OnPortLost(uint64_t session);
    void DeclarePortLost();
    void CheckDroppedBytes();
    void ReportDroppedBytes();
    void PostToOwner(QEvent* event);
    void ReportOpenFailure(const std::string& name);
    void ReportPortBack();
    void NoteAnswer(char letter);
    void CheckAnswers();
    void ScheduleAnswerCheck();
    void SetReceptionOn(uint32_t on);
    void NotifyRecord(LinkRecord record);
    // When the byte last fed to the decoder arrived (steady ns).
    int64_t ArrivalOfLastByte();

    // Guarded: the link outlives its owner, and answers already in the ring
    // may still be decoded after the owner has gone.
    QPointer<QObject> m_owner;
    // The ring before the port: the port's reader fills it, so it is built
    // first and goes last.
    CRingBuffer m_ring;
    CSerialPort m_port;
    ConfigReport m_reportedConfig;
    uint32_t m_receptionOn = 0;
    CanFrame m_lastFrame;
    FrameObserver m_frameObserver;
    TransmitObserver m_transmitObserver;
    ErrorReportObserver m_errorReportObserver;
    RecordObserver m_recordObserver;
    // Bytes fed to the decoder since Open; matches the port's read stamps.
    uint64_t m_consumedBytes = 0;
    // A frame-received activity event waits for the owner.
    std::shared_ptr<bool> m_receivedActivityPending = std::make_shared<bool>(false);
    FrameDecoder m_decoder;
    // The port's dropped-byte count when the last loss line was written.
    uint64_t m_droppedReported = 0;
    QElapsedTimer m_lastDropReport;
    QTimer m_dropReportTimer;
    uint32_t m_baud = 0;
    // The port was lost and has not been opened since.
    bool m_reopenAfterLoss = false;
    AnswerWatch m_answers;
    QTimer m_answerTimer;
    // When m_answerTimer, while active, fires (AnswerWatch's clock).
    int64_t m_answerCheckAt = 0;
};
