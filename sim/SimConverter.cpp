#include "sim/SimConverter.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "canconfig/CanBitTime.h"
#include "canconfig/MainSetting.h"
#include "sim/EngineData.h"

namespace {

using std::chrono::milliseconds;

// Mode byte bits the converter acts on besides receive mode and identifier width.
constexpr uint8_t kAutoResetBusOff = 0x08;
constexpr uint8_t kNotifyBusOff = 0x04;
constexpr uint8_t kNotifyErrorPassive = 0x02;
constexpr uint8_t kNotifyWarning = 0x01;

// Error report code bits: receive and transmit together.
constexpr uint8_t kCodeBusOff = converter_error::kBusOff;
constexpr uint8_t kCodeErrorPassive = converter_error::kRxPassive | converter_error::kTxPassive;
constexpr uint8_t kCodeWarning = converter_error::kRxWarning | converter_error::kTxWarning;

constexpr uint32_t kBaseIdShift = 18;  // 29-bit identifier = 11-bit base << 18 | extension

// Longest received text the trace keeps between carriage returns; a frame is
// at most 31 characters, so anything longer is junk and only its start matters.
constexpr size_t kMaxTracedText = 64;

// The text as one line of the trace: printable ASCII as is, other bytes \xNN.
std::string Printable(std::string_view text)
{
    std::string line;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            line += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        }
    }
    return line;
}

// The decoded bytes a frame must carry to hold exactly the fields of body (":" +
// letter + two digits per byte), the checksum included.
int ByteCountOf(const std::string& body)
{
    return static_cast<int>((body.size() - 2) / 2) + 1;
}

uint8_t EnabledErrorCodes(uint8_t modeByte)
{
    uint8_t codes = 0;
    if ((modeByte & kNotifyBusOff) != 0) {
        codes |= kCodeBusOff;
    }
    if ((modeByte & kNotifyErrorPassive) != 0) {
        codes |= kCodeErrorPassive;
    }
    if ((modeByte & kNotifyWarning) != 0) {
        codes |= kCodeWarning;
    }
    return codes;
}

CanFrame MakeFrame(bool extended, bool remote, uint8_t dlc, uint32_t id)
{
    CanFrame frame;
    frame.extended = extended ? 1 : 0;
    frame.remote = remote ? 1 : 0;
    frame.dlc = dlc;
    frame.id = id;
    return frame;
}

}  // namespace

bool SimAccepts(const ConfigReport& config, const CanFrame& frame)
{
    const int receiveMode = (config.modeByte >> 5) & 3;
    if (receiveMode == 1 && frame.extended != 0) {
        return false;
    }
    if (receiveMode >= 2 && frame.extended == 0) {
        return false;
    }
    // Both sides as 29-bit values; an 11-bit value is a base identifier.
    uint32_t filterId = config.id;
    uint32_t filterMask = config.maskId;
    if (IsExtendedIdMode(config.modeByte)) {
        filterId &= kExtendedIdMask;
        filterMask &= kExtendedIdMask;
    } else {
        filterId = (filterId & kStandardIdMask) << kBaseIdShift;
        filterMask = (filterMask & kStandardIdMask) << kBaseIdShift;
    }
    uint32_t frameId;
    uint32_t compared;
    if (frame.extended != 0) {
        frameId = frame.id & kExtendedIdMask;
        compared = kExtendedIdMask;
    } else {
        frameId = (frame.id & kStandardIdMask) << kBaseIdShift;
        compared = kStandardIdMask << kBaseIdShift;
    }
    return ((frameId ^ filterId) & filterMask & compared) == 0;
}

SimConverter::SimConverter(const SimSettings& settings)
    : m_settings(settings), m_decoder(this), m_random(settings.seed)
{
    if (!m_settings.traffic) {
        return;
    }
    // A bench mix: engine and body messages on 11-bit identifiers, J1939-style
    // 29-bit ones, a remote request of each width, and two sources that scan
    // the identifier range so that every filter setting sees some traffic.
    struct Mix {
        bool extended;
        bool remote;
        uint8_t dlc;
        uint32_t id;
        int periodMs;
        bool varyLength;
        bool scan;
    };
    static constexpr Mix kMix[] = {
        {false, false, 8, 0x100, 10, false, false},
        {false, false, 4, 0x1A0, 50, false, false},
        {false, false, 2, 0x2F0, 100, false, false},
        {false, false, 8, 0x3E8, 1000, true, false},
        {false, true, 0, 0x7DF, 500, false, false},
        {true, false, 8, 0x0CF00400, 20, false, false},
        {true, false, 8, 0x18FEF100, 100, false, false},
        {true, true, 0, 0x18EAFF00, 1000, false, false},
        {false, false, 8, 0, 100, true, true},
        {true, false, 8, 0, 100, true, true},
    };
    for (const Mix& mix : kMix) {
        Source source;
        source.frame = MakeFrame(mix.extended, mix.remote, mix.dlc, mix.id);
        source.period = milliseconds(mix.periodMs);
        source.varyLength = mix.varyLength;
        source.scan = mix.scan;
        source.engine = !mix.extended && !mix.remote && mix.id == kEngineDataId;
        m_sources.push_back(source);
    }
}

