// A thousand lookups in quick succession through the main window with the real QtWebEngine
// browser, against pages served from 127.0.0.1: the window must come to rest on the last word
// with an empty status bar, and the memory of the whole process tree must not keep growing.
// The figures (lookups per second, memory) are reported, not judged, apart from a bound that
// only a leak would cross.

#include "dialogs/canned_templates.h"
#include "local_http_server.h"
#include "main_window/frm_browser.h"
#include "main_window/interval_timer.h"
#include "main_window/simple_status_bar.h"
#include "main_window/webengine_browser.h"
#include "settings/settings_file.h"
#include "wait_until.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <unistd.h>

#include <functional>
#include <memory>

namespace {

constexpr int kLookups = 1000;
constexpr int kWarmUpLookups = 50;
constexpr int kPauseMs = 5; // after each click
// Bounds that only a hang reaches: the clicks take seconds, the last page under a second.
constexpr int kClickBudget = 100000;
constexpr int kSettleTimeout = 30000;
// Growth beyond this between the warm-up and the end is a leak, not noise or caches.
constexpr qint64 kMaxGrowthKb = 200 * 1024;

struct TreeMemory
{
    qint64 pssKb = 0;
    int processes = 0;
};

// Proportional set size of this process and all its descendants (the engine's zygote, GPU and
// renderer processes), from /proc/<pid>/smaps_rollup.
TreeMemory treeMemory()
{
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // gone meanwhile
        // "pid (comm) state ppid ...": comm may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields[1].toLongLong()].append(pid);
    }

    TreeMemory memory;
    QList<qint64> pending = {qint64(getpid())};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += children.value(pid);
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        ++memory.processes;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:")) {
                memory.pssKb += line.mid(4).trimmed().split(' ').value(0).toLongLong();
                break;
            }
        }
    }
    return memory;
}

QString word(int n)
{
    return QStringLiteral("word%1").arg(n);
}

} // namespace

class LookupLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void thousandLookups();

private:
    QString status() const { return m_window->statusBar1()->SimpleText(); }
    QByteArray target(int n) const { return "/define?w=" + word(n).toLatin1(); }
    // Looks up words first..last, one click each; false when the time bound ran out.
    bool lookUp(int first, int last);
    // Waits until the window shows the page of word n with nothing left to load.
    bool settleOn(int n);

    LocalHttpServer m_server;
    QTemporaryDir m_programFolder;
    std::unique_ptr<frmBrowser> m_window;
    WebEngineBrowser* m_browser = nullptr; // owned by the window
    QLineEdit* m_word = nullptr;
    QPushButton* m_english = nullptr;
    QDeadlineTimer m_clickDeadline;
    int m_completed = 0;          // DocumentComplete events
    int m_rendererTerminated = 0; // renderProcessTerminated signals
};

void LookupLoadTest::initTestCase()
{
    QVERIFY(m_server.listen());
    QVERIFY(m_programFolder.isValid());

    // The built-in settings, with every lookup served from here.
    QueryStringSet settings = canned_templates::defaults();
    for (QueryKey key : kQueryKeys) {
        if (key != QueryKey::Home)
            settings[key] = m_server.url("/" + keyName(key) + "?w=%word");
    }
    settings[QueryKey::Home] = canned_templates::homeDefault();
    settings[QueryKey::English] = m_server.url("/define?w=%word");
    const QString session = m_programFolder.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkpath(session));
    const settings_file::WriteResult written =
        settings_file::WriteTextFile(session + QLatin1Char('/') + settings_file::fileName(),
                                     settings_file::BuildSettingsXML(settings));
    QVERIFY2(written.ok, qPrintable(written.error));

    auto browser = std::make_unique<WebEngineBrowser>();
    m_browser = browser.get();
    connect(m_browser, &WebBrowserControl::DocumentComplete, this, [this] { ++m_completed; });
    connect(m_browser->view()->page(), &QWebEnginePage::renderProcessTerminated, this,
            [this] { ++m_rendererTerminated; });
    m_window = std::make_unique<frmBrowser>(m_programFolder.path(), std::move(browser));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_word = m_window->findChild<QLineEdit*>(QStringLiteral("txtWord"));
    m_english = m_window->findChild<QPushButton*>(QStringLiteral("cmdEn2En"));
    QVERIFY(m_word);
    QVERIFY(m_english);
    // The home page first.
    QVERIFY(waitUntil([&] { return m_completed == 1 && status().isEmpty(); }, kSettleTimeout));
}

void LookupLoadTest::cleanupTestCase()
{
    m_window.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

bool LookupLoadTest::lookUp(int first, int last)
{
    for (int n = first; n <= last; ++n) {
        if (m_clickDeadline.hasExpired()) {
            qWarning("only %d of %d lookups in the time allowed", n - 1, kLookups);
            return false;
        }
        m_word->setText(word(n));
        QTest::mouseClick(m_english, Qt::LeftButton);
        // Enough for nearly every request to reach the server (with either step alone the engine
        // drops most of them before sending), too little for a page to arrive: each lookup
        // replaces the one before, as when someone clicks through words quickly.
        QCoreApplication::processEvents();
        QTest::qWait(kPauseMs);
    }
    return true;
}

bool LookupLoadTest::settleOn(int n)
{
    const QString url = m_server.url(QString::fromLatin1(target(n)));
    QWebEngineView* view = m_browser->view();
    return waitUntil(
        [&] {
            return status().isEmpty() && !m_window->timer1()->isEnabled() &&
                   view->url().toString() == url && view->title() == QString::fromLatin1(target(n));
        },
        kSettleTimeout);
}

void LookupLoadTest::thousandLookups()
{
    m_clickDeadline = QDeadlineTimer(kClickBudget);
    QVERIFY(lookUp(1, kWarmUpLookups));
    QVERIFY2(settleOn(kWarmUpLookups), qPrintable(status()));
    const TreeMemory warm = treeMemory();

    QElapsedTimer clock;
    clock.start();
    QVERIFY(lookUp(kWarmUpLookups + 1, kLookups));
    const qint64 clickMs = clock.elapsed();
    QVERIFY2(settleOn(kLookups), qPrintable(status()));
    const qint64 totalMs = clock.elapsed();
    const TreeMemory end = treeMemory();

    const int clicks = kLookups - kWarmUpLookups;
    qInfo("%d lookups in %lld ms (%.0f lookups/s); last page shown %lld ms after the last click",
          clicks, clickMs, clicks * 1000.0 / qMax<qint64>(clickMs, 1), totalMs - clickMs);
    qInfo("%d of %d lookups reached the server, %d pages completed (with the home page)",
          int(m_server.pageRequests().size()), kLookups, m_completed);
    qInfo("PSS after %d lookups: %lld MB in %d processes; after %d: %lld MB in %d processes; "
          "growth %lld MB",
          kWarmUpLookups, warm.pssKb / 1024, warm.processes, kLookups, end.pssKb / 1024,
          end.processes, (end.pssKb - warm.pssKb) / 1024);

    QCOMPARE(m_rendererTerminated, 0);
    QCOMPARE(status(), QString());
    QVERIFY(m_server.requestCount(target(kLookups)) >= 1);
    QCOMPARE(m_window->strCurrentURL, m_server.url(QString::fromLatin1(target(kLookups))));
    QVERIFY(warm.pssKb > 0);
    QVERIFY2(end.pssKb - warm.pssKb < kMaxGrowthKb,
             qPrintable(QStringLiteral("PSS grew by %1 MB").arg((end.pssKb - warm.pssKb) / 1024)));
}

QTEST_MAIN(LookupLoadTest)
#include "tst_lookup_load.moc"
