#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/CanFrame.h"
#include "trace/Trace.h"

// What a replay sends, and when: the trace's frames (error records are no
// frames and are left out) that the filter lets through, each due at its
// recorded time after the first frame's, divided by the speed. A trace whose
// times go backwards is sent in file order, a frame never before the one
// ahead of it.
//
// Example: frames at 10.000 s, 10.010 s and 10.030 s at speed 2 are due at
// 0, 5 ms and 15 ms after the start.
struct ReplayFrame {
    int64_t dueNs = 0;
    CanFrame frame;
};

inline constexpr double kMinReplaySpeed = 0.1;
inline constexpr double kMaxReplaySpeed = 10.0;

using ReplayFilter = std::function<bool(const CanFrame& frame)>;

// The plan at `speed` (clamped to 0.1..10); every frame when filter is empty.
std::vector<ReplayFrame> PlanReplay(const Trace& trace, double speed,
                                    const ReplayFilter& filter = {});

// The most frames due within any one second of the plan.
size_t BusiestSecond(const std::vector<ReplayFrame>& plan);

// Frames a second the serial line carries at `baud` bit/s when each takes
// `frameBytes` bytes, 10 bits a byte: 230400 bit/s and 31 bytes give 743.
size_t LineFramesPerSecond(uint32_t baud, size_t frameBytes);

// Steps through a plan on a clock the caller gives: the frames due by a time,
// and when the next one is due. The start is fixed, so the time a send takes
// never shifts later frames.
class ReplaySchedule {
public:
    ReplaySchedule(std::vector<ReplayFrame> plan, int64_t startNs);

    // The frames due at nowNs that have not been taken yet, in order; each
    // frame is taken once.
    std::pair<size_t, size_t> TakeDue(int64_t nowNs);
    const ReplayFrame& At(size_t index) const { return m_plan[index]; }
    bool Done() const { return m_next >= m_plan.size(); }
    // The steady time at which the next frame is due; only when not Done.
    int64_t NextDueNs() const { return m_startNs + m_plan[m_next].dueNs; }
    size_t Taken() const { return m_next; }
    size_t Size() const { return m_plan.size(); }

private:
    std::vector<ReplayFrame> m_plan;
    int64_t m_startNs;
    size_t m_next = 0;
};
