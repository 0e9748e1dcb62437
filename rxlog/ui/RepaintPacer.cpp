#include "rxlog/ui/RepaintPacer.h"

#include <algorithm>

#include <QWidget>

RepaintPacer::RepaintPacer(QWidget* target) : QObject(target), m_target(target)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RepaintPacer::Repaint);
}

void RepaintPacer::Request(const QRect& area)
{
    if (area.isValid()) {
        m_area |= area;
    } else {
        m_whole = true;
    }
    if (m_timer.isActive()) {
        return;
    }
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : kIntervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, kIntervalMs - since)));
}

void RepaintPacer::Repaint()
{
    m_sinceRepaint.start();
    if (m_whole) {
        m_target->update();
    } else {
        m_target->update(m_area);
    }
    m_whole = false;
    m_area = QRect();
}
