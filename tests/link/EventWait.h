#pragma once

#include <chrono>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include "link/LinkEvents.h"

// Runs the event loop until the condition holds or a generous deadline passes.
// A 20 ms heartbeat timer keeps the loop waking while nothing else arrives.
template <typename Condition>
bool ProcessEventsUntil(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QTimer heartbeat;
    heartbeat.start(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
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
        if (type >= WM_LINK_DATA && type <= WM_LINK_PORT_LOST) {
            const int activity =
                type == WM_LINK_ACTIVITY ? static_cast<LinkActivityEvent*>(event)->Activity() : 0;
            records.push_back({type, activity});
            return true;
        }
        return QObject::event(event);
    }

    int Count(int type) const
    {
        int count = 0;
        for (const Record& record : records) {
            count += record.type == type ? 1 : 0;
        }
        return count;
    }

    std::vector<Record> records;
};
