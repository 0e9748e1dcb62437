#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plot/Decimation.h"
#include "plot/SignalSeries.h"

struct CanFrame;
class DbcDatabase;
struct DbcMessage;
struct DbcSignal;
struct Trace;

// Where a plotted series' values come from.
enum class PlotSource : uint8_t {
    kDbcSignal,  // decoded from the frames of a DBC message
    kMeasured,   // appended by the caller (the bus frame rate), never from frames
};

// A plotted signal: its message's identifier and width, and its name. A
// measured series has id 0 and a name of the caller's.
struct PlotSignalKey {
    uint32_t id = 0;
    bool extended = false;
    std::string signal;
    PlotSource source = PlotSource::kDbcSignal;
    auto operator<=>(const PlotSignalKey&) const = default;
};

struct PlotSignal {
    PlotSignalKey key;
    std::string legend;  // "message.signal [unit]", or "message.signal" without a unit
    PlotDrawMode mode = PlotDrawMode::kLine;  // step for signals with a value table
    SignalSeries series;
    // Copies, so that the plot outlives the database it was chosen from. Held
    // by pointer so that widgets need not see the DBC model, whose member
    // named `signals` clashes with Qt's keyword macro.
    std::shared_ptr<const DbcSignal> definition;
    std::shared_ptr<const DbcSignal> multiplexer;  // for a multiplexed signal, else null
    int decimals = -1;  // for the cursor read-out of a measured series; -1: shortest form
};

struct PlotRange {
    double low = 0.0;
    double high = 0.0;
    bool operator==(const PlotRange&) const = default;
};

// "message.signal [unit]".
std::string PlotLegend(const DbcMessage& message, const DbcSignal& signal);

// The value range of the points of `series` visible in [t0, t1], the value
// holding at t0 included, widened by kAutoScaleMargin of its span on each
// side (a flat signal by 5 % of its value, at least 1). Empty when no finite
// value is visible.
constexpr double kAutoScaleMargin = 0.05;
std::optional<PlotRange> AutoScale(const SignalSeries& series, double t0, double t1);

// The signals chosen for the plot with their points, and the time window
// shown while following the clock. Times are seconds on the caller's clock.
class PlotModel {
public:
    static constexpr double kDefaultWindowSeconds = 10.0;

    // Adds a signal of `message` (which must hold it). False when it is
    // plotted already.
    bool Add(const DbcMessage& message, const DbcSignal& signal);
    // Adds the DBC signal `key` names, found in `database`. False when the
    // database does not hold it or it is plotted already.
    bool Add(const DbcDatabase& database, const PlotSignalKey& key);
    // Adds a series whose points the caller appends (key.source kMeasured).
    // False when it is plotted already.
    bool AddMeasured(const PlotSignalKey& key, std::string legend, int decimals);
    void Append(size_t index, double t, double v) { m_signals[index].series.Append(t, v); }
    bool Remove(const PlotSignalKey& key);
    // Removes every signal.
    void Clear();
    // Empties every series; the signals stay.
    void ClearPoints();

    // Takes the definitions of the DBC signals anew from `database` after its
    // messages were replaced: a signal it no longer holds is removed (those
    // are returned, in plot order), one whose decoding changed starts empty,
    // and the others keep their points under the new legend.
    std::vector<PlotSignalKey> Rebind(const DbcDatabase& database);

    size_t Count() const { return m_signals.size(); }
    const PlotSignal& Signal(size_t index) const { return m_signals[index]; }
    // -1 when the signal is not plotted.
    int IndexOf(const PlotSignalKey& key) const;

    // Points kept per signal; applies to the signals held and those added later.
    void SetCapacity(size_t points);
    size_t Capacity() const { return m_capacity; }

    // Decodes the plotted signals a frame carries and appends their values at
    // `t`. Frames of other messages and remote frames cost one lookup.
    void FeedFrame(double t, bool extended, uint32_t id, const uint8_t* data, int dlc);
    void FeedFrame(double t, const CanFrame& frame);

    // Empties every series and fills it from a trace's frames in one pass;
    // record time originUs is time 0 (by default that of the first record).
    void BuildFromTrace(const Trace& trace, std::optional<int64_t> originUs = std::nullopt);

    // Seconds shown while following the clock, at least 1 ms.
    void SetWindow(double seconds);
    double Window() const { return m_window; }

    // One value range for all signals, or one per signal.
    void SetSharedY(bool shared) { m_sharedY = shared; }
    bool SharedY() const { return m_sharedY; }
    // The range to draw signal `index` in over [t0, t1]: its own auto-scaled
    // range, or the union of all signals' when shared. Empty when nothing is
    // visible.
    std::optional<PlotRange> YRange(size_t index, double t0, double t1) const;

    // Each signal's value at t (the last point at or before t), in order.
    std::vector<std::optional<double>> CursorValues(double t) const;

private:
    struct MessageRoute {
        bool extended = false;
        uint32_t id = 0;
        std::vector<size_t> indices;  // into m_signals
    };
    void Reroute();

    std::vector<PlotSignal> m_signals;
    std::vector<MessageRoute> m_routes;  // by (extended, id), ascending
    size_t m_capacity = SignalSeries::kDefaultCapacity;
    double m_window = kDefaultWindowSeconds;
    bool m_sharedY = false;
};
