#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Frames on the serial line, in both directions:
//
//   ':'  letter  body-digits...  checksum(2 digits)  CR
//
// The body is upper-case hexadecimal, two digits per byte, multi-byte fields
// most significant byte first. The checksum is the sum, modulo 256, of the
// character codes of the letter and every body digit (not ':', not the checksum,
// not the CR). Example: the configuration read is ":Y59\r", since 'Y' is 0x59.

// '0'-'9' -> 0-9, 'A'-'F' -> 10-15, anything else (lower case included) -> 255.
uint8_t HexDigitValue(uint8_t character);

// Sum of the codes of text[1] .. text[length-1] modulo 256; 0 for length 0 or 1.
uint8_t FrameChecksum(const char* text, size_t length);

// Completes a body such as ":G11" into the frame ":G11A9\r" ("%s%02X%c").
std::string BuildFrame(std::string_view body);

class FrameDecoder;

// Receives every frame the decoder accepts, synchronously inside Feed, before
// the next byte is consumed. The frame is read from the decoder's bytes.
class FrameSink {
public:
    virtual void DispatchFrame(const FrameDecoder& decoder) = 0;

protected:
    ~FrameSink() = default;
};

// Byte-wise decoder of received frames.
//
// Waiting: everything but ':' is ignored. Collecting: the first character is the
// letter (taken as it is); every later one must be a hex digit, else the frame
// is abandoned and the character consumed (so a ':' in mid-frame is lost too).
// CR ends the frame: fewer than 3 characters is too short; otherwise the sum of
// all characters but the last two must equal the last decoded byte. More than
// 29 characters, or 16 decoded bytes, abandons the frame.
//
// Example: ":G01A8\r" dispatches letter 'G' with bytes[1] = 0x01, bytes[2] = 0xA8.
class FrameDecoder {
public:
    static constexpr int kMaxChars = 29;
    static constexpr int kMaxBytes = 16;

    explicit FrameDecoder(FrameSink* sink = nullptr);

    void SetSink(FrameSink* sink) { m_sink = sink; }
    // Back to Waiting with every counter and buffer cleared.
    void Reset();

    void Feed(uint8_t byte);
    void Feed(const uint8_t* data, size_t length);

    // bytes[0] is the letter; bytes[1] .. bytes[byteCount] the decoded bytes,
    // the last of which is the checksum once a frame is complete.
    uint8_t Letter() const { return bytes[0]; }

    // The state is kept in the open, as the handlers read it by index.
    uint32_t inFrame = 0;
    uint8_t charCount = 0;
    uint8_t rawChars[32] = {};
    uint8_t byteCount = 0;
    uint8_t bytes[30] = {};
    uint8_t nibble = 0;

private:
    void Abandon();
    void EndFrame();

    FrameSink* m_sink;
};
