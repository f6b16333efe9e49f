#include "core/interval_timer.h"

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent)
{
    // A coarse timer may tick up to 5 % early; a tick must not come before its interval is up.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::timeout);
}

void IntervalTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    // Setting the interval, even to the value it has, starts the countdown again: a navigation
    // sets it, so its first tick comes a whole interval after the navigation began.
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void IntervalTimer::setEnabled(bool enabled)
{
    const bool wasEnabled = m_enabled;
    m_enabled = enabled;
    if (!m_enabled || m_interval <= 0)
        m_timer.stop();
    else if (!wasEnabled)
        m_timer.start(m_interval);
    // Enabling a timer that is already enabled leaves its countdown alone.
}
