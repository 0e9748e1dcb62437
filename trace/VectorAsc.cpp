#include "trace/VectorAsc.h"

#include <algorithm>
#include <array>
#include <ctime>

#include "trace/TextScan.h"

using namespace text_scan;

namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Month 0..11 of an English or German abbreviation, whatever its case.
std::optional<int> MonthOf(std::string_view name)
{
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (EqualsNoCase(name, kMonths[i])) {
            return static_cast<int>(i);
        }
    }
    struct German {
        std::string_view name;
        int month;
    };
    static constexpr German kGerman[] = {{"M\xC3\xA4r", 2}, {"M\xE4r", 2}, {"Mrz", 2},
                                         {"Mai", 4},        {"Okt", 9},    {"Dez", 11}};
    for (const German& german : kGerman) {
        if (EqualsNoCase(name, german.name)) {
            return german.month;
        }
    }
    return std::nullopt;
}

// "hh:mm:ss" with an optional fraction of up to 6 digits.
bool ParseClock(std::string_view text, std::tm& into, int64_t& micros)
{
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') {
        return false;
    }
    const auto hour = ParseNumber(text.substr(0, 2), 10, 2, 23);
    const auto minute = ParseNumber(text.substr(3, 2), 10, 2, 59);
    const auto second = ParseNumber(text.substr(6, 2), 10, 2, 60);
    if (!hour || !minute || !second) {
        return false;
    }
    into.tm_hour = static_cast<int>(*hour);
    into.tm_min = static_cast<int>(*minute);
    into.tm_sec = static_cast<int>(*second);
    micros = 0;
    if (text.size() == 8) {
        return true;
    }
    // Built in place: GCC 12 at -O3 takes "literal" + temporary for an
    // overlapping copy (-Wrestrict).
    std::string seconds = "0";
    seconds += text.substr(8);
    const std::optional<int64_t> fraction = ParseSecondsUs(seconds);
    if (!fraction || text.size() > 15) {
        return false;
    }
    micros = *fraction;
    return true;
}

}  // namespace

std::string AscDateText(int64_t epochUs)
{
    const int64_t seconds = epochUs >= 0 ? epochUs / 1'000'000 : (epochUs + 1) / 1'000'000 - 1;
    const int64_t millis = (epochUs - seconds * 1'000'000) / 1000;
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&when, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    std::string text;
    text.append(kWeekdays[static_cast<size_t>(local.tm_wday) % 7]);
    text.push_back(' ');
    text.append(kMonths[static_cast<size_t>(local.tm_mon) % 12]);
    text.push_back(' ');
    AppendDecimal(text, static_cast<uint64_t>(local.tm_mday), 2);
    text.push_back(' ');
    AppendDecimal(text, static_cast<uint64_t>(hour12), 2);
    text.push_back(':');
    AppendDecimal(text, static_cast<uint64_t>(local.tm_min), 2);
    text.push_back(':');
    AppendDecimal(text, static_cast<uint64_t>(local.tm_sec), 2);
    text.push_back('.');
    AppendDecimal(text, static_cast<uint64_t>(millis), 3);
    text.append(local.tm_hour < 12 ? " am " : " pm ");
    AppendDecimal(text, static_cast<uint64_t>(local.tm_year + 1900), 4);
    return text;
}

std::optional<int64_t> ParseAscDate(std::string_view text)
{
    std::string_view rest = text;
    NextToken(rest);  // the weekday, in whatever language
    const std::optional<int> month = MonthOf(NextToken(rest));
    const std::optional<uint32_t> day = ParseNumber(NextToken(rest), 10, 2, 31);
    std::tm local{};
    int64_t micros = 0;
    if (!month || !day || *day == 0 || !ParseClock(NextToken(rest), local, micros)) {
        return std::nullopt;
    }
    std::string_view yearText = NextToken(rest);
    const bool am = EqualsNoCase(yearText, "am");
    const bool pm = EqualsNoCase(yearText, "pm");
    if (am || pm) {
        if (local.tm_hour < 1 || local.tm_hour > 12) {
            return std::nullopt;
        }
        local.tm_hour = local.tm_hour % 12 + (pm ? 12 : 0);
        yearText = NextToken(rest);
    }
    const std::optional<uint32_t> year = ParseNumber(yearText, 10, 4, 9999);
    if (!year || *year < 1970 || !NextToken(rest).empty()) {
        return std::nullopt;
    }
    local.tm_year = static_cast<int>(*year) - 1900;
    local.tm_mon = *month;
    local.tm_mday = static_cast<int>(*day);
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return static_cast<int64_t>(when) * 1'000'000 + micros;
}