void SimConverter::Receive(const uint8_t* data, size_t length, SimTime now)
{
    m_now = now;
    if (!m_observer) {
        m_decoder.Feed(data, length);
        return;
    }
    for (size_t i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        if (byte != '\r' && m_receivedText.size() < kMaxTracedText) {
            m_receivedText += static_cast<char>(byte);
        }
        m_decoder.Feed(byte);
        if (byte == '\r') {
            TraceDropped();
        }
    }
}

void SimConverter::TraceDropped()
{
    const size_t start = m_receivedText.find(':');
    if (!m_receivedTraced && start != std::string::npos) {
        m_observer('!', Printable(std::string_view(m_receivedText).substr(start)));
    }
    m_receivedText.clear();
    m_receivedTraced = false;
}

std::string SimConverter::TakeOutput()
{
    std::string output;
    output.swap(m_output);
    return output;
}

void SimConverter::Answer(std::string_view body)
{
    m_output += BuildFrame(body);
}

void SimConverter::TraceSent(size_t from) const
{
    if (!m_observer) {
        return;
    }
    std::string_view sent(m_output);
    sent.remove_prefix(from);
    while (!sent.empty()) {
        const size_t end = sent.find('\r');
        m_observer('>', sent.substr(0, end));
        sent.remove_prefix(end == sent.npos ? sent.size() : end + 1);
    }
}

void SimConverter::DispatchFrame(const FrameDecoder& decoder)
{
    const size_t before = m_output.size();
    const bool handled = Handle(decoder);
    if (m_observer) {
        std::string raw(1, ':');
        raw.append(reinterpret_cast<const char*>(decoder.rawChars), decoder.charCount);
        m_observer(handled ? '<' : '!', Printable(raw));
        m_receivedTraced = true;
        TraceSent(before);
    }
}

bool SimConverter::Handle(const FrameDecoder& decoder)
{
    const uint8_t* bytes = decoder.bytes;
    const int byteCount = decoder.byteCount;
    char body[8];
    switch (decoder.Letter()) {
    case 'Y':
        if (byteCount != 1) {
            break;
        }
        Answer(ConfigFieldsBody('Y', m_state.config));
        return true;
    case 'Z': {
        ConfigReport wanted;
        if (!ParseConfigFields(bytes, byteCount, wanted) ||
            byteCount != ByteCountOf(ConfigFieldsBody('Z', wanted))) {
            break;
        }
        ConfigReport& config = m_state.config;
        config.modeByte = wanted.modeByte & 0x7F;
        // The controller keeps its bit time when asked for one it cannot run;
        // the answer then tells the analyzer what is really in force.
        if (IsValidBitTime(wanted.bitTime)) {
            config.bitTime = wanted.bitTime;
        }
        const uint32_t width = IdMaskForMode(config.modeByte);
        config.id = wanted.id & width;
        config.maskId = wanted.maskId & width;
        SetReception(false);
        Answer(ConfigFieldsBody('Z', config));
        return true;
    }
    case 'G': {
        uint8_t on = 0;
        if (byteCount != 2 || !ParseByteField(bytes, byteCount, on)) {
            break;
        }
        SetReception((on & 1) != 0);
        std::snprintf(body, sizeof body, ":G%02X", m_state.receptionOn ? 1 : 0);
        Answer(body);
        return true;
    }
    case 'W': {
        CanFrame frame;
        if (!ParseCanFrameFields(bytes, byteCount, frame) ||
            byteCount != ByteCountOf(CanFrameBody('W', frame))) {
            break;
        }
        Answer(CanFrameBody('W', frame));
        if (m_settings.loopback && m_state.receptionOn && SimAccepts(m_state.config, frame)) {
            Answer(CanFrameBody('U', frame));
        }
        return true;
    }
    case 'R':
        if (byteCount != 1) {
            break;
        }
        SetReception(false);
        Answer(":R00");
        return true;
    case 'V':
        if (byteCount != 1) {
            break;
        }
        std::snprintf(body, sizeof body, ":V%02X", m_settings.version);
        Answer(body);
        return true;
    default:
        break;
    }
    return false;
}

void SimConverter::SetReception(bool on)
{
    if (on == m_state.receptionOn) {
        return;
    }
    m_state.receptionOn = on;
    m_nextError = SimTime::max();
    if (on) {
        Schedule();
    }
}

