#pragma once

#include "core/core_export.h"

#include <QObject>
#include <QTimer>

// A timer with the classic Interval/Enabled pair: it ticks only while it is enabled AND has a
// non-zero interval. (A QTimer started with interval 0 would fire on every event-loop pass.)
// Setting the interval restarts the countdown, even with the same value; enabling an enabled
// timer does not.
class LEXIVO_CORE_EXPORT IntervalTimer : public QObject
{
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int milliseconds);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool isTicking() const { return m_timer.isActive(); }
    // Milliseconds until the next tick (0 when it is due), -1 when not ticking.
    int remainingTime() const { return m_timer.remainingTime(); }

Q_SIGNALS:
    void timeout();

private:
    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = true;
};
