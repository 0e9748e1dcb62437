#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbc/DbcDatabase.h"
#include "dbc/DbcModel.h"
#include "dbc/SignalCodec.h"

// Texts for showing decoded signals. UTF-8, no locale: '.' is the decimal point.

// The decimals a signal's physical values are shown with: as many as its
// factor and offset have (0.25 -> 2, 1 -> 0), at most 9.
int SignalDecimals(const DbcSignal& signal);

// "2500 rpm", "-3.75 V", "12" (no unit). Float signals in the shortest form
// that reads back as the same value.
std::string FormatPhysical(const DbcSignal& signal, double physical);

// A decoded value as a row shows it: "2 (Drive)" when the value table names
// the raw value, else FormatPhysical. Empty when the value is not available.
std::string FormatSignalValue(const DbcSignalValue& value);

// The raw bits in hex, as many digits as the signal's length needs: "0x2710",
// "0x3" for a 4-bit signal, "0xFFFFFFFFFFFFFFFF" for a 64-bit one.
std::string FormatRawHex(const DbcSignal& signal, uint64_t raw);

// "a.dbc, 12번째 줄에 ':'이(가) 없읍니다." (no line for a file-wide reason).
std::string FormatDbcError(const std::string& path, const DbcError& error);

// "0x123" for 11-bit ids, "0x18FEF100" for 29-bit ones.
std::string FormatMessageId(const DbcMessageKey& key);

// One event line naming the messages a later file replaced:
// "DBC 메시지 0x123, 0x18FEF100을(를) 뒤의 파일의 정의로 바꾸었읍니다."
// Empty when none was replaced.
std::string FormatReplacedMessages(const std::vector<DbcMessageKey>& replaced);
