#pragma once

#include <chrono>
#include <string>

// A pseudo-terminal for tests: the test drives the master side, the code under
// test opens the slave by its path. Master and slave are raw.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }

    // Writes all bytes to the master (waiting for room as needed).
    bool Send(const std::string& bytes);
    // Reads from the master until `count` bytes have come or the deadline passes.
    std::string Receive(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads whatever is waiting right now.
    std::string Drain();
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_slavePath;
};
