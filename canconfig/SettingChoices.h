#pragma once

#include <array>
#include <cstdint>

#include "canconfig/CanBitTime.h"
#include "canconfig/MainSetting.h"

// What the configuration dialog's lists and boxes stand for, kept apart from
// the widgets: list contents, the corrections made when the dialog opens, and
// the values composed from the user's choices when it confirms.

// kUartSpeeds (canconfig/MainSetting.h) is the UART speed list, in list order.
inline constexpr int kDefaultUartSpeedIndex = 7;  // 115200

// Index of a speed in kUartSpeeds, or -1.
int UartSpeedIndex(uint32_t bitsPerSecond);
// The speed at a list index; 115200 for an index outside the list.
uint32_t UartSpeedAt(int index);

// The port list's selection for a stored index: an index at or beyond the list
// becomes the last entry, -1 when the list is empty; a negative index selects
// nothing (-1).
int32_t PortListIndex(int32_t storedIndex, int portCount);

// The receive-mode list's index (0 "CAN2.0A/B Both", 1 "CAN2.0A Only",
// 2 "CAN2.0B Only") for a mode byte; receive mode 3 is shown as 2.
int ReceiveModeIndex(uint8_t modeByte);

struct ModeChoices {
    int receiveMode = 0;      // list index 0..2
    bool idType29Bit = true;  // "CAN2.0B" in the ID type list; counts for receive mode 0 only
    bool autoResetOnBusOff = false;
    bool notifyBusOff = false;
    bool notifyErrorPassive = false;
    bool notifyWarning = false;
};

// receiveMode << 5 | extendedId << 4 | the four boxes in bits 3..0, bit 7 clear.
// extendedId is the ID type for receive mode 0, 0 for "CAN2.0A Only" and 1 for
// "CAN2.0B Only". A receive mode outside 0..2 counts as 2.
uint8_t ComposeModeByte(const ModeChoices& choices);

// The bit time of the four custom lists, given as list indexes (PHSEG2's list
// starts at 1, so PHSEG2 = index + 1). A list without a selection (-1) gives
// its field 0, which leaves PHSEG2 invalid.
CanBitTime CustomBitTime(int brpIndex, int prsegIndex, int phseg1Index, int phseg2Index);
// The preset at a list index, or DefaultBitTime when none is selected.
CanBitTime PresetBitTimeAt(int index);
