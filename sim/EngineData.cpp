#include "sim/EngineData.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace {

constexpr double kIdleRpm = 800.0;
constexpr double kPeakRpm = 3000.0;
constexpr double kSwingSeconds = 20.0;
constexpr double kColdC = 20.0;
constexpr double kWarmC = 90.0;
constexpr double kWarmUpSeconds = 60.0;  // time constant of the coolant's rise
constexpr double kGearStepSeconds = 4.0;
// P, R, N, D and back to N, as someone at the bench moves the selector.
constexpr uint8_t kGears[] = {0, 1, 2, 3, 2};

uint8_t ClampToByte(double value)
{
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

EngineSample EngineAt(std::chrono::microseconds sinceStart)
{
    const double t = std::max(0.0, static_cast<double>(sinceStart.count()) * 1e-6);
    const double phase = 2.0 * std::numbers::pi * t / kSwingSeconds;
    EngineSample sample;
    // A slow swing with a small fast ripple, as a real engine's speed never holds still.
    sample.speedRpm = kIdleRpm + (kPeakRpm - kIdleRpm) * 0.5 * (1.0 - std::cos(phase)) +
                      8.0 * std::sin(2.0 * std::numbers::pi * 1.7 * t);
    sample.coolantC = kWarmC - (kWarmC - kColdC) * std::exp(-t / kWarmUpSeconds);
    sample.throttlePercent = std::clamp(12.0 + 75.0 * std::sin(phase), 0.0, 100.0);
    const auto step = static_cast<uint64_t>(t / kGearStepSeconds);
    sample.gear = kGears[step % std::size(kGears)];
    return sample;
}

void WriteEngineData(const EngineSample& sample, uint8_t data[8])
{
    const long speed = std::clamp(std::lround(sample.speedRpm * 4.0), 0L, 0xFFFFL);
    data[1] = static_cast<uint8_t>(speed & 0xFF);
    data[2] = static_cast<uint8_t>(speed >> 8);
    data[3] = ClampToByte(sample.coolantC + 40.0);
    data[4] = ClampToByte(sample.throttlePercent * 2.0);
    data[5] = static_cast<uint8_t>((data[5] & 0xF0) | (sample.gear & 0x0F));
}
