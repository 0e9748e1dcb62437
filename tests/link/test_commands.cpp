#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "link/Commands.h"

namespace {

TEST(Commands, FixedCommandsAreCompleteFrames)
{
    EXPECT_EQ(ReadConfigCommand().text, ":Y59\r");
    EXPECT_EQ(ResetCanCommand().text, ":R52\r");
    EXPECT_EQ(ReadVersionCommand().text, ":V56\r");
    EXPECT_EQ(SetReceptionCommand(1).text, ":G11A9\r");
    EXPECT_EQ(SetReceptionCommand(0).text, ":G10A8\r");
    EXPECT_EQ(SetReceptionCommand(0x100).text, ":G11A9\r");  // any non-zero is on
}

TEST(Commands, CaptionsNameTheCommand)
{
    EXPECT_EQ(ReadConfigCommand().caption, "[환경설정 읽기 명령]");
    EXPECT_EQ(SetReceptionCommand(1).caption, "[CAN 데이터 수신 여부 명령]");
    EXPECT_EQ(ResetCanCommand().caption, "[CAN 리셋 명령]");
    EXPECT_EQ(ReadVersionCommand().caption, "[버전 읽기 명령]");
    const uint8_t data[8] = {};
    EXPECT_EQ(SendCanFrameCommand(0, 0, 0, 0, data).caption, "[CAN 데이터 송신 명령]");
    EXPECT_EQ(WriteConfigCommand(0, 0, 0, 0, 0, 0, 0, 0, 0).caption, "[환경설정 쓰기 명령]");
}

struct WriteConfigCase {
    uint32_t mode, extended, autoReset, busOff, passive, warning, bitTime, id, maskId;
    const char* frame;
};

TEST(Commands, WriteConfigFrames)
{
    const WriteConfigCase cases[] = {
        {0, 0, 1, 1, 0, 0, 0x01020505, 0x123, 0, ":Z0C0102050501230000E0\r"},
        {0, 1, 1, 1, 0, 0, 0x01020505, 0, 0, ":Z1C0102050500000000000000005B\r"},
        // Mode 2 sets bit 4 and writes 8-digit fields.
        {2, 1, 0, 0, 0, 0, 0x01020505, 0x1ABCDEF0, 0x1FFFFFFF, ":Z50010205051ABCDEF01FFFFFFF"},
        // Mode 1 clears bit 4.
        {1, 0, 0, 0, 1, 1, 0x01020505, 0x7FF, 0x700,
         ":Z23010205050"
         "7FF0700"},
        // Identifiers wider than their field are cut.
        {0, 0, 0, 0, 0, 0, 0x00000202, 0xFFFF, 0xFFFF,
         ":Z00000002020"
         "7FF07FF"},
        {0, 1, 0, 0, 0, 0, 0x00000202, 0xFFFFFFFF, 0xFFFFFFFF, ":Z10000002021FFFFFFF1FFFFFFF"},
        // Only the low byte's two low bits pick the mode: 0x103 is mode 3.
        {0x103, 0, 0, 0, 0, 0, 0x01020505, 0, 0, ":Z700102050500000000"},
    };
    for (const auto& c : cases) {
        const std::string frame =
            WriteConfigCommand(c.mode, c.extended, c.autoReset, c.busOff, c.passive, c.warning,
                               c.bitTime, c.id, c.maskId)
                .text;
        const std::string expected = c.frame;
        if (expected.back() == '\r') {
            EXPECT_EQ(frame, expected);
        } else {
            // Body given: compare it and check the codec's tail.
            EXPECT_EQ(frame.substr(0, expected.size()), expected);
            EXPECT_EQ(frame.size(), expected.size() + 3);
        }
    }
}

TEST(Commands, ConfigWriteWith29BitIdsIsThirtyOneCharacters)
{
    EXPECT_EQ(WriteConfigCommand(0, 1, 1, 1, 0, 0, 0x01020505, 0, 0).text.size(), 31u);
}

TEST(Commands, ModeByteBits)
{
    EXPECT_EQ(MakeModeByte(0, 0, 1, 1, 0, 0), 0x0C);
    EXPECT_EQ(MakeModeByte(0, 1, 1, 1, 1, 1), 0x1F);
    EXPECT_EQ(MakeModeByte(1, 1, 0, 0, 0, 0), 0x20);  // mode 1: never 29-bit
    EXPECT_EQ(MakeModeByte(2, 0, 0, 0, 0, 0), 0x50);  // mode 2: always 29-bit
    EXPECT_EQ(MakeModeByte(3, 0, 0, 0, 0, 0), 0x70);
    EXPECT_EQ(MakeModeByte(0, 0x80000000u, 0, 0, 0, 0x40), 0x11);
}

struct SendCase {
    uint32_t extended, remote;
    uint8_t dlc;
    uint32_t id;
    const char* frame;
};

TEST(Commands, SendCanFrameFrames)
{
    const uint8_t data[12] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                              0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};
    const SendCase cases[] = {
        {0, 0, 2, 0x123, ":W020123010242\r"},
        // A remote frame goes out with length 0 and no data (control 0x30).
        {1, 1, 8, 0x123, ":W300000012340\r"},
        {0, 1, 3, 0x7FF, ":W1007FF"},
        // Length 12 sends 8 bytes and length code 8.
        {0, 0, 12, 0x001, ":W0800010102030405060708"},
        {1, 0, 8, 0x1FFFFFFF, ":W281FFFFFFF0102030405060708"},
        // Identifiers are cut to their width.
        {0, 0, 0, 0xFFFF, ":W0007FF"},
        {1, 0, 0, 0xFFFFFFFF, ":W201FFFFFFF"},
    };
    for (const auto& c : cases) {
        const std::string frame = SendCanFrameCommand(c.extended, c.remote, c.dlc, c.id, data).text;
        const std::string expected = c.frame;
        if (expected.back() == '\r') {
            EXPECT_EQ(frame, expected);
        } else {
            EXPECT_EQ(frame.substr(0, expected.size()), expected);
            EXPECT_EQ(frame.size(), expected.size() + 3);
        }
    }
}

}  // namespace
