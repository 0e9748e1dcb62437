#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Paces output at a UART's speed: 10 bits a byte (start, 8 data, stop). The
// line is modelled as busy until the last byte handed to it has gone out; an
// idle line earns no credit, so output after a pause starts at line speed, not
// in a burst. Writes run at most a short horizon ahead of the line, so that the
// caller can wake up in batches and still keep the line full.
class LinePacer {
public:
    using Time = std::chrono::nanoseconds;

    explicit LinePacer(uint32_t baud);

    // Bytes that may be handed over at now.
    size_t Allowance(Time now) const;
    // Records bytes handed over at now.
    void Sent(size_t bytes, Time now);
    // When Allowance next reaches a batch (at least one byte); now or later.
    Time NextBatch(Time now) const;

    Time ByteTime() const { return m_byteTime; }
    // When the last byte handed over leaves the line; bytes handed over at now
    // start at the later of this and now.
    Time FreeAt() const { return m_freeAt; }

private:
    Time m_byteTime;
    Time m_horizon;
    Time m_freeAt{};
};
