#include "trace/ReplayPlan.h"

#include <gtest/gtest.h>

namespace {

TraceRecord Frame(int64_t timeUs, uint32_t id)
{
    TraceRecord record;
    record.timeUs = timeUs;
    record.id = id;
    record.dlc = 1;
    record.data[0] = static_cast<uint8_t>(id);
    return record;
}

std::vector<int64_t> Dues(const std::vector<ReplayFrame>& plan)
{
    std::vector<int64_t> dues;
    for (const ReplayFrame& frame : plan) {
        dues.push_back(frame.dueNs);
    }
    return dues;
}

TEST(ReplayPlan, GapsScaleWithSpeedWhichIsClampedAndErrorsAreLeftOut)
{
    Trace trace;
    trace.records = {Frame(10'000'000, 1), Frame(10'010'000, 2), Frame(10'030'000, 3)};
    trace.records.insert(trace.records.begin() + 1, *RecordOfErrorReport(0x01, 10'005'000));
    struct Case {
        double speed;
        std::vector<int64_t> dues;
    };
    const Case cases[] = {
        {1.0, {0, 10'000'000, 30'000'000}},   {2.0, {0, 5'000'000, 15'000'000}},
        {0.5, {0, 20'000'000, 60'000'000}},   {100.0, {0, 1'000'000, 3'000'000}},  // 10x at most
        {0.0, {0, 100'000'000, 300'000'000}},                                      // 0.1x at least
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Dues(PlanReplay(trace, c.speed)), c.dues) << c.speed;
    }
}

TEST(ReplayPlan, FilterChoosesFramesAndTimesCountFromTheFirstChosen)
{
    Trace trace;
    trace.records = {Frame(0, 1), Frame(1000, 2), Frame(3000, 2), Frame(2500, 3)};
    const auto plan = PlanReplay(trace, 1.0, [](const CanFrame& frame) { return frame.id != 1; });
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].frame.id, 2u);
    // A record earlier than the one before it goes out right after it.
    EXPECT_EQ(Dues(plan), (std::vector<int64_t>{0, 2'000'000, 2'000'000}));
}

TEST(ReplayPlan, BusiestSecondAndLineCapacity)
{
    std::vector<ReplayFrame> plan;
    for (int i = 0; i < 10; ++i) {
        plan.push_back({int64_t{i} * 100'000'000, {}});  // 10 a second
    }
    for (int i = 0; i < 30; ++i) {
        plan.push_back({2'000'000'000 + int64_t{i} * 10'000'000, {}});  // 30 within 0.3 s
    }
    EXPECT_EQ(BusiestSecond(plan), 30u);
    EXPECT_EQ(BusiestSecond({}), 0u);
    EXPECT_EQ(LineFramesPerSecond(230400, 31), 743u);
    EXPECT_EQ(LineFramesPerSecond(115200, 0), 0u);
}

TEST(ReplaySchedule, TakesEachDueFrameOnceOnAFixedStart)
{
    std::vector<ReplayFrame> plan = {{0, {}}, {10, {}}, {10, {}}, {25, {}}};
    ReplaySchedule schedule(plan, 1000);
    EXPECT_EQ(schedule.NextDueNs(), 1000);
    EXPECT_EQ(schedule.TakeDue(999), (std::pair<size_t, size_t>{0, 0}));
    EXPECT_EQ(schedule.TakeDue(1010), (std::pair<size_t, size_t>{0, 3}));
    EXPECT_EQ(schedule.NextDueNs(), 1025);
    EXPECT_EQ(schedule.TakeDue(1010), (std::pair<size_t, size_t>{3, 3}));
    // A late wake-up takes everything due by then.
    EXPECT_EQ(schedule.TakeDue(5000), (std::pair<size_t, size_t>{3, 4}));
    EXPECT_TRUE(schedule.Done());
}

}  // namespace
