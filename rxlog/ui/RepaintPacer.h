#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Paces the repaints of a view that many small changes reach, such as a list
// that a flood of lines scrolls: the first request after a quiet spell is
// served when the event loop next runs, and further requests at most once per
// interval, however many changes arrive in between. Serving a request calls
// the view's repaint function, which asks for the repaint of what changed.
class RepaintPacer : public QObject {
    Q_OBJECT

public:
    // About 30 repaints a second at most: smooth enough for scrolling text,
    // and a line reaches the screen within one interval of its arrival.
    static constexpr int kIntervalMs = 33;

    RepaintPacer(QObject* parent, std::function<void()> repaint, int intervalMs = kIntervalMs);

    void Request();
    // A request waits to be served.
    bool IsPending() const { return m_timer.isActive(); }

private:
    void Serve();

    std::function<void()> m_repaint;
    QTimer m_timer;
    QElapsedTimer m_sinceServed;
    int m_intervalMs;
};
