#include "trace/CandumpLog.h"

#include <algorithm>

#include "common/TextFormat.h"
#include "trace/TextScan.h"

using namespace text_scan;

void AppendCandumpLine(std::string& out, const TraceRecord& record, std::string_view interfaceName)
{
    const int64_t time = std::max<int64_t>(record.timeUs, 0);
    out.push_back('(');
    AppendDecimal(out, static_cast<uint64_t>(time / 1'000'000), 10);
    out.push_back('.');
    AppendDecimal(out, static_cast<uint64_t>(time % 1'000'000), 6);
    out.append(") ");
    out.append(interfaceName);
    out.push_back(' ');
    if (IsError(record)) {
        AppendHex(out, can_error::kFlag | (record.id & kExtendedIdMask), 8);
        out.push_back('#');
        for (const uint8_t byte : record.data) {
            AppendHex(out, byte, 2);
        }
    } else {
        if (record.flags & trace_flags::kExtended) {
            AppendHex(out, record.id & kExtendedIdMask, 8);
        } else {
            AppendHex(out, record.id & kStandardIdMask, 3);
        }
        out.push_back('#');
        const uint8_t dlc = std::min<uint8_t>(record.dlc, 8);
        if (record.flags & trace_flags::kRemote) {
            out.push_back('R');
            if (dlc > 0) {
                out.push_back(static_cast<char>('0' + dlc));
            }
        } else {
            for (uint8_t i = 0; i < dlc; ++i) {
                AppendHex(out, record.data[i], 2);
            }
        }
    }
    out.push_back('\n');
}

CandumpLogParser::CandumpLogParser(Trace& into) : TraceLineParser(into)
{
    into.originUs = 0;
}

namespace {

// "DEADBEEF" or "DE.AD.BE.EF": up to 8 bytes; false for anything else.
bool ParseData(std::string_view text, TraceRecord& record)
{
    uint8_t count = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '.' && i > 0 && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (count == 8 || i + 1 >= text.size()) {
            return false;
        }
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        record.data[count++] = static_cast<uint8_t>(high << 4 | low);
        i += 2;
    }
    record.dlc = count;
    return true;
}

}  // namespace

TraceLineParser::Line CandumpLogParser::ParseLine(std::string_view line)
{
    std::string_view rest = line;
    const std::string_view stamp = NextToken(rest);
    const std::string_view interfaceName = NextToken(rest);
    const std::string_view frame = NextToken(rest);
    const std::string_view direction = NextToken(rest);
    if (!NextToken(rest).empty() || frame.empty() || stamp.size() < 3 || stamp.front() != '(' ||
        stamp.back() != ')' || interfaceName.size() > 32) {
        return Line::kUnparsed;
    }
    TraceRecord record;
    if (EqualsNoCase(direction, "T")) {
        record.flags |= trace_flags::kTx;
    } else if (!direction.empty() && !EqualsNoCase(direction, "R")) {
        return Line::kUnparsed;
    }
    const std::optional<int64_t> time = ParseSecondsUs(stamp.substr(1, stamp.size() - 2));
    const size_t hash = frame.find('#');
    if (!time || hash == std::string_view::npos) {
        return Line::kUnparsed;
    }
    record.timeUs = *time;
    const std::string_view idText = frame.substr(0, hash);
    const std::string_view body = frame.substr(hash + 1);
    if (!body.empty() && body.front() == '#') {
        return Line::kUnparsed;  // CAN FD
    }
    if (idText.size() == 3) {
        const std::optional<uint32_t> id = ParseNumber(idText, 16, 3, kStandardIdMask);
        if (!id) {
            return Line::kUnparsed;
        }
        record.id = *id;
    } else if (idText.size() == 8) {
        const std::optional<uint32_t> id =
            ParseNumber(idText, 16, 8, can_error::kFlag | kExtendedIdMask);
        if (!id) {
            return Line::kUnparsed;
        }
        if (*id & can_error::kFlag) {
            record.flags |= trace_flags::kError;
            record.id = *id & kExtendedIdMask;
        } else {
            record.flags |= trace_flags::kExtended;
            record.id = *id;
        }
    } else {
        return Line::kUnparsed;
    }
    if (!body.empty() && (body.front() == 'R' || body.front() == 'r') && !IsError(record)) {
        record.flags |= trace_flags::kRemote;
        if (body.size() > 2 || (body.size() == 2 && (body[1] < '0' || body[1] > '8'))) {
            return Line::kUnparsed;
        }
        record.dlc = body.size() == 2 ? static_cast<uint8_t>(body[1] - '0') : 0;
    } else if (!ParseData(body, record)) {
        return Line::kUnparsed;
    }
    const std::optional<uint8_t> channel = ChannelIndex(interfaceName);
    if (!channel) {
        return Line::kUnparsed;
    }
    record.channel = *channel;
    trace().records.push_back(record);
    return Line::kRecord;
}
