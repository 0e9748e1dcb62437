#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"

namespace {

// Sinks that look at every line the handlers produce, so that a line built from
// bytes outside the frame (or past a buffer) is read in full by the sanitizers.
class CheckingSinks : public EventLineSink, public ReceivedLineSink {
public:
    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        Check(text);
        if (colour != kColourBlack && colour != kColourBlue && colour != kColourRed) {
            std::abort();
        }
    }
    void AddReceivedLine(std::string_view line) override { Check(line); }

private:
    static void Check(std::string_view text)
    {
        // No handler line is longer than a few hundred bytes or holds a line break.
        if (text.size() > 512 || text.find('\n') != std::string_view::npos) {
            std::abort();
        }
        m_sum += static_cast<size_t>(Cp949Width(text));
    }
    static inline size_t m_sum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CheckingSinks sinks;
    static CConverterLink* link = [] {
        SetEventLogSink(&sinks);
        SetReceivedDataSink(&sinks);
        return new CConverterLink;
    }();

    FrameDecoder decoder(link);
    decoder.Feed(data, size);

    const std::string encoded =
        EncodeLogText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (encoded.size() > 2 * size + 16) {
        std::abort();
    }
    return 0;
}
