#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "filter/DisplayFilter.h"

// Arbitrary text as a display filter. The parser must not crash; a refusal
// names a kind, a position within the text (or just after it) and a message;
// an accepted filter answers for any frame, and join can only hide more.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FilterError error;
    const std::optional<DisplayFilter> filter = DisplayFilter::Parse(text, &error);
    if (filter.has_value() != DisplayFilter::Parse(text, nullptr).has_value()) {
        std::abort();
    }
    if (!filter) {
        if (error.kind == FilterError::Kind::kNone || error.column < 1 ||
            static_cast<size_t>(error.column) > size + 1 || error.message.empty()) {
            std::abort();
        }
        return 0;
    }
    if (error.kind != FilterError::Kind::kNone) {
        std::abort();
    }
    const std::optional<DisplayFilter> joined =
        DisplayFilter::Parse(std::string(text) + ",j", nullptr);
    uint32_t probe = 0;
    for (size_t i = 0; i < size && i < 32; ++i) {
        probe = probe * 31 + data[i];
    }
    const uint32_t ids[] = {0, 0x7FF, 0x1FFFFFFF, probe, probe & 0x7FF, ~probe};
    for (const uint32_t id : ids) {
        for (const bool extended : {false, true}) {
            const bool shown = filter->Matches(extended, id);
            if (joined && joined->Matches(extended, id) && !shown && !joined->ShowsEverything()) {
                // A frame every filter shows is shown by at least one.
                std::abort();
            }
        }
    }
    return 0;
}
