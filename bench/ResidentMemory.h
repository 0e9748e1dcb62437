#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// The process's resident memory now (VmRSS of /proc/self/status), in MiB;
// 0 when it cannot be read.
inline double RssMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0;
}