void AppendAscHeader(std::string& out, int64_t startUs)
{
    const std::string date = AscDateText(startUs);
    out.append("date ").append(date).push_back('\n');
    out.append("base hex  timestamps absolute\n");
    out.append("internal events logged\n");
    out.append("Begin Triggerblock ").append(date).push_back('\n');
    out.append("   0.000000 Start of measurement\n");
}

void AppendAscLine(std::string& out, const TraceRecord& record, int64_t startUs, int channel)
{
    const int64_t offset = std::max<int64_t>(record.timeUs - startUs, 0);
    AppendDecimal(out, static_cast<uint64_t>(offset / 1'000'000), 4, ' ');
    out.push_back('.');
    AppendDecimal(out, static_cast<uint64_t>(offset % 1'000'000), 6);
    out.push_back(' ');
    AppendDecimal(out, static_cast<uint64_t>(std::max(channel, 1)));
    out.append("  ");
    if (IsError(record)) {
        out.append("ErrorFrame\n");
        return;
    }
    const size_t idStart = out.size();
    const bool extended = (record.flags & trace_flags::kExtended) != 0;
    const uint32_t id = record.id & (extended ? kExtendedIdMask : kStandardIdMask);
    int digits = 1;
    while (digits < 8 && (id >> (4 * digits)) != 0) {
        ++digits;
    }
    AppendHex(out, id, digits);
    if (extended) {
        out.push_back('x');
    }
    out.append(std::max<size_t>(idStart + 16 - out.size(), 1), ' ');
    out.append((record.flags & trace_flags::kTx) ? "Tx   " : "Rx   ");
    const uint8_t dlc = std::min<uint8_t>(record.dlc, 8);
    out.append((record.flags & trace_flags::kRemote) ? "r " : "d ");
    out.push_back(static_cast<char>('0' + dlc));
    if (!(record.flags & trace_flags::kRemote)) {
        for (uint8_t i = 0; i < dlc; ++i) {
            out.push_back(' ');
            AppendHex(out, record.data[i], 2);
        }
    }
    out.push_back('\n');
}

TraceLineParser::Line VectorAscParser::ParseLine(std::string_view line)
{
    std::string_view rest = line;
    const std::string_view first = NextToken(rest);
    if (first.starts_with("//")) {
        return Line::kSkipped;
    }
    const std::optional<int64_t> time =
        (first.front() >= '0' && first.front() <= '9') ? ParseSecondsUs(first) : std::nullopt;
    if (!time) {
        return ParseHeaderLine(first, rest);
    }
    int64_t timeUs = *time;
    if (m_relative) {
        if (timeUs > kMaxTimeUs - m_previousUs) {
            return Line::kUnparsed;
        }
        timeUs += m_previousUs;
        m_previousUs = timeUs;
    }
    const std::string_view second = NextToken(rest);
    if (EqualsNoCase(second, "Start") && EqualsNoCase(TrimBlanks(rest), "of measurement")) {
        return Line::kSkipped;
    }
    if (!ParseNumber(second, 10, 3, 255)) {
        return Line::kUnparsed;  // CAN FD, statistics, other events
    }
    return ParseEvent(timeUs, second, rest);
}

