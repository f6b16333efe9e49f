#include "interval_timer.h"

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::timeout);
}

void IntervalTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    apply();
}

void IntervalTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    apply();
}

void IntervalTimer::apply()
{
    if (m_enabled && m_interval > 0) {
        // Changing the interval of a running timer restarts it; leave a running one alone
        // when nothing changed, so repeated navigations do not postpone the next tick.
        if (!m_timer.isActive() || m_timer.interval() != m_interval)
            m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}
