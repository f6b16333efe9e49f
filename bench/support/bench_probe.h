#pragma once

// Timestamps and commands shared by the bench programs (lexivo_bench and bench_baseline).
//
// Each moment is one line on standard error, "@bench <name> <CLOCK_MONOTONIC ns> [detail]",
// so the runner can subtract its own spawn time (same clock, system-wide). Standard error also
// carries the engine's own noise; the runner reads only the "@bench" lines.
//
// Commands come as lines on standard input, read through the event loop so that nothing waits
// on them.

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace bench_probe {

inline long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The timestamp is taken by the caller before any formatting, so the line's cost is not in it.
inline void markAt(const char* name, long long ns, const QString& detail = QString())
{
    const QByteArray extra = detail.toUtf8();
    std::fprintf(stderr, "@bench %s %lld%s%s\n", name, ns, extra.isEmpty() ? "" : " ",
                 extra.constData());
    std::fflush(stderr);
}

inline void mark(const char* name, const QString& detail = QString())
{
    markAt(name, nowNs(), detail);
}

// Calls onLine for each line arriving on standard input; onEof when it closes.
class CommandReader : public QObject
{
public:
    CommandReader(std::function<void(const QByteArray&)> onLine, std::function<void()> onEof,
                  QObject* parent = nullptr)
        : QObject(parent), m_onLine(std::move(onLine)), m_onEof(std::move(onEof)),
          m_notifier(STDIN_FILENO, QSocketNotifier::Read, this)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readSome(); });
    }

private:
    void readSome()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_notifier.setEnabled(false);
            if (m_onEof)
                m_onEof();
            return;
        }
        m_pending.append(buffer, n);
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (!line.isEmpty())
                m_onLine(line);
        }
    }

    std::function<void(const QByteArray&)> m_onLine;
    std::function<void()> m_onEof;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

// Marks "exposed" the first time a shown window is exposed.
class ExposeWatcher : public QObject
{
public:
    explicit ExposeWatcher(QWidget& shownWindow)
    {
        if (QWindow* handle = shownWindow.windowHandle())
            handle->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && !m_exposed &&
            static_cast<QWindow*>(watched)->isExposed()) {
            m_exposed = true;
            mark("exposed");
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_exposed = false;
};

} // namespace bench_probe
