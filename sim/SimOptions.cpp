#include "sim/SimOptions.h"

#include <charconv>
#include <optional>

namespace {

bool ParseNumber(const std::string& text, int base, uint64_t max, uint64_t& value)
{
    if (text.empty() || text.size() > 20) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return result.ec == std::errc() && result.ptr == end && value <= max;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        // The value of an option that takes one, from "=" or the next argument.
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto flag = [&](bool& target) {
            if (inlineValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        bool ok = true;
        bool noPace = false;
        std::string text;
        uint64_t number = 0;
        if (name == "-h" || name == "--help") {
            ok = flag(options.help);
        } else if (name == "--loopback") {
            ok = flag(options.settings.loopback);
        } else if (name == "--flood") {
            ok = flag(options.settings.flood);
        } else if (name == "--flood-empty" || name == "--flood-errors") {
            ok = flag(options.settings.flood);
            options.settings.floodKind =
                name == "--flood-empty" ? FloodKind::kEmptyFrames : FloodKind::kErrorReports;
        } else if (name == "--errors") {
            ok = flag(options.settings.errors);
        } else if (name == "--verbose" || name == "-v") {
            ok = flag(options.verbose);
        } else if (name == "--no-pace") {
            ok = flag(noPace);
            options.pace = !noPace;
        } else if (name == "--frame-by-frame") {
            ok = flag(options.frameByFrame);
        } else if (name == "--no-traffic") {
            bool quiet = false;
            ok = flag(quiet);
            options.settings.traffic = !quiet;
        } else if (name == "--link") {
            ok = value(text);
            if (ok && text.empty()) {
                error = "option --link needs a path";
                ok = false;
            }
            options.linkPath = text;
        } else if (name == "--send-log") {
            ok = value(text);
            if (ok && text.empty()) {
                error = "option --send-log needs a path";
                ok = false;
            }
            options.sendLogPath = text;
        } else if (name == "--baud") {
            ok = value(text);
            if (ok && (!ParseNumber(text, 10, kMaxSimBaud, number) || number < kMinSimBaud)) {
                error = "bad --baud '" + text + "': a speed from " + std::to_string(kMinSimBaud) +
                        " to " + std::to_string(kMaxSimBaud) + " bit/s";
                ok = false;
            }
            options.baud = static_cast<uint32_t>(number);
        } else if (name == "--seed") {
            ok = value(text);
            if (ok && !ParseNumber(text, 10, UINT32_MAX, number)) {
                error = "bad --seed '" + text + "': a number from 0 to 4294967295";
                ok = false;
            }
            options.settings.seed = static_cast<uint32_t>(number);
            options.seedGiven = true;
        } else if (name == "--firmware") {
            ok = value(text);
            if (ok && (text.size() > 2 || !ParseNumber(text, 16, 0xFF, number))) {
                error = "bad --firmware '" + text + "': one byte in hexadecimal, e.g. 12 for 1.2";
                ok = false;
            }
            options.settings.version = static_cast<uint8_t>(number);
        } else {
            error = "unknown option '" + args[i] + "'";
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::string SimUsage()
{
    return "Usage: talvox-sim [options]\n"
           "Stands in for the Talvox converter on a pseudo-terminal. The terminal's path\n"
           "is printed on the first line; point the analyzer at it, e.g.\n"
           "  talvox-sim --link /tmp/ttyTALVOX &\n"
           "  TALVOX_PORTS=/tmp/ttyTALVOX talvox-analyzer\n"
           "\n"
           "Options:\n"
           "  --link PATH      also make a symbolic link PATH to the terminal (removed on exit)\n"
           "  --baud N         pace the output at N bit/s, 10 bits a byte (default 115200)\n"
           "  --no-pace        send as fast as the terminal takes it\n"
           "  --frame-by-frame hand each frame over when its last byte leaves the paced\n"
           "                   line, instead of a few milliseconds of line time at once\n"
           "  --loopback       every transmitted frame also comes back as a received frame\n"
           "  --flood          received frames back to back, as fast as the line allows\n"
           "  --flood-empty    the same with 11-bit frames without data (the most frames)\n"
           "  --flood-errors   error reports (Warning, Error-Passive) back to back instead\n"
           "  --no-traffic     no generated traffic; answers, loopback and errors only\n"
           "  --errors         now and then report the CAN errors the mode byte enables\n"
           "  --seed N         repeatable traffic from seed N\n"
           "  --send-log PATH  write one line per received frame or error report sent:\n"
           "                   its letter (U or I), the CLOCK_MONOTONIC time in ns at\n"
           "                   which its last byte was written to the terminal, and that\n"
           "                   at which it leaves the line at the set speed\n"
           "  --firmware HH    firmware version byte in hexadecimal (default 10, i.e. 1.0)\n"
           "  -v, --verbose    trace every frame received (<), sent (>) or ignored (!) on\n"
           "                   standard error\n"
           "  -h, --help       show this text\n"
           "\n"
           "Ends on SIGINT, SIGTERM or SIGHUP, and then writes on standard error how\n"
           "many received frames and error reports it sent.\n";
}
