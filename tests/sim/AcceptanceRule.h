#pragma once

#include <cstdint>

#include "link/CanFrame.h"

// The acceptance rule, written out bit by bit independently of the simulator:
// receive mode, then every identifier bit where the mask has a 1, on the 11-bit
// base identifier when the filter and the frame differ in width.
bool ExpectedAcceptance(uint8_t modeByte, uint32_t id, uint32_t mask, const CanFrame& frame);
