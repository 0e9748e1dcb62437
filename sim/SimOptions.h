#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimConverter.h"

// The command line of talvox-sim.
struct SimOptions {
    SimSettings settings;
    bool seedGiven = false;   // without --seed every run draws its own
    std::string linkPath;     // --link: a symbolic link to the terminal, removed on exit
    std::string sendLogPath;  // --send-log: one line per frame sent, see SimUsage
    uint32_t baud = 115200;   // UART speed the output is paced at, 10 bits a byte
    bool pace = true;
    // Each frame handed over alone when its last byte leaves the paced line.
    bool frameByFrame = false;
    bool verbose = false;
    bool help = false;
};

inline constexpr uint32_t kMinSimBaud = 300;
inline constexpr uint32_t kMaxSimBaud = 4000000;

// Parses the arguments after the program name. Options take their value as the
// next argument or after "=" ("--baud 9600", "--baud=9600"). False, with a
// one-line message in error, on an unknown option, a missing or bad value.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// The --help text.
std::string SimUsage();
