#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One sample of a plotted signal: seconds on the plot's clock, physical value.
struct PlotPoint {
    double t = 0.0;
    double v = 0.0;
    bool operator==(const PlotPoint&) const = default;
};

// The latest points of one signal, oldest first, in a ring that holds at most
// `capacity` of them: once full, each append drops the oldest. Storage grows
// like a vector up to the capacity and is then reused, so an append allocates
// nothing once the ring is full. Times never decrease: a point stamped earlier
// than the newest one is kept at the newest one's time, so that searches by
// time stay valid when a clock steps back.
class SignalSeries {
public:
    static constexpr size_t kDefaultCapacity = 1'000'000;
    static constexpr size_t kBlock = 32;

    explicit SignalSeries(size_t capacity = kDefaultCapacity);

    void Append(double t, double v);
    void Clear();
    // Keeps the newest `capacity` points (at least 1).
    void SetCapacity(size_t capacity);

    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    size_t Capacity() const { return m_capacity; }
    // Points dropped to make room since the last Clear.
    uint64_t Dropped() const { return m_dropped; }

    // i = 0 is the oldest point; i < Size().
    const PlotPoint& At(size_t i) const
    {
        size_t slot = m_head + i;
        if (slot >= m_points.size()) {
            slot -= m_points.size();
        }
        return m_points[slot];
    }
    const PlotPoint& Front() const { return At(0); }
    const PlotPoint& Back() const { return At(m_size - 1); }

    // Index of the first point at or after t / after t (Size() when none).
    size_t LowerBound(double t) const;
    size_t UpperBound(double t) const;

    // Indices of the first lowest and the first highest value among the
    // points [begin, end), compared with < and > in time order; begin < end.
    void Extremes(size_t begin, size_t end, size_t& low, size_t& high) const;

    // The value holding at t: that of the last point at or before t; empty
    // when every point is later than t (or there is none).
    std::optional<double> ValueAt(double t) const;

private:
    struct Block {
        double low;
        double high;
        uint32_t lowOffset;  // within the block
        uint32_t highOffset;
    };

    std::vector<PlotPoint> m_points;
    // Indexed by (append number / kBlock) modulo their count, which covers
    // every block the ring's points can touch.
    std::vector<Block> m_blocks;
    uint64_t m_appended = 0;  // since the last Clear: the next point's append number
    size_t m_capacity;
    size_t m_head = 0;  // slot of the oldest point
    size_t m_size = 0;
    uint64_t m_dropped = 0;
};
