#pragma once

#include <string>
#include <vector>

#include "tests/common/WindowSession.h"
#include "tests/sim/SimProcess.h"

// A main window listing the terminal of a simulator started with args; the
// window goes before the simulator.
struct SimWindow : SimProcess, WindowSession {
    explicit SimWindow(const std::vector<std::string>& args)
        : SimProcess(args), WindowSession(QByteArray::fromStdString(Path()))
    {
    }
};
