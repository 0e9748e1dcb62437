#include "trace/ui/TraceLines.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "link/ResponseText.h"

namespace {

void AppendTime(std::string& out, int64_t timeUs, std::optional<int64_t> originUs)
{
    char text[48];
    if (!originUs) {
        const int64_t us = timeUs < 0 ? 0 : timeUs;
        std::snprintf(text, sizeof text, "%" PRId64 ".%06" PRId64, us / 1000000, us % 1000000);
        out += text;
        return;
    }
    const int64_t wallUs = *originUs + timeUs;
    int64_t seconds = wallUs / 1000000;
    int64_t micros = wallUs % 1000000;
    if (micros < 0) {
        micros += 1000000;
        --seconds;
    }
    const auto when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        local = {};
    }
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(micros));
    out += text;
}

}  // namespace

std::string TraceLineText(const TraceRecord& record, std::optional<int64_t> originUs)
{
    std::string line;
    line.reserve(96);
    AppendTime(line, record.timeUs, originUs);
    line += "  ";
    if (!IsError(record)) {
        const CanFrame frame = FrameOfRecord(record);
        line += ReceivedLine(frame, frame.remote != 0 ? 0 : frame.dlc);
        return line;
    }
    const uint8_t bits = ConverterErrorBits(record);
    std::string detail = ErrorCodeDetail(bits & 0x1F);
    if ((bits & converter_error::kRestarted) != 0) {
        detail += detail.empty() ? "자동 리셋" : ", 자동 리셋";
    }
    line += detail.empty() ? std::string("Error Frame") : detail + " 에러 발생";
    return line;
}
