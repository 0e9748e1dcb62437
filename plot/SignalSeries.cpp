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
    m_head = 0;
    m_size = 0;
    m_dropped = 0;
}

void SignalSeries::SetCapacity(size_t capacity)
{
    capacity = std::max<size_t>(capacity, 1);
    size_t keep = std::min(m_size, capacity);
    std::vector<PlotPoint> kept;
    kept.reserve(keep);
    for (size_t i = m_size - keep; i < m_size; ++i) {
        kept.push_back(At(i));
    }
    m_dropped += m_size - keep;
    m_points = std::move(kept);
    m_capacity = capacity;
    m_head = 0;
    m_size = keep;
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
