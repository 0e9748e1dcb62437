#include "dbc/SignalCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

uint64_t Swap(uint64_t word)
{
    return __builtin_bswap64(word);
}

uint64_t Mask(int length)
{
    return length >= 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
}

// Bytes 0 to 7 with byte 0 lowest; bytes from `count` on read as zero.
uint64_t LittleWord(const uint8_t* data, int count)
{
    uint64_t word = 0;
    for (int i = 0; i < count; ++i) {
        word |= uint64_t{data[i]} << (8 * i);
    }
    return word;
}

void StoreLittleWord(uint64_t word, uint8_t data[8])
{
    for (int i = 0; i < 8; ++i) {
        data[i] = static_cast<uint8_t>(word >> (8 * i));
    }
}

bool InFrame(const DbcSignal& signal, int count)
{
    return signal.fitsMessage && signal.lastByte < count;
}

// The signal's raw bits from the two views of the data.
uint64_t Extract(const DbcSignal& signal, uint64_t little, uint64_t big)
{
    return ((signal.bigEndian ? big : little) >> signal.shift) & Mask(signal.length);
}

void Fill(const DbcSignal& signal, uint64_t raw, DbcSignalValue& value)
{
    value.signal = &signal;
    value.available = true;
    value.raw = raw;
    if (signal.isSigned && signal.length < 64 && (raw >> (signal.length - 1)) & 1) {
        value.rawSigned = static_cast<int64_t>(raw | ~Mask(signal.length));
    } else {
        value.rawSigned = static_cast<int64_t>(raw);
    }
    double number;
    switch (signal.valueType) {
    case DbcValueType::kFloat32:
        number = std::bit_cast<float>(static_cast<uint32_t>(raw));
        break;
    case DbcValueType::kFloat64:
        number = std::bit_cast<double>(raw);
        break;
    default:
        number = signal.isSigned ? static_cast<double>(value.rawSigned) : static_cast<double>(raw);
        break;
    }
    value.physical = number * signal.factor + signal.offset;
    value.valueText = {};
    if (signal.valueType == DbcValueType::kInteger && !signal.valueNames.empty()) {
        const auto it = std::lower_bound(
            signal.valueNames.begin(), signal.valueNames.end(), value.rawSigned,
            [](const DbcValueName& entry, int64_t raw) { return entry.raw < raw; });
        if (it != signal.valueNames.end() && it->raw == value.rawSigned) {
            value.valueText = it->text;
        }
    }
    value.outsideRange =
        signal.HasRange() && (value.physical < signal.minimum || value.physical > signal.maximum);
}

}  // namespace

DbcSignalValue DecodeSignal(const DbcSignal& signal, const uint8_t* data, int dlc)
{
    const int count = std::clamp(dlc, 0, 8);
    DbcSignalValue value;
    value.signal = &signal;
    if (InFrame(signal, count)) {
        const uint64_t little = LittleWord(data, count);
        Fill(signal, Extract(signal, little, Swap(little)), value);
    }
    return value;
}

void DecodeMessage(const DbcMessage& message, const uint8_t* data, int dlc,
                   std::vector<DbcSignalValue>& out)
{
    out.clear();
    const int count = std::clamp(dlc, 0, 8);
    const uint64_t little = LittleWord(data, count);
    const uint64_t big = Swap(little);

    bool haveSelector = false;
    uint64_t selector = 0;
    if (message.multiplexer >= 0) {
        const DbcSignal& multiplexer = message.signals[static_cast<size_t>(message.multiplexer)];
        if (InFrame(multiplexer, count)) {
            haveSelector = true;
            selector = Extract(multiplexer, little, big);
        }
    }
    for (const DbcSignal& signal : message.signals) {
        if (signal.muxRole == DbcMuxRole::kMultiplexed &&
            (!haveSelector || signal.muxValue != selector)) {
            continue;
        }
        DbcSignalValue& value = out.emplace_back();
        value.signal = &signal;
        if (InFrame(signal, count)) {
            Fill(signal, Extract(signal, little, big), value);
        }
    }
}

bool WriteSignalRaw(const DbcSignal& signal, uint64_t raw, uint8_t data[8])
{
    if (!InFrame(signal, 8)) {
        return false;
    }
    const uint64_t mask = Mask(signal.length) << signal.shift;
    const uint64_t bits = (raw << signal.shift) & mask;
    uint64_t little = LittleWord(data, 8);
    if (signal.bigEndian) {
        little = Swap((Swap(little) & ~mask) | bits);
    } else {
        little = (little & ~mask) | bits;
    }
    StoreLittleWord(little, data);
    return true;
}

DbcEncodeStatus EncodeSignal(const DbcSignal& signal, double physical, uint8_t data[8])
{
    if (!InFrame(signal, 8)) {
        return DbcEncodeStatus::kNotInFrame;
    }
    const double quotient = (physical - signal.offset) / signal.factor;
    if (!std::isfinite(quotient)) {
        return DbcEncodeStatus::kOutOfRawRange;
    }
    uint64_t raw;
    switch (signal.valueType) {
    case DbcValueType::kFloat32: {
        if (std::fabs(quotient) > std::numeric_limits<float>::max()) {
            return DbcEncodeStatus::kOutOfRawRange;
        }
        raw = std::bit_cast<uint32_t>(static_cast<float>(quotient));
        break;
    }
    case DbcValueType::kFloat64:
        raw = std::bit_cast<uint64_t>(quotient);
        break;
    default: {
        const double rounded = std::round(quotient);
        // Bounds as exact powers of two: [0, 2^n) or [-2^(n-1), 2^(n-1)).
        const double low = signal.isSigned ? -std::ldexp(1.0, signal.length - 1) : 0.0;
        const double high = std::ldexp(1.0, signal.isSigned ? signal.length - 1 : signal.length);
        if (rounded < low || rounded >= high) {
            return DbcEncodeStatus::kOutOfRawRange;
        }
        raw = signal.isSigned ? static_cast<uint64_t>(static_cast<int64_t>(rounded))
                              : static_cast<uint64_t>(rounded);
        break;
    }
    }
    if (signal.HasRange() && (physical < signal.minimum || physical > signal.maximum)) {
        return DbcEncodeStatus::kOutsideRange;
    }
    WriteSignalRaw(signal, raw, data);
    return DbcEncodeStatus::kOk;
}
