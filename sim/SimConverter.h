#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "link/CanFrame.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"

// The converter as the analyzer sees it on the wire, without the line itself:
// bytes from the analyzer go in through Receive, complete answer and traffic
// frames come out of TakeOutput. Time is passed in by the caller (microseconds
// on any monotonic scale), so the core runs the same under a real clock and in
// tests.
//
// Answers, one frame per well-formed command, with the letter of the command:
//   ":Y59\r"                         -> ":Y" + configuration (ConfigFieldsBody)
//   ":Z" + configuration             -> ":Z" + configuration now in force; reception off
//   ":G11\r" / ":G10\r"              -> ":G01" / ":G00"
//   ":W" + control, id, data         -> ":W" + the same control byte, id and data
//                                       (a length code above 8 is answered as 8)
//   ":R52\r"                         -> ":R00"; reception off
//   ":V56\r"                         -> ":V" + firmware version byte
// A command whose checksum, digits or length do not fit its layout, or whose
// letter is unknown, is ignored without an answer.

using SimTime = std::chrono::microseconds;

// What flood mode sends back to back.
enum class FloodKind {
    kMixed,         // the bench mix of both identifier widths and all lengths
    kEmptyFrames,   // 11-bit data frames without data, identifiers counting up
    kErrorReports,  // 'I' reports of Warning and Error-Passive, never Bus-Off
};

struct SimSettings {
    bool traffic = true;  // generate the bench mix while reception is on
    bool flood = false;   // frames back to back as fast as the line takes them
    FloodKind floodKind = FloodKind::kMixed;
    bool loopback = false;  // every transmitted frame also comes back as 'U'
    bool errors = false;    // now and then an 'I' report of the enabled conditions
    uint32_t seed = 1;
    uint8_t version = 0x10;
};

// The converter's state as the commands change it.
struct SimState {
    ConfigReport config;  // modeByte 0x1C, bitTime 0x01020505, id 0, maskId 0
    bool receptionOn = false;
};

// Receive mode and acceptance filter of a configuration. Receive mode 1 takes
// 11-bit frames only, modes 2 and 3 29-bit frames only. A mask bit of 1 makes
// the identifier bit equal the receive ID's bit; 0 is don't care. A filter of
// the other width than the frame compares the 11-bit base identifier (the top
// 11 bits of a 29-bit identifier), as CAN controllers do.
bool SimAccepts(const ConfigReport& config, const CanFrame& frame);

class SimConverter : public FrameSink {
public:
    // Frames seen or sent, for the --verbose trace: direction '<' for received,
    // '>' for sent, '!' for a received frame that was ignored or that the
    // decoder dropped (checksum, non-digit, length); text without CR, bytes
    // outside printable ASCII as \xNN.
    using FrameObserver = std::function<void(char direction, std::string_view frame)>;

    // Output waiting beyond this many bytes makes due traffic frames drop, as a
    // converter's transmit buffer overflows when the line cannot keep up.
    static constexpr size_t kMaxBacklog = 2048;
    // In flood mode traffic is topped up while less than this is waiting.
    static constexpr size_t kFloodLowWater = 256;

    explicit SimConverter(const SimSettings& settings);

    void SetObserver(FrameObserver observer) { m_observer = std::move(observer); }

    // Feeds bytes from the analyzer; answers (and loopback frames) are queued.
    void Receive(const uint8_t* data, size_t length, SimTime now);
    // Queues the traffic and error reports that are due at now. pendingBytes is
    // what the caller still holds unsent, for the backlog and flood rules.
    void Advance(SimTime now, size_t pendingBytes);
    // When Advance next has something to do, given what the caller still holds
    // unsent; SimTime::max() when nothing is scheduled (reception off, or no
    // traffic and no errors).
    SimTime NextEvent(size_t pendingBytes) const;
    // The queued bytes, oldest first; the queue is empty afterwards.
    std::string TakeOutput();

    const SimState& State() const { return m_state; }

    void DispatchFrame(const FrameDecoder& decoder) override;

private:
    struct Source {
        CanFrame frame;
        SimTime period;
        bool varyLength = false;  // length changes from frame to frame
        bool scan = false;        // identifier drawn anew for every frame
        bool engine = false;      // data bytes 1-5 from the engine model (EngineData.h)
        SimTime due{};
    };

    // True when the frame was a well-formed command (and is answered).
    bool Handle(const FrameDecoder& decoder);
    void Answer(std::string_view body);
    // Reports the frames queued from offset from on to the observer.
    void TraceSent(size_t from) const;
    // At a carriage return: reports the received text since the previous one
    // from its first ":" on, unless the decoder dispatched it.
    void TraceDropped();
    void SetReception(bool on);
    void Schedule();
    bool FillFrame(Source& source);
    // True when a source that is not scanning sends on this identifier.
    bool IsFixedId(bool extended, uint32_t id) const;
    void EmitTraffic(const CanFrame& frame);
    void Flood(size_t pendingBytes);
    // One frame of the flood kinds that need no source; false when the filter
    // rejects it.
    bool FloodOne();
    void RaiseErrors();

    SimSettings m_settings;
    SimState m_state;
    FrameDecoder m_decoder;
    FrameObserver m_observer;
    std::string m_output;
    std::string m_receivedText;  // since the last carriage return, for the trace
    bool m_receivedTraced = false;
    std::vector<Source> m_sources;
    std::mt19937 m_random;
    SimTime m_now{};
    SimTime m_nextError = SimTime::max();
    SimTime m_floodIdleUntil{};
    size_t m_floodCursor = 0;
    uint32_t m_floodCount = 0;
};
