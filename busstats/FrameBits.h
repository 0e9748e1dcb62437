#pragma once

#include <cstdint>

// Bits one classic CAN frame takes on the bus, counted as can-utils' canbusload
// counts them: start of frame to end of frame plus the 3-bit interframe space.
//
//   11-bit: SOF 1, ID 11, RTR 1, IDE 1, r0 1, DLC 4, data 8n, CRC 15,
//           CRC delimiter 1, ACK 1, ACK delimiter 1, EOF 7, IFS 3   = 47 + 8n
//   29-bit: SOF 1, ID 11, SRR 1, IDE 1, ID 18, RTR 1, r1 1, r0 1, DLC 4,
//           data 8n, CRC 15, delimiters and ACK 3, EOF 7, IFS 3     = 67 + 8n
//
// n is the number of data bytes, the length code capped at 8; a remote frame
// has no data field whatever its length code (canbusload counts the length of
// a remote frame as data; a remote frame carries none on the bus).
//
// Without stuffing the figure is exactly canbusload -i. With stuffing a
// transmitter inserts a bit after five equal ones from SOF to the end of the
// CRC (34 + 8n bits for 11-bit, 54 + 8n for 29-bit); in the worst case a
// stuff bit then follows every four bits, floor((m - 1) / 4) for m stuffable
// bits. An 8-byte 11-bit frame: 111 bits, 135 at worst; 29-bit: 131 and 160.
// (canbusload's default figure adds m / 5 and reads lower than this bound.)
struct FrameBits {
    uint32_t noStuffing = 0;
    uint32_t worstCase = 0;
};

FrameBits CanFrameBits(bool extended, bool remote, uint8_t dlc);

// Characters of the converter's received-frame frame ('U'; the transmit
// confirmation 'W' has the same layout) on the serial line:
//   ":" "U" control(2) id(4 or 8) data(2 per byte) checksum(2) CR
// so 11 + 2n for an 11-bit frame and 15 + 2n for a 29-bit one, n being the
// data bytes the frame carried (a remote frame may carry none).
// ":U0201230102" + "xx" + CR is 15.
uint32_t ReceivedFrameLineBytes(bool extended, int dataBytes);

// An error report ":I" code(2) checksum(2) CR.
inline constexpr uint32_t kErrorReportLineBytes = 7;
