// Periodic sending on a pseudo-terminal: a far end that stops reading never
// blocks the sender, a far end that hangs up stops it without a red line per
// send, and the converter's confirmations of periodic frames are counted
// instead of written.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "link/Commands.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "tests/link/EventWait.h"
#include "tests/link/PtyPair.h"
#include "txlist/EntrySend.h"
#include "txlist/PeriodicSender.h"

namespace {

// The longest frame: 29-bit, 8 data bytes, 31 bytes on the line.
const TDataEntry kEntry{nullptr, 0, 1, 1, 8, 0x12345678, 0x01020304, 0x05060708};

std::string WireOf(const TDataEntry& entry)
{
    uint8_t data[8];
    UnpackEntryData(entry, data);
    return SendCanFrameCommand(entry.standard == 0, entry.dataFrame == 0, entry.dlc, entry.id, data)
        .text;
}

class PeriodicOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.Ok());
        ASSERT_TRUE(m_link.Open(m_pty.SlavePath(), 115200));
    }

    // As the transmit list wires it.
    std::unique_ptr<PeriodicSender> MakeSender()
    {
        return std::make_unique<PeriodicSender>(
            [this] { return m_link.IsOpen(); },
            [this](const TDataEntry& entry) { return SendEntryUnlessBusy(m_link, entry); });
    }

    size_t RedLines() const
    {
        size_t red = 0;
        for (const PaneLine& line : m_sinks.events) {
            red += line.colour == kColourRed ? 1 : 0;
        }
        return red;
    }

    PtyPair m_pty;
    RecordingSinks m_sinks;
    CConverterLink m_link;
};

TEST_F(PeriodicOnPty, AFullLineSkipsSendsAndResumesWithWholeFramesOnly)
{
    // Nothing reads the far end: the line fills, and a send then says busy
    // at once instead of waiting for room.
    const std::string wire = WireOf(kEntry);
    size_t accepted = 0;
    SendOutcome outcome = SendOutcome::kSent;
    for (int attempt = 0; attempt < 100000 && outcome == SendOutcome::kSent; ++attempt) {
        outcome = SendEntryUnlessBusy(m_link, kEntry);
        accepted += outcome == SendOutcome::kSent ? 1 : 0;
    }
    ASSERT_EQ(outcome, SendOutcome::kBusy);
    ASSERT_GT(accepted, 0u);

    auto sender = MakeSender();
    ASSERT_TRUE(sender->Start(&kEntry, 1));
    ASSERT_TRUE(ProcessEventsUntil([&] { return sender->CountsOf(&kEntry).skipped >= 20; }));
    EXPECT_TRUE(sender->IsRunning(&kEntry));
    const uint64_t sentWhileFull = sender->CountsOf(&kEntry).sent;

    // The far end reads again: sends resume, and every byte it got belongs
    // to a whole frame, in order.
    std::string got;
    ASSERT_TRUE(ProcessEventsUntil([&] {
        got += m_pty.Drain();
        return sender->CountsOf(&kEntry).sent >= sentWhileFull + 50;
    }));
    sender->StopAll();
    const size_t frames = accepted + sender->SentCount();
    ASSERT_TRUE(ProcessEventsUntil([&] {
        got += m_pty.Drain();
        return got.size() >= frames * wire.size() && m_link.Port().PendingBytes() == 0;
    }));
    got += m_pty.Drain();
    ASSERT_EQ(got.size(), frames * wire.size());
    for (size_t at = 0; at < got.size(); at += wire.size()) {
        ASSERT_EQ(got.compare(at, wire.size(), wire), 0) << "frame " << at / wire.size();
    }
    EXPECT_GE(sender->BusyCount(), 20u);
    EXPECT_EQ(RedLines(), 0u);
}

TEST_F(PeriodicOnPty, AHungUpLineStopsTheSendsWithOneRedLine)
{
    // Bytes from the far end, then its hang-up while the reader lets more
    // gather: sends in that moment find the line gone before the loss is
    // reported, and must neither write a line nor go on.
    ASSERT_TRUE(m_pty.Send(":Q"));
    ASSERT_TRUE(WaitFor([&] { return m_link.Ring().Count() == 2; }));
    m_pty.CloseMaster();
    auto sender = MakeSender();
    sender->Start(&kEntry, 1);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !m_link.IsOpen() && !m_sinks.events.empty(); }));
    ASSERT_TRUE(ProcessEventsUntil([&] { return sender->RunningCount() == 0; }));
    ASSERT_EQ(m_sinks.events.size(), 1u);
    EXPECT_EQ(m_sinks.events[0].colour, kColourRed);
    EXPECT_NE(m_sinks.events[0].text.find("[시리얼 통신 에러]"), std::string::npos);
}

TEST(SerialPortTryWrite, ARefusedWriteFailsAtOnceEvenBeforeTheLossIsMarked)
{
    PtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), 115200));
    port.StopReader();  // no reader to mark the loss
    pty.CloseMaster();
    const uint8_t frame[] = {':', 'R', '5', '2', '\r'};
    EXPECT_EQ(port.TryWrite(frame, sizeof frame), CSerialPort::TryWriteResult::kFailed);
    EXPECT_EQ(port.PendingBytes(), 0u);
}

TEST_F(PeriodicOnPty, ConfirmationsOfPeriodicFramesAreCountedNotWritten)
{
    auto sender = MakeSender();
    m_link.SetTransmitObserver(
        [&](const CanFrame& frame, int) { return sender->ClaimConfirmation(frame); });
    const TDataEntry other{nullptr, 1, 1, 1, 1, 0x123, 0x55000000, 0};
    ASSERT_TRUE(sender->Start(&kEntry, 60000));
    ASSERT_EQ(sender->CountsOf(&kEntry).sent, 1u);

    // Confirmations: the periodic frame (claimed), one frame that differs in a
    // data byte and one of another frame (both written), and a second one of
    // the periodic frame beyond what was sent (written).
    const CanFrame sent = SentFrameOf(kEntry);
    CanFrame changed = sent;
    changed.data[7] ^= 1;
    const std::string answers =
        BuildFrame(CanFrameBody('W', sent)) + BuildFrame(CanFrameBody('W', changed)) +
        BuildFrame(CanFrameBody('W', SentFrameOf(other))) + BuildFrame(CanFrameBody('W', sent));
    ASSERT_TRUE(m_pty.Send(answers));
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_sinks.events.size() >= 3; }));
    EXPECT_EQ(sender->CountsOf(&kEntry).confirmed, 1u);
    ASSERT_EQ(m_sinks.events.size(), 3u);
    for (const PaneLine& line : m_sinks.events) {
        EXPECT_EQ(line.text.rfind("[CAN 데이터 송신 응답]", 0), 0u) << line;
    }
    m_link.SetTransmitObserver({});
}

}  // namespace
