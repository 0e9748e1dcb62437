#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/CanFrame.h"
#include "link/FrameCodec.h"

// Test helpers around the talvox-sim program: start it, reach its terminal as
// the analyzer does, and decode what it sends with the project's own decoder.

inline constexpr std::chrono::seconds kSimDeadline{20};

// A running talvox-sim. The constructor waits for the terminal path it prints
// on its first line; Path() is empty when it did not come.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return m_path; }
    // Sends the signal and waits for the end; the wait status, or -1 when the
    // program did not end within the deadline.
    int Stop(int signal);

private:
    pid_t m_pid = -1;
    int m_pidfd = -1;
    int m_stdout = -1;
    std::string m_path;
};

// A run of talvox-sim to its end (for options that end it at once).
struct SimRun {
    int status = -1;  // wait status, -1 when it did not end within the deadline
    std::string out;
    std::string err;
};
SimRun RunSimToEnd(const std::vector<std::string>& args);

// One frame as the decoder accepted it.
struct SimFrame {
    char letter;
    std::vector<uint8_t> bytes;  // bytes[0] the letter .. the checksum
    int byteCount() const { return static_cast<int>(bytes.size()) - 1; }
};

// The analyzer's end of the terminal: raw, non-blocking.
class PtyPeer : public FrameSink {
public:
    PtyPeer() = default;
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool Write(const std::string& text);
    // Reads and decodes until done() holds or the deadline passes; done()'s
    // last answer.
    bool ReadUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds deadline = kSimDeadline);
    // Reads for the given time (for throughput), counting bytes.
    void ReadFor(std::chrono::milliseconds time);

    void DispatchFrame(const FrameDecoder& decoder) override;

    std::vector<SimFrame> frames;
    size_t bytesRead = 0;

private:
    bool ReadOnce(int timeoutMs);

    int m_fd = -1;
    FrameDecoder m_decoder{this};
};
