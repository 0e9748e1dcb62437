#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include "common/TextFormat.h"
#include "link/LinkEvents.h"
#include "rxlog/EventLine.h"

// Runs the event loop until the condition holds or the deadline passes; a 20 ms
// heartbeat keeps the loop waking while nothing else arrives.
template <typename Condition>
bool ProcessEventsUntil(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QTimer heartbeat;
    heartbeat.start(20);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return condition();
}

// Stands in for the owner of the link or the port: records the link events it gets.
class LinkEventRecorder : public QObject {
public:
    struct Record {
        int type;
        int activity;
        bool operator==(const Record&) const = default;
    };

    bool event(QEvent* event) override
    {
        const int type = static_cast<int>(event->type());
        if (type < WM_LINK_DATA || type > WM_LINK_PORT_LOST) {
            return QObject::event(event);
        }
        const bool activity = type == WM_LINK_ACTIVITY;
        records.push_back(
            {type, activity ? static_cast<LinkActivityEvent*>(event)->Activity() : 0});
        return true;
    }

    int Count(int type) const
    {
        return static_cast<int>(std::count_if(records.begin(), records.end(),
                                              [type](const Record& r) { return r.type == type; }));
    }

    std::vector<Record> records;
};

struct PaneLine {
    std::string text;
    uint32_t colour;
    bool operator==(const PaneLine&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const PaneLine& line)
    {
        return out << '"' << line.text << "\" colour " << line.colour;
    }
};

inline PaneLine Line(std::string_view caption, std::string_view detail,
                     uint32_t colour = kColourBlack)
{
    return {CaptionLine(caption, detail), colour};
}

// The event pane and the received-data list, recorded while this object lives.
class RecordingSinks final : public EventLineSink, public ReceivedLineSink {
public:
    RecordingSinks() { SetSinks(this); }
    ~RecordingSinks() { SetSinks(nullptr); }
    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        events.push_back({std::string(text), colour});
        if (onEventLine) {
            onEventLine();
        }
    }
    void AddReceivedLine(std::string_view line) override { received.emplace_back(line); }

    std::vector<PaneLine> events;
    std::vector<std::string> received;
    std::function<void()> onEventLine;

private:
    static void SetSinks(RecordingSinks* sinks)
    {
        SetEventLogSink(sinks);
        SetReceivedDataSink(sinks);
    }
};
