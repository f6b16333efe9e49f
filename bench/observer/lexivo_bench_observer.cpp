// The observer built into lexivo_bench. lexivo_bench is the shipped program's own sources
// (src/app/main.cpp and its resources, the same libraries) plus this file, so the program under
// test is exactly the shipped one. The observer attaches when the main window is first shown,
// reports the moments only the program knows as monotonic timestamps, and drives a lookup when
// the runner asks for one. It sees the browser only through the seam (browser/browser.h) and
// uses nothing of the web engine, so that it never loads the engine before the program does.

#include "bench_probe.h"
#include "browser/browser.h"
#include "browser/deferred_browser.h"
#include "core/interval_timer.h"
#include "design/simple_status_bar.h"
#include "main_window/main_window.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

using bench_probe::mark;
using bench_probe::markAt;
using bench_probe::nowNs;

// Before main(): the executable and its libraries are loaded and relocated by now.
[[maybe_unused]] const bool kLoadedMark = (markAt("loaded", nowNs()), true);

class Observer : public QObject
{
public:
    explicit Observer(QObject* parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_window && event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<MainWindow*>(watched)) {
                // Seen: stop filtering every event of the application.
                QCoreApplication::instance()->removeEventFilter(this);
                attach(window);
            }
        } else if (event->type() == QEvent::Expose && !m_exposed && m_window &&
                   watched == m_window->windowHandle() && m_window->windowHandle()->isExposed()) {
            m_exposed = true;
            mark("exposed");
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void attach(MainWindow* window)
    {
        mark("shown");
        m_window = window;
        if (QWindow* handle = window->windowHandle())
            handle->installEventFilter(this);
        Browser* browser = window->browser();
        // Connected after the window's own handlers: when documentComplete reaches us, the
        // window has handled it and emptied its status bar.
        connect(browser, &Browser::navigationStarting, this, [this](const QString& url) {
            markAt(m_lookupPending ? "lookup-navigate" : "navigate", nowNs(), url);
        });
        connect(browser, &Browser::documentComplete, this,
                [this](const QString& url) { onDocumentComplete(url); });
        if (auto* deferred = qobject_cast<DeferredBrowser*>(browser))
            connect(deferred, &DeferredBrowser::engineStarted, this,
                    [] { mark("engine-started"); });
        // The first key typed into the word box (by a person, or the runner through the X server).
        if (auto* wordBox = window->findChild<QLineEdit*>(QStringLiteral("txtWord")))
            m_typed = connect(wordBox, &QLineEdit::textEdited, this, [this] {
                mark("typed");
                disconnect(m_typed);
            });
        m_commands = new bench_probe::CommandReader(
            [this](const QByteArray& line) { command(line); }, [this] { quit(); }, this);
    }

    void onDocumentComplete(const QString& url)
    {
        const long long t = nowNs();
        const QString detail = url + QStringLiteral(" status-empty=") +
                               QString::number(m_window->statusBarWidget()->text().isEmpty()) +
                               QStringLiteral(" timer-ticking=") +
                               QString::number(m_window->dotTimer()->isTicking());
        if (m_lookupPending) {
            m_lookupPending = false;
            markAt("lookup-complete", t, detail);
        } else if (!m_homeComplete) {
            m_homeComplete = true;
            markAt("home-complete", t, detail);
        } else {
            markAt("complete", t, detail);
        }
    }

    void command(const QByteArray& line)
    {
        const QList<QByteArray> words = line.split(' ');
        if (words.value(0) == "lookup" && words.size() == 3)
            lookup(QString::fromUtf8(words[1]), QString::fromUtf8(words[2]));
        else if (words.value(0) == "state")
            mark("state", QStringLiteral("timer-ticking=%1 status-empty=%2")
                              .arg(m_window->dotTimer()->isTicking())
                              .arg(m_window->statusBarWidget()->text().isEmpty()));
        else if (words.value(0) == "quit")
            quit();
        else
            mark("warning", QStringLiteral("unknown command ") + QString::fromUtf8(line));
    }

    // Types the word into the word box and clicks the button, as a person would.
    void lookup(const QString& buttonName, const QString& word)
    {
        auto* wordBox = m_window->findChild<QLineEdit*>(QStringLiteral("txtWord"));
        auto* button = m_window->findChild<QPushButton*>(buttonName);
        if (!wordBox || !button) {
            mark("warning", QStringLiteral("no word box or button ") + buttonName);
            return;
        }
        wordBox->clear();
        QTest::keyClicks(wordBox, word);
        m_lookupPending = true;
        // Connected after the window's own handler: "handled" is when the handler has returned.
        // The button repaints itself synchronously on press, before "pressed" is emitted.
        QMetaObject::Connection pressed =
            connect(button, &QPushButton::pressed, this, [] { mark("lookup-pressed"); });
        QMetaObject::Connection handled =
            connect(button, &QPushButton::clicked, this, [] { mark("lookup-handled"); });
        const long long start = nowNs();
        QTest::mouseClick(button, Qt::LeftButton);
        const long long clicked = nowNs();
        disconnect(pressed);
        disconnect(handled);
        markAt("lookup-start", start, wordBox->text());
        markAt("lookup-clicked", clicked, m_window->currentUrl());
    }

    void quit()
    {
        if (m_window)
            m_window->close();
        QCoreApplication::quit();
    }

    MainWindow* m_window = nullptr;
    bench_probe::CommandReader* m_commands = nullptr;
    QMetaObject::Connection m_typed;
    bool m_exposed = false;
    bool m_homeComplete = false;
    bool m_lookupPending = false;
};

// Runs inside the application object's constructor, before main() builds the window.
void installObserver()
{
    mark("app");
    auto* observer = new Observer(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(observer);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installObserver)
