#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <vector>

#include "dbc/DbcParser.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalFormat.h"

// Arbitrary bytes as a DBC file. A refused file returns nothing of itself; an
// accepted one holds each message once, and its signals decode only within
// their message and the frame: raw values written into a frame read back
// unchanged, and encoding a decoded value gives back the same bits.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DbcParseResult result = ParseDbc(bytes);
    if (!result.ok()) {
        if (!result.file.messages.empty() || !result.file.warnings.empty() ||
            result.error->line < 0 || result.error->expected.empty()) {
            std::abort();
        }
        return 0;
    }

    uint8_t frame[8] = {};
    std::memcpy(frame, data, std::min<size_t>(size, 8));
    std::set<std::pair<bool, uint32_t>> keys;
    std::vector<DbcSignalValue> values;
    for (const DbcMessage& message : result.file.messages) {
        if (!keys.emplace(message.extended, message.id).second || message.length > 64 ||
            message.id > (message.extended ? 0x1FFFFFFFu : 0x7FFu)) {
            std::abort();
        }
        for (int dlc = 0; dlc <= 8; dlc += 4) {
            DecodeMessage(message, frame, dlc, values);
            for (const DbcSignalValue& value : values) {
                const DbcSignal& signal = *value.signal;
                if (value.available != (signal.fitsMessage && signal.lastByte < dlc) ||
                    signal.length < 1 || signal.length > 64) {
                    std::abort();
                }
                FormatSignalValue(value);
                FormatRawHex(signal, value.raw);
            }
        }
        for (const DbcSignal& signal : message.signals) {
            if (signal.fitsMessage != (signal.lastByte < message.length)) {
                std::abort();
            }
            if (!signal.fitsMessage || signal.lastByte >= 8) {
                continue;
            }
            uint8_t copy[8];
            std::memcpy(copy, frame, 8);
            const uint64_t raw = DecodeSignal(signal, frame, 8).raw ^ 0x5A5A5A5A5A5A5A5Aull;
            const uint64_t mask = signal.length == 64 ? ~0ull : (1ull << signal.length) - 1;
            if (!WriteSignalRaw(signal, raw, copy) ||
                DecodeSignal(signal, copy, 8).raw != (raw & mask)) {
                std::abort();
            }
            const DbcSignalValue value = DecodeSignal(signal, frame, 8);
            uint8_t encoded[8];
            std::memcpy(encoded, frame, 8);
            const DbcEncodeStatus status = EncodeSignal(signal, value.physical, encoded);
            if (status == DbcEncodeStatus::kOk && signal.valueType == DbcValueType::kInteger &&
                signal.factor == 1.0 && signal.offset == 0.0 && signal.length <= 53 &&
                std::memcmp(encoded, frame, 8) != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
