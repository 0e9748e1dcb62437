// Decodes and encodes frames with one DBC file, for the comparison with
// canmatrix (oracle_test.py). Reads commands from standard input, one a line:
//
//   D <S|E> <id hex> <data hex>           one JSON line: {"name": [raw, physical, "text"], ...}
//   E <S|E> <id hex> <length> name=value...  the encoded bytes in hex from zeros,
//                                         or "error <name> <status>"
//
// Physical values are printed with 17 significant digits so that they read
// back exactly.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "dbc/DbcDatabase.h"
#include "dbc/DbcParser.h"
#include "dbc/SignalCodec.h"

namespace {

std::string Json(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

std::string Number(double value)
{
    if (value != value) {
        return "\"nan\"";
    }
    if (value == 1.0 / 0.0 || value == -1.0 / 0.0) {
        return value > 0 ? "\"inf\"" : "\"-inf\"";
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

const char* StatusName(DbcEncodeStatus status)
{
    switch (status) {
    case DbcEncodeStatus::kOk:
        return "ok";
    case DbcEncodeStatus::kNotInFrame:
        return "not-in-frame";
    case DbcEncodeStatus::kOutOfRawRange:
        return "out-of-raw-range";
    case DbcEncodeStatus::kOutsideRange:
        return "outside-range";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.dbc < commands\n", argv[0]);
        return 2;
    }
    DbcParseResult parsed = ReadDbcFile(argv[1]);
    if (!parsed.ok()) {
        std::fprintf(stderr, "line %d: expected %s\n", parsed.error->line,
                     parsed.error->expected.c_str());
        return 1;
    }
    DbcDatabase database;
    database.Add(std::move(parsed.file));

    std::vector<DbcSignalValue> values;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command, kind, idText;
        in >> command >> kind >> std::hex;
        uint32_t id = 0;
        in >> id >> std::dec;
        const DbcMessage* message = database.Find(kind == "E", id);
        if (message == nullptr) {
            std::printf("unknown message\n");
            continue;
        }
        if (command == "D") {
            std::string hex;
            in >> hex;
            uint8_t data[8] = {};
            const int dlc = static_cast<int>(std::min<size_t>(hex.size() / 2, 8));
            for (int i = 0; i < dlc; ++i) {
                data[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
            }
            DecodeMessage(*message, data, dlc, values);
            std::string out = "{";
            for (const DbcSignalValue& value : values) {
                if (!value.available) {
                    continue;
                }
                if (out.size() > 1) {
                    out += ", ";
                }
                const std::string raw = value.signal->isSigned ? std::to_string(value.rawSigned)
                                                               : std::to_string(value.raw);
                out += Json(value.signal->name) + ": [" + raw + ", " + Number(value.physical) +
                       ", " + Json(value.valueText) + "]";
            }
            std::printf("%s}\n", out.c_str());
        } else if (command == "E") {
            int length = 0;
            in >> length;
            uint8_t data[8] = {};
            std::string assignment;
            std::string failure;
            while (in >> assignment) {
                const size_t equals = assignment.find('=');
                const std::string name = assignment.substr(0, equals);
                const double physical = std::stod(assignment.substr(equals + 1));
                for (const DbcSignal& signal : message->signals) {
                    if (signal.name != name) {
                        continue;
                    }
                    const DbcEncodeStatus status = EncodeSignal(signal, physical, data);
                    if (status != DbcEncodeStatus::kOk && failure.empty()) {
                        failure = "error " + name + " " + StatusName(status);
                    }
                }
            }
            if (!failure.empty()) {
                std::printf("%s\n", failure.c_str());
                continue;
            }
            for (int i = 0; i < length && i < 8; ++i) {
                std::printf("%02x", data[i]);
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }
    return 0;
}
