#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A running talvox-sim, for tests. Path() is the terminal path it prints on its
// first line, empty when none came within 20 s. Without a program, the one the
// build defines as TALVOX_SIM_PATH runs.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args, const std::string& program = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return m_path; }
    // Sends the signal and waits up to 20 s for the end: the wait status, or -1.
    int Stop(int signal);

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    std::string m_path;
};

// What a talvox-sim run that ends by itself left: its wait status (-1 when it
// had not ended within 20 s and was killed), standard output and standard error.
struct SimRun {
    int status = -1;
    std::string out;
    std::string err;
};
SimRun RunSimToEnd(const std::vector<std::string>& args);

// Waits until fd has something to read (or its end): false when end came first.
bool ReadableBefore(int fd, std::chrono::steady_clock::time_point end);
