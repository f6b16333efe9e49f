#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

// Waits, processing events, until done() holds or the timeout (ms) passes. QTest::qWaitFor runs
// one pass of the event loop per 10 ms sleep, which starves QtWebEngine (its tasks are posted to
// this thread's loop) and makes a page load take seconds; qWait keeps processing events.
inline bool waitUntil(const std::function<bool()>& done, int timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}
