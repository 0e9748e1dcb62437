#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dbc/DbcModel.h"

// Reads the DBC text that engineering tools write:
//
//   VERSION ""
//   NS_ :
//       CM_
//   BS_:
//   BU_: Engine Gateway
//   BO_ 291 EngineData: 8 Engine
//    SG_ EngineSpeed : 7|16@0+ (0.25,0) [0|16000] "rpm" Gateway
//    SG_ Gear : 16|4@1+ (1,0) [0|0] "" Gateway
//   BO_ 2566844926 Extended: 8 Gateway        (bit 31 set: 29-bit id 0x18FEF1FE)
//   CM_ SG_ 291 EngineSpeed "Crankshaft speed, \"filtered\"";
//   BA_DEF_DEF_ "GenMsgCycleTime" 0;
//   BA_ "GenMsgCycleTime" BO_ 291 100;
//   VAL_ 291 Gear 0 "Park" 1 "Reverse" 2 "Drive" ;
//   SIG_VALTYPE_ 291 Pressure : 1;              (1: float, 2: double)
//
// Multiplexing: "SG_ Mode M : ..." and "SG_ Temp m3 : ...". Every other
// statement (value tables, attribute definitions, environment variables,
// signal groups, extended multiplexing, unknown keywords) is skipped to its
// ';'. A file is taken whole or refused whole: on failure nothing of it is
// returned. Time and memory grow linearly with the text.

struct DbcParseResult {
    DbcFile file;
    std::optional<DbcError> error;  // set: file is empty
    bool ok() const { return !error.has_value(); }
};

// Files larger than this are refused before they are read.
inline constexpr size_t kDbcMaxFileBytes = 64u * 1024u * 1024u;
// Warnings kept for one file; the rest are counted in one last warning.
inline constexpr size_t kDbcMaxWarnings = 100;
// A message with more signals than this is refused.
inline constexpr size_t kDbcMaxSignalsPerMessage = 65536;

// The file's bytes as UTF-8: taken as they are when they are UTF-8 (a byte
// order mark dropped), else read as CP949, else as CP1252.
std::string DbcTextToUtf8(std::string_view bytes);

// Parses UTF-8 text.
DbcParseResult ParseDbcText(std::string_view utf8);

// The bytes of a file, in any of the encodings DbcTextToUtf8 knows.
DbcParseResult ParseDbc(std::string_view bytes);

DbcParseResult ReadDbcFile(const std::string& path);