void SimConverter::Schedule()
{
    // Periodic sources start at a random phase, as nodes on a bus are not in step.
    for (Source& source : m_sources) {
        std::uniform_int_distribution<int64_t> phase(0, source.period.count() - 1);
        source.due = m_now + SimTime(phase(m_random));
    }
    if (m_settings.errors) {
        std::uniform_int_distribution<int64_t> gap(300'000, 2'000'000);
        m_nextError = m_now + SimTime(gap(m_random));
    }
}

bool SimConverter::FillFrame(Source& source)
{
    CanFrame& frame = source.frame;
    if (source.scan) {
        const uint32_t width = frame.extended != 0 ? kExtendedIdMask : kStandardIdMask;
        frame.id = std::uniform_int_distribution<uint32_t>(0, width)(m_random);
        // Each fixed identifier has one sender, as on a real bus: a scanned
        // frame on it would put noise into its decoded signals.
        while (IsFixedId(frame.extended != 0, frame.id)) {
            frame.id = (frame.id + 1) & width;
        }
    }
    if (source.varyLength) {
        frame.dlc = static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 8)(m_random));
    }
    if (frame.remote == 0 && frame.dlc > 0) {
        // A rolling counter first, then changing signal values.
        ++frame.data[0];
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 1; i < frame.dlc; ++i) {
            frame.data[i] = static_cast<uint8_t>(byte(m_random));
        }
        if (source.engine) {
            WriteEngineData(EngineAt(m_now), frame.data);
        }
    }
    return SimAccepts(m_state.config, frame);
}

bool SimConverter::IsFixedId(bool extended, uint32_t id) const
{
    return std::any_of(m_sources.begin(), m_sources.end(), [extended, id](const Source& source) {
        return !source.scan && (source.frame.extended != 0) == extended && source.frame.id == id;
    });
}

void SimConverter::EmitTraffic(const CanFrame& frame)
{
    Answer(CanFrameBody('U', frame));
}

void SimConverter::Advance(SimTime now, size_t pendingBytes)
{
    m_now = now;
    if (!m_state.receptionOn) {
        return;
    }
    const size_t before = m_output.size();
    if (m_settings.flood) {
        Flood(pendingBytes);
    } else {
        for (Source& source : m_sources) {
            if (source.due > now) {
                continue;
            }
            if (pendingBytes + m_output.size() <= kMaxBacklog && FillFrame(source)) {
                EmitTraffic(source.frame);
            }
            source.due += source.period;
            if (source.due <= now) {
                // Behind schedule (a stalled line or process): skip, never burst.
                source.due = now + source.period;
            }
        }
    }
    if (m_nextError <= now) {
        RaiseErrors();
    }
    TraceSent(before);
}

void SimConverter::Flood(size_t pendingBytes)
{
    const bool mixed = m_settings.floodKind == FloodKind::kMixed;
    if ((mixed && m_sources.empty()) || m_now < m_floodIdleUntil) {
        return;
    }
    // Bounded, so that a filter that passes almost nothing cannot spin here.
    bool emitted = false;
    for (int attempt = 0; attempt < 64 && pendingBytes + m_output.size() < kFloodLowWater;
         ++attempt) {
        if (!mixed) {
            emitted = FloodOne() || emitted;
            continue;
        }
        Source& source = m_sources[m_floodCursor];
        m_floodCursor = (m_floodCursor + 1) % m_sources.size();
        if (FillFrame(source)) {
            EmitTraffic(source.frame);
            emitted = true;
        }
    }
    m_floodIdleUntil = emitted ? SimTime::zero() : m_now + milliseconds(1);
}

bool SimConverter::FloodOne()
{
    const uint32_t n = m_floodCount++;
    if (m_settings.floodKind == FloodKind::kErrorReports) {
        // Receive and transmit Error-Passive and Warning in turn: Bus-Off would
        // end reception and with it the flood.
        static constexpr uint8_t kCodes[] = {0x02, 0x04, 0x08, 0x10};
        char body[8];
        std::snprintf(body, sizeof body, ":I%02X", kCodes[n % std::size(kCodes)]);
        Answer(body);
        return true;
    }
    const CanFrame frame = MakeFrame(false, false, 0, n & kStandardIdMask);
    if (!SimAccepts(m_state.config, frame)) {
        return false;
    }
    EmitTraffic(frame);
    return true;
}

void SimConverter::RaiseErrors()
{
    const uint8_t enabled = EnabledErrorCodes(m_state.config.modeByte);
    std::uniform_int_distribution<int64_t> gap(300'000, 2'000'000);
    m_nextError = m_now + SimTime(gap(m_random));
    if (enabled == 0) {
        return;
    }
    uint8_t code = 0;
    std::uniform_int_distribution<int> draw(1, 31);
    while (code == 0) {
        code = static_cast<uint8_t>(draw(m_random)) & enabled;
    }
    char body[8];
    std::snprintf(body, sizeof body, ":I%02X", code);
    Answer(body);
    if ((code & kCodeBusOff) != 0) {
        // A controller in Bus-Off takes no part in the bus; with automatic reset
        // it recovers at once and says so, without it reception stays off.
        if ((m_state.config.modeByte & kAutoResetBusOff) != 0) {
            Answer(":R01");
        }
        SetReception(false);
    }
}

SimTime SimConverter::NextEvent(size_t pendingBytes) const
{
    if (!m_state.receptionOn) {
        return SimTime::max();
    }
    SimTime next = m_nextError;
    if (m_settings.flood) {
        const bool canFlood = m_settings.floodKind != FloodKind::kMixed || !m_sources.empty();
        if (canFlood && pendingBytes < kFloodLowWater) {
            next = std::min(next, std::max(m_now, m_floodIdleUntil));
        }
    } else {
        for (const Source& source : m_sources) {
            next = std::min(next, source.due);
        }
    }
    return next;
}
