#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EventWait.h"
#include "PtyPair.h"
#include "link/LinkEvents.h"
#include "link/RingBuffer.h"
#include "link/SerialPort.h"

namespace {

TEST(SerialPortEvents, DataEventIsPostedEvenWhenEveryByteWasDropped)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    auto ring = std::make_unique<CRingBuffer>();
    static std::vector<uint8_t> filler(65535, 0);
    ring->Put(filler.data(), filler.size());
    LinkEventRecorder target;
    CSerialPort port;
    port.SetRing(ring.get());
    port.SetNotify(&target);
    ASSERT_TRUE(port.Open(pty.SlavePath(), 57600));
    ASSERT_TRUE(pty.Send(std::string(600, 'q')));
    EXPECT_TRUE(ProcessEventsUntil([&] { return port.DroppedBytes() == 600; }));
    EXPECT_TRUE(ProcessEventsUntil([&] { return target.Count(WM_LINK_DATA) >= 1; }));
    EXPECT_EQ(ring->Count(), 65535u);
    EXPECT_EQ(target.Count(WM_LINK_PORT_LOST), 0);
}

TEST(SerialPortEvents, HangUpPostsPortLostOnceAndEndsTheReader)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    auto ring = std::make_unique<CRingBuffer>();
    LinkEventRecorder target;
    CSerialPort port;
    port.SetRing(ring.get());
    port.SetNotify(&target);
    ASSERT_TRUE(port.Open(pty.SlavePath(), 9600));
    ASSERT_TRUE(pty.Send(":G01A8\r"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return ring->Count() == 7; }));
    pty.CloseMaster();
    EXPECT_TRUE(ProcessEventsUntil([&] { return target.Count(WM_LINK_PORT_LOST) == 1; }));
    EXPECT_FALSE(port.IsReaderRunning());
    port.Close();
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_EQ(target.Count(WM_LINK_PORT_LOST), 1);
}

}  // namespace
