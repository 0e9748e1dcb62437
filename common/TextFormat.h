#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// Text helpers shared by every subsystem. Texts are UTF-8 in memory; column
// widths are counted as the Korean code page 949 counts them (a Hangul syllable,
// or any other character outside ASCII, takes two bytes; ASCII takes one), so
// that columns line up in a fixed-pitch font whose Hangul glyphs are double width.

// The value of a hexadecimal digit (0-9, A-F, a-f), -1 for any other character.
int HexDigit(char c);

// True when every character is 0-9, A-F or a-f. An empty text passes.
bool IsHexText(std::string_view text);

// Width of a UTF-8 text in CP949 bytes.
int Cp949Width(std::string_view utf8);

// "%-Ns" with the width counted in CP949 bytes: pads with blanks on the right up
// to width; a text already as wide or wider is neither padded nor cut.
std::string PadRight(std::string_view text, int width);
void AppendPadded(std::string& out, std::string_view text, int width);

// Bytes as two upper-case hex digits each, separated by single blanks:
// "01 A2 FF"; "" for none.
std::string HexBytesText(const uint8_t* bytes, size_t count);

// The event-line layout "%-28s : %s": caption padded to 28, " : ", detail.
std::string CaptionLine(std::string_view caption, std::string_view detail);

// The local time as "%Y.%m.%d %H:%M:%S", e.g. "2008.12.05 14:03:07".
std::string TimeStamp(std::time_t when);
std::string TimeStamp();

// The line both log files store: stamp, two blanks, text, line end.
std::string TimeStampedLine(std::string_view text, std::time_t when);
std::string TimeStampedLine(std::string_view text);
