#include "plot/SignalSeries.h"

#include <algorithm>

SignalSeries::SignalSeries(size_t capacity) : m_capacity(std::max<size_t>(capacity, 1))
{
}

void SignalSeries::Append(double t, double v)
{
    if (m_size > 0 && !(t >= Back().t)) {
        t = Back().t;  // also catches NaN
    }
    if (m_blocks.empty()) {
        m_blocks.resize(m_capacity / kBlock + 2);
    }
    Block& block = m_blocks[(m_appended / kBlock) % m_blocks.size()];
    const auto offset = static_cast<uint32_t>(m_appended % kBlock);
    if (offset == 0) {
        block = {v, v, 0, 0};
    } else if (v < block.low) {
        block.low = v;
        block.lowOffset = offset;
    } else if (v > block.high) {
        block.high = v;
        block.highOffset = offset;
    }
    ++m_appended;
    if (m_size < m_capacity) {
        // Not full yet: the ring starts at slot 0 and fills like a vector.
        m_points.push_back({t, v});
        ++m_size;
        return;
    }
    m_points[m_head] = {t, v};
    if (++m_head == m_points.size()) {
        m_head = 0;
    }
    ++m_dropped;
}

void SignalSeries::Clear()
{
    m_points.clear();
    m_blocks.clear();
    m_appended = 0;
    m_head = 0;
    m_size = 0;
    m_dropped = 0;
}

void SignalSeries::SetCapacity(size_t capacity)
{
    capacity = std::max<size_t>(capacity, 1);
    const size_t keep = std::min(m_size, capacity);
    std::vector<PlotPoint> kept;
    kept.reserve(keep);
    for (size_t i = m_size - keep; i < m_size; ++i) {
        kept.push_back(At(i));
    }
    const uint64_t dropped = m_dropped + (m_size - keep);
    Clear();
    m_capacity = capacity;
    m_points.reserve(keep);
    for (const PlotPoint& point : kept) {
        Append(point.t, point.v);
    }
    m_dropped = dropped;
}

void SignalSeries::Extremes(size_t begin, size_t end, size_t& low, size_t& high) const
{
    low = high = begin;
    double lowValue = At(begin).v;
    double highValue = lowValue;
    auto take = [&](size_t i) {
        const double v = At(i).v;
        if (v < lowValue) {
            lowValue = v;
            low = i;
        } else if (v > highValue) {
            highValue = v;
            high = i;
        }
    };
    // Append number of point 0, so that point i lies in block (first + i) / kBlock.
    const uint64_t first = m_appended - m_size;
    size_t i = begin + 1;
    while (i < end && (first + i) % kBlock != 0) {
        take(i++);
    }
    while (end - i >= kBlock) {
        const Block& block = m_blocks[((first + i) / kBlock) % m_blocks.size()];
        if (block.low < lowValue) {
            lowValue = block.low;
            low = i + block.lowOffset;
        }
        if (block.high > highValue) {
            highValue = block.high;
            high = i + block.highOffset;
        }
        i += kBlock;
    }
    while (i < end) {
        take(i++);
    }
}

size_t SignalSeries::LowerBound(double t) const
{
    size_t low = 0;
    size_t high = m_size;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (At(mid).t < t) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

size_t SignalSeries::UpperBound(double t) const
{
    size_t low = 0;
    size_t high = m_size;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (!(t < At(mid).t)) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

std::optional<double> SignalSeries::ValueAt(double t) const
{
    size_t after = UpperBound(t);
    if (after == 0) {
        return std::nullopt;
    }
    return At(after - 1).v;
}
