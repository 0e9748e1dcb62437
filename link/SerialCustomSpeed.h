#pragma once

#include <cstdint>

// Sets input and output speed of an open terminal to any bit rate through
// termios2 / BOTHER (for rates such as 14400, 28800 and 76800 that have no
// Bnnn constant). Kept apart because <asm/termbits.h> clashes with <termios.h>.
// False when the driver refuses.
bool SetCustomSpeed(int fd, uint32_t baud);

// The output and input speeds of an open terminal in bit/s, as termios2 reports
// them; 0 when they cannot be read.
uint32_t CurrentSpeed(int fd);
uint32_t CurrentInputSpeed(int fd);
