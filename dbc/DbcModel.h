#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What one DBC file describes, as the parser leaves it: messages with their
// signals, value tables, comments and cycle times. Texts are UTF-8.

enum class DbcValueType : uint8_t {
    kInteger,  // raw bits as an unsigned or two's-complement integer
    kFloat32,  // raw bits are an IEEE 754 single (the signal is 32 bits long)
    kFloat64,  // raw bits are an IEEE 754 double (the signal is 64 bits long)
};

enum class DbcMuxRole : uint8_t {
    kPlain,        // always present
    kMultiplexer,  // "M": its raw value selects the multiplexed signals
    kMultiplexed,  // "m<n>": present only while the multiplexer's raw value is n
};

// One VAL_ entry: the text shown for a raw value. Raw values of unsigned
// signals are kept as their bit pattern (18446744073709551615 is -1 here).
struct DbcValueName {
    int64_t raw = 0;
    std::string text;
};

struct DbcSignal {
    std::string name;
    // As the file writes it. Little-endian ("@1"): the least significant bit,
    // counted from bit 0 of byte 0 upwards (bit 8 is bit 0 of byte 1).
    // Big-endian ("@0"): the most significant bit in the same numbering, the
    // following bits running down to bit 0 of its byte and on from bit 7 of the
    // next byte. "7|12@0+" is byte 0 then the high nibble of byte 1.
    int startBit = 0;
    int length = 1;  // 1 to 64
    bool bigEndian = false;
    bool isSigned = false;
    DbcValueType valueType = DbcValueType::kInteger;
    double factor = 1.0;
    double offset = 0.0;
    double minimum = 0.0;  // minimum and maximum both 0: no range
    double maximum = 0.0;
    std::string unit;
    std::vector<std::string> receivers;
    std::string comment;
    DbcMuxRole muxRole = DbcMuxRole::kPlain;
    uint64_t muxValue = 0;                 // for kMultiplexed
    std::vector<DbcValueName> valueNames;  // ascending raw, each raw once
    int line = 0;                          // of its SG_ in the file

    // Derived by the parser from the fields above and the message's length.
    int firstByte = 0;  // first and last data byte the signal touches
    int lastByte = 0;
    bool fitsMessage = false;  // lastByte < the message's length
    // Where the least significant bit sits in the 64-bit word made of data
    // bytes 0 to 7: little-endian signals in the word with byte 0 lowest,
    // big-endian ones in the word with byte 0 highest. Meaningful when
    // lastByte < 8.
    int shift = 0;

    bool HasRange() const { return minimum != 0.0 || maximum != 0.0; }
};

struct DbcMessage {
    uint32_t id = 0;  // 11 or 29 bits, without the file's extended flag (bit 31)
    bool extended = false;
    std::string name;
    int length = 0;  // 0 to 64 bytes as the file states it
    std::string sender;
    int cycleTimeMs = 0;  // GenMsgCycleTime, or its default; 0: not periodic
    std::string comment;
    std::vector<DbcSignal> signals;
    int multiplexer = -1;  // index of the "M" signal in signals, -1 when none
    int line = 0;          // of its BO_ in the file
};

struct DbcNode {
    std::string name;
    std::string comment;
};

// A note about a file that was loaded all the same: for the event log.
struct DbcWarning {
    int line = 0;
    std::string text;  // Korean, ends in a full stop
};

struct DbcFile {
    std::string version;
    std::string comment;  // the global CM_
    std::vector<DbcNode> nodes;
    std::vector<DbcMessage> messages;  // in file order, each (extended, id) once
    std::vector<DbcWarning> warnings;
};

// Why a file was refused. line is 1-based; 0 when the file as a whole is at
// fault (unreadable, too large). expected names, in Korean, what the parser
// looked for where it stopped: "':'", "신호 길이 (1~64)".
struct DbcError {
    int line = 0;
    std::string expected;
};