TraceLineParser::Line VectorAscParser::ParseHeaderLine(std::string_view keyword,
                                                       std::string_view rest)
{
    if (EqualsNoCase(keyword, "date")) {
        const std::optional<int64_t> date = ParseAscDate(rest);
        if (!date) {
            return Line::kUnparsed;
        }
        trace().originUs = *date;
        return Line::kSkipped;
    }
    if (EqualsNoCase(keyword, "base")) {
        const std::string_view base = NextToken(rest);
        const std::string_view timestamps = NextToken(rest);
        const std::string_view mode = NextToken(rest);
        const bool hex = EqualsNoCase(base, "hex");
        if ((!hex && !EqualsNoCase(base, "dec")) || !NextToken(rest).empty()) {
            return Line::kUnparsed;
        }
        bool relative = false;
        if (!timestamps.empty()) {
            relative = EqualsNoCase(mode, "relative");
            if (!EqualsNoCase(timestamps, "timestamps") ||
                (!relative && !EqualsNoCase(mode, "absolute"))) {
                return Line::kUnparsed;
            }
        }
        m_base = hex ? 16 : 10;
        m_relative = relative;
        return Line::kSkipped;
    }
    const std::string_view words = TrimBlanks(rest);
    if ((EqualsNoCase(keyword, "internal") && EqualsNoCase(words, "events logged")) ||
        (EqualsNoCase(keyword, "no") && EqualsNoCase(words, "internal events logged")) ||
        (EqualsNoCase(keyword, "End") && EqualsNoCase(words, "TriggerBlock"))) {
        return Line::kSkipped;
    }
    if (EqualsNoCase(keyword, "Begin") && EqualsNoCase(NextToken(rest), "Triggerblock")) {
        if (TrimBlanks(rest).empty()) {
            return Line::kSkipped;
        }
        const std::optional<int64_t> date = ParseAscDate(rest);
        if (!date) {
            return Line::kUnparsed;
        }
        trace().originUs = *date;
        return Line::kSkipped;
    }
    return Line::kUnparsed;
}

TraceLineParser::Line VectorAscParser::ParseEvent(int64_t timeUs, std::string_view channel,
                                                  std::string_view rest)
{
    TraceRecord record;
    record.timeUs = timeUs;
    const std::string_view idText = NextToken(rest);
    if (idText.size() >= 10 && EqualsNoCase(idText.substr(0, 10), "ErrorFrame")) {
        record.flags = trace_flags::kError;
        record.dlc = can_error::kLength;
    } else {
        const bool extended = !idText.empty() && (idText.back() == 'x' || idText.back() == 'X');
        const std::optional<uint32_t> id =
            ParseNumber(extended ? idText.substr(0, idText.size() - 1) : idText, m_base,
                        m_base == 16 ? 8 : 10, extended ? kExtendedIdMask : kStandardIdMask);
        const std::string_view direction = NextToken(rest);
        const std::string_view kind = NextToken(rest);
        const bool remote = EqualsNoCase(kind, "r");
        if (!id || (!remote && !EqualsNoCase(kind, "d"))) {
            return Line::kUnparsed;
        }
        if (EqualsNoCase(direction, "Tx")) {
            record.flags |= trace_flags::kTx;
        } else if (!EqualsNoCase(direction, "Rx")) {
            return Line::kUnparsed;
        }
        record.id = *id;
        record.flags |=
            (extended ? trace_flags::kExtended : 0) | (remote ? trace_flags::kRemote : 0);
        const std::optional<uint32_t> dlc = ParseNumber(NextToken(rest), m_base, 2, 15);
        if (!dlc && !remote) {
            return Line::kUnparsed;
        }
        record.dlc = static_cast<uint8_t>(std::min<uint32_t>(dlc.value_or(0), 8));
        for (uint8_t i = 0; !remote && i < record.dlc; ++i) {
            const std::optional<uint32_t> byte =
                ParseNumber(NextToken(rest), m_base, m_base == 16 ? 2 : 3, 255);
            if (!byte) {
                return Line::kUnparsed;
            }
            record.data[i] = static_cast<uint8_t>(*byte);
        }
    }
    const std::optional<uint8_t> index = ChannelIndex(channel);
    if (!index) {
        return Line::kUnparsed;
    }
    record.channel = *index;
    trace().records.push_back(record);
    return Line::kRecord;
}
