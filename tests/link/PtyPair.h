#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

// Waits, without an event loop, for a condition another thread brings about.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    return condition();
}

// A raw pseudo-terminal: the test drives the master, the code under test opens
// the slave by its path.
class PtyPair {
public:
    PtyPair();
    ~PtyPair() { CloseMaster(); }
    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    bool Send(const std::string& bytes);
    // Reads until count bytes have come or none came within waitMs.
    std::string Receive(size_t count, int waitMs = 10000);
    std::string Drain() { return Receive(SIZE_MAX, 0); }
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_slavePath;
};
