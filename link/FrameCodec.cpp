#include "link/FrameCodec.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<uint8_t, 256> MakeDigitTable()
{
    std::array<uint8_t, 256> table{};
    for (auto& value : table) {
        value = 255;
    }
    for (int i = 0; i < 10; ++i) {
        table['0' + i] = static_cast<uint8_t>(i);
    }
    for (int i = 0; i < 6; ++i) {
        table['A' + i] = static_cast<uint8_t>(10 + i);
    }
    return table;
}

constexpr std::array<uint8_t, 256> kDigitTable = MakeDigitTable();

constexpr uint8_t kCarriageReturn = 0x0D;

}  // namespace

uint8_t HexDigitValue(uint8_t character)
{
    return kDigitTable[character];
}

uint8_t FrameChecksum(const char* text, size_t length)
{
    unsigned sum = 0;
    for (size_t i = 1; i < length; ++i) {
        sum += static_cast<unsigned char>(text[i]);
    }
    return static_cast<uint8_t>(sum);
}

std::string BuildFrame(std::string_view body)
{
    std::string frame;
    frame.reserve(body.size() + 3);
    frame.append(body);
    char tail[4];
    std::snprintf(tail, sizeof tail, "%02X%c", FrameChecksum(body.data(), body.size()),
                  kCarriageReturn);
    frame.append(tail, 3);
    return frame;
}

FrameDecoder::FrameDecoder(FrameSink* sink) : m_sink(sink)
{
}

void FrameDecoder::Reset()
{
    inFrame = 0;
    charCount = 0;
    byteCount = 0;
    nibble = 0;
    std::fill(std::begin(rawChars), std::end(rawChars), 0);
    std::fill(std::begin(bytes), std::end(bytes), 0);
}

void FrameDecoder::Abandon()
{
    inFrame = 0;
    charCount = 0;
    byteCount = 0;
}

void FrameDecoder::EndFrame()
{
    if (charCount >= 3) {
        unsigned sum = 0;
        for (int i = 0; i < charCount - 2; ++i) {
            sum += rawChars[i];
        }
        if (static_cast<uint8_t>(sum) == bytes[byteCount] && m_sink != nullptr) {
            m_sink->DispatchFrame(*this);
        }
    }
    Abandon();
}

void FrameDecoder::Feed(uint8_t byte)
{
    if (inFrame == 0) {
        if (byte == ':') {
            inFrame = 1;
            charCount = 0;
            byteCount = 0;
        }
        return;
    }
    if (byte == kCarriageReturn) {
        EndFrame();
        return;
    }
    rawChars[charCount++] = byte;
    if (charCount == 1) {
        bytes[0] = byte;
    } else {
        const uint8_t value = kDigitTable[byte];
        if (value == 255) {
            Abandon();
            return;
        }
        if ((charCount & 1) == 0) {
            nibble = static_cast<uint8_t>(value << 4);
        } else {
            nibble = static_cast<uint8_t>(nibble | value);
            bytes[++byteCount] = nibble;
        }
    }
    if (charCount > kMaxChars || byteCount >= kMaxBytes) {
        Abandon();
    }
}

void FrameDecoder::Feed(const uint8_t* data, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        Feed(data[i]);
    }
}
