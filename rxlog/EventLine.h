#pragma once

#include <cstdint>
#include <string_view>

// Colours of event lines, 0x00BBGGRR (red in the low byte).
inline constexpr uint32_t kColourBlack = 0x000000;
inline constexpr uint32_t kColourRed = 0x0000FF;
inline constexpr uint32_t kColourBlue = 0xFF0000;
inline constexpr uint32_t kColourGrey = 0x818080;

// Where event lines are shown: the event-log control, once it exists.
class EventLineSink {
public:
    virtual void AddEventLine(std::string_view text, uint32_t colour) = 0;

protected:
    ~EventLineSink() = default;
};

// Where the lines of received CAN frames go: the received-data list, once it
// exists. The list also copies each line to the received-data log.
class ReceivedLineSink {
public:
    virtual void AddReceivedLine(std::string_view line) = 0;
    // The line of a frame with the frame's identifier, for a sink that shows
    // some frames only; by default the line alone.
    virtual void AddReceivedFrameLine(std::string_view line, bool /*extended*/, uint32_t /*id*/)
    {
        AddReceivedLine(line);
    }

protected:
    ~ReceivedLineSink() = default;
};

// The application-wide sinks; null until the widget exists, and reset to null by
// the widget when it goes away. UI thread only.
EventLineSink* EventLogSink();
void SetEventLogSink(EventLineSink* sink);
ReceivedLineSink* ReceivedDataSink();
void SetReceivedDataSink(ReceivedLineSink* sink);

// The one way to report to the event log: shows the line in the event-log pane
// when it exists and, while event logging is on, appends it time-stamped to the
// event log file. Either step is skipped silently when its target is missing.
void WriteEventLine(std::string_view text, uint32_t colour);
