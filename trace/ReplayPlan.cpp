#include "trace/ReplayPlan.h"

#include <algorithm>
#include <cmath>

std::vector<ReplayFrame> PlanReplay(const Trace& trace, double speed, const ReplayFilter& filter)
{
    if (!(speed >= kMinReplaySpeed)) {
        speed = kMinReplaySpeed;
    }
    speed = std::min(speed, kMaxReplaySpeed);
    std::vector<ReplayFrame> plan;
    bool first = true;
    int64_t originUs = 0;
    int64_t lastDueNs = 0;
    for (const TraceRecord& record : trace.records) {
        if (IsError(record)) {
            continue;
        }
        const CanFrame frame = FrameOfRecord(record);
        if (filter && !filter(frame)) {
            continue;
        }
        if (first) {
            originUs = record.timeUs;
            first = false;
        }
        const double sinceUs = static_cast<double>(record.timeUs - originUs);
        const auto dueNs = static_cast<int64_t>(std::llround(sinceUs * 1000.0 / speed));
        lastDueNs = std::max(lastDueNs, dueNs);
        plan.push_back({lastDueNs, frame});
    }
    return plan;
}

size_t BusiestSecond(const std::vector<ReplayFrame>& plan)
{
    constexpr int64_t kSecondNs = 1'000'000'000;
    size_t busiest = 0;
    size_t from = 0;
    for (size_t to = 0; to < plan.size(); ++to) {
        while (plan[to].dueNs - plan[from].dueNs >= kSecondNs) {
            ++from;
        }
        busiest = std::max(busiest, to - from + 1);
    }
    return busiest;
}

size_t LineFramesPerSecond(uint32_t baud, size_t frameBytes)
{
    if (frameBytes == 0) {
        return 0;
    }
    return baud / 10 / frameBytes;
}

ReplaySchedule::ReplaySchedule(std::vector<ReplayFrame> plan, int64_t startNs)
    : m_plan(std::move(plan)), m_startNs(startNs)
{
}

std::pair<size_t, size_t> ReplaySchedule::TakeDue(int64_t nowNs)
{
    const size_t first = m_next;
    while (m_next < m_plan.size() && m_startNs + m_plan[m_next].dueNs <= nowNs) {
        ++m_next;
    }
    return {first, m_next};
}
