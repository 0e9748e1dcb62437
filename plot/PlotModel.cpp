#include "plot/PlotModel.h"

#include <algorithm>
#include <cmath>

#include "dbc/DbcDatabase.h"
#include "dbc/DbcModel.h"
#include "dbc/SignalCodec.h"
#include "link/CanFrame.h"
#include "trace/Trace.h"

std::string PlotLegend(const DbcMessage& message, const DbcSignal& signal)
{
    std::string legend = message.name + "." + signal.name;
    if (!signal.unit.empty()) {
        legend += " [" + signal.unit + "]";
    }
    return legend;
}

std::optional<PlotRange> AutoScale(const SignalSeries& series, double t0, double t1)
{
    if (series.Empty() || t1 < t0) {
        return std::nullopt;
    }
    size_t begin = series.LowerBound(t0);
    if (begin > 0 && (begin == series.Size() || series.At(begin).t > t0)) {
        --begin;  // the value holding at t0
    }
    size_t end = series.UpperBound(t1);
    bool any = false;
    double low = 0.0;
    double high = 0.0;
    for (size_t i = begin; i < end; ++i) {
        double v = series.At(i).v;
        if (!std::isfinite(v)) {
            continue;
        }
        if (!any) {
            low = high = v;
            any = true;
        } else {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!any) {
        return std::nullopt;
    }
    double margin = (high - low) * kAutoScaleMargin;
    if (margin == 0.0) {
        margin = std::max(std::abs(low) * kAutoScaleMargin, 1.0);
    }
    return PlotRange{low - margin, high + margin};
}

namespace {

// Points the definition, legend and drawing of `plotted` at `signal` of `message`.
void Define(PlotSignal& plotted, const DbcMessage& message, const DbcSignal& signal)
{
    plotted.legend = PlotLegend(message, signal);
    plotted.mode = signal.valueNames.empty() ? PlotDrawMode::kLine : PlotDrawMode::kStep;
    plotted.definition = std::make_shared<const DbcSignal>(signal);
    plotted.multiplexer.reset();
    if (signal.muxRole == DbcMuxRole::kMultiplexed && message.multiplexer >= 0 &&
        static_cast<size_t>(message.multiplexer) < message.signals.size()) {
        plotted.multiplexer = std::make_shared<const DbcSignal>(
            message.signals[static_cast<size_t>(message.multiplexer)]);
    }
}

// Whether the two decode a frame's bits to the same value.
bool SameDecoding(const DbcSignal* a, const DbcSignal* b)
{
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return a->startBit == b->startBit && a->length == b->length && a->bigEndian == b->bigEndian &&
           a->isSigned == b->isSigned && a->valueType == b->valueType && a->factor == b->factor &&
           a->offset == b->offset && a->muxRole == b->muxRole && a->muxValue == b->muxValue &&
           a->fitsMessage == b->fitsMessage && a->shift == b->shift;
}

const DbcSignal* FindSignal(const DbcMessage& message, const std::string& name)
{
    for (const DbcSignal& signal : message.signals) {
        if (signal.name == name) {
            return &signal;
        }
    }
    return nullptr;
}

}  // namespace

bool PlotModel::Add(const DbcMessage& message, const DbcSignal& signal)
{
    PlotSignalKey key{message.id, message.extended, signal.name};
    if (IndexOf(key) >= 0) {
        return false;
    }
    PlotSignal added;
    added.key = std::move(key);
    added.series.SetCapacity(m_capacity);
    Define(added, message, signal);
    m_signals.push_back(std::move(added));
    Reroute();
    return true;
}

bool PlotModel::Add(const DbcDatabase& database, const PlotSignalKey& key)
{
    const DbcMessage* message = database.Find(key.extended, key.id);
    const DbcSignal* signal = message != nullptr ? FindSignal(*message, key.signal) : nullptr;
    return key.source == PlotSource::kDbcSignal && signal != nullptr && Add(*message, *signal);
}

bool PlotModel::AddMeasured(const PlotSignalKey& key, std::string legend, int decimals)
{
    if (key.source != PlotSource::kMeasured || IndexOf(key) >= 0) {
        return false;
    }
    PlotSignal added;
    added.key = key;
    added.legend = std::move(legend);
    added.decimals = decimals;
    added.series.SetCapacity(m_capacity);
    m_signals.push_back(std::move(added));
    return true;
}

void PlotModel::ClearPoints()
{
    for (PlotSignal& signal : m_signals) {
        signal.series.Clear();
    }
}

std::vector<PlotSignalKey> PlotModel::Rebind(const DbcDatabase& database)
{
    std::vector<PlotSignalKey> removed;
    std::erase_if(m_signals, [&](PlotSignal& plotted) {
        if (plotted.key.source != PlotSource::kDbcSignal) {
            return false;
        }
        const DbcMessage* message = database.Find(plotted.key.extended, plotted.key.id);
        const DbcSignal* signal =
            message != nullptr ? FindSignal(*message, plotted.key.signal) : nullptr;
        if (signal == nullptr) {
            removed.push_back(plotted.key);
            return true;
        }
        const std::shared_ptr<const DbcSignal> before = plotted.definition;
        const std::shared_ptr<const DbcSignal> beforeMux = plotted.multiplexer;
        Define(plotted, *message, *signal);
        if (!SameDecoding(before.get(), plotted.definition.get()) ||
            !SameDecoding(beforeMux.get(), plotted.multiplexer.get())) {
            plotted.series.Clear();
        }
        return false;
    });
    Reroute();
    return removed;
}

bool PlotModel::Remove(const PlotSignalKey& key)
{
    int index = IndexOf(key);
    if (index < 0) {
        return false;
    }
    m_signals.erase(m_signals.begin() + index);
    Reroute();
    return true;
}

void PlotModel::Clear()
{
    m_signals.clear();
    m_routes.clear();
}

int PlotModel::IndexOf(const PlotSignalKey& key) const
{
    for (size_t i = 0; i < m_signals.size(); ++i) {
        if (m_signals[i].key == key) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PlotModel::SetCapacity(size_t points)
{
    m_capacity = std::max<size_t>(points, 1);
    for (PlotSignal& signal : m_signals) {
        signal.series.SetCapacity(m_capacity);
    }
}

void PlotModel::Reroute()
{
    m_routes.clear();
    for (size_t i = 0; i < m_signals.size(); ++i) {
        const PlotSignalKey& key = m_signals[i].key;
        if (key.source != PlotSource::kDbcSignal) {
            continue;
        }
        auto at = std::lower_bound(m_routes.begin(), m_routes.end(), key,
                                   [](const MessageRoute& route, const PlotSignalKey& k) {
                                       return std::pair(route.extended, route.id) <
                                              std::pair(k.extended, k.id);
                                   });
        if (at == m_routes.end() || at->extended != key.extended || at->id != key.id) {
            at = m_routes.insert(at, MessageRoute{key.extended, key.id, {}});
        }
        at->indices.push_back(i);
    }
}

void PlotModel::FeedFrame(double t, bool extended, uint32_t id, const uint8_t* data, int dlc)
{
    auto at = std::lower_bound(m_routes.begin(), m_routes.end(), std::pair(extended, id),
                               [](const MessageRoute& route, const std::pair<bool, uint32_t>& k) {
                                   return std::pair(route.extended, route.id) < k;
                               });
    if (at == m_routes.end() || at->extended != extended || at->id != id) {
        return;
    }
    for (size_t index : at->indices) {
        PlotSignal& signal = m_signals[index];
        if (signal.multiplexer) {
            DbcSignalValue selector = DecodeSignal(*signal.multiplexer, data, dlc);
            if (!selector.available || selector.raw != signal.definition->muxValue) {
                continue;
            }
        }
        DbcSignalValue value = DecodeSignal(*signal.definition, data, dlc);
        if (value.available) {
            signal.series.Append(t, value.physical);
        }
    }
}

void PlotModel::FeedFrame(double t, const CanFrame& frame)
{
    if (frame.remote) {
        return;
    }
    FeedFrame(t, frame.extended != 0, frame.id, frame.data, frame.dlc);
}

void PlotModel::BuildFromTrace(const Trace& trace, std::optional<int64_t> originUs)
{
    ClearPoints();
    if (trace.records.empty()) {
        return;
    }
    const int64_t origin = originUs.value_or(trace.records.front().timeUs);
    for (const TraceRecord& record : trace.records) {
        if ((record.flags & (trace_flags::kError | trace_flags::kRemote)) != 0) {
            continue;
        }
        double t = static_cast<double>(record.timeUs - origin) / 1e6;
        FeedFrame(t, (record.flags & trace_flags::kExtended) != 0, record.id, record.data,
                  record.dlc);
    }
}

void PlotModel::SetWindow(double seconds)
{
    m_window = std::isfinite(seconds) ? std::max(seconds, 0.001) : kDefaultWindowSeconds;
}

std::optional<PlotRange> PlotModel::YRange(size_t index, double t0, double t1) const
{
    if (!m_sharedY) {
        return index < m_signals.size() ? AutoScale(m_signals[index].series, t0, t1) : std::nullopt;
    }
    std::optional<PlotRange> shared;
    for (const PlotSignal& signal : m_signals) {
        std::optional<PlotRange> own = AutoScale(signal.series, t0, t1);
        if (!own) {
            continue;
        }
        if (!shared) {
            shared = own;
        } else {
            shared->low = std::min(shared->low, own->low);
            shared->high = std::max(shared->high, own->high);
        }
    }
    return shared;
}

std::vector<std::optional<double>> PlotModel::CursorValues(double t) const
{
    std::vector<std::optional<double>> values;
    values.reserve(m_signals.size());
    for (const PlotSignal& signal : m_signals) {
        values.push_back(signal.series.ValueAt(t));
    }
    return values;
}
