#include "rxlog/ui/RepaintPacer.h"

#include <algorithm>

RepaintPacer::RepaintPacer(QObject* parent, std::function<void()> repaint, int intervalMs)
    : QObject(parent), m_repaint(std::move(repaint)), m_intervalMs(intervalMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RepaintPacer::Serve);
}

void RepaintPacer::Request()
{
    if (m_timer.isActive()) {
        return;
    }
    const qint64 since = m_sinceServed.isValid() ? m_sinceServed.elapsed() : m_intervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, m_intervalMs - since)));
}

void RepaintPacer::Serve()
{
    m_timer.stop();
    m_sinceServed.start();
    m_repaint();
}
