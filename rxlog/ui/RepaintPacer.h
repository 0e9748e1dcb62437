#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>

class QWidget;

// Paces the repaints of a widget that many small changes reach, such as a list
// that a flood of lines scrolls: the first request after a quiet spell repaints
// when the event loop next runs, and further requests repaint at most once per
// interval, however many changes arrive in between. A paint always shows the
// state of its moment, so nothing is lost, only drawn less often. A request
// may name the part that changed; the repaint covers every part named since
// the last one, or the whole widget once any request named none.
class RepaintPacer : public QObject {
    Q_OBJECT

public:
    // About 30 repaints a second at most: smooth enough for scrolling text,
    // and a line reaches the screen within one interval of its arrival.
    static constexpr int kIntervalMs = 33;

    explicit RepaintPacer(QWidget* target);

    void Request(const QRect& area = QRect());
    bool IsPending() const { return m_timer.isActive(); }

private:
    void Repaint();

    QWidget* m_target;
    QTimer m_timer;
    QElapsedTimer m_sinceRepaint;
    QRect m_area;
    bool m_whole = false;
};
