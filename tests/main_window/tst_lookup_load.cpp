// A thousand lookups in quick succession through the main window with the real QtWebEngine
// browser, against pages served from 127.0.0.1: the window must come to rest on the last word
// with an empty status bar, and the memory of the whole process tree must not keep growing.
// The figures (lookups per second, memory) are reported, not judged, apart from a bound that
// only a leak would cross.
//
// Long-session mode: with LEXIVO_LONG_SESSION=<lookups> (2000 when empty) in the environment,
// "tst_lookup_load longSession" looks up that many words, one page shown after the other (pages
// like a dictionary's: text, a style sheet, a script and a picture, all cacheable), and
// reports the memory of each kind of process every few hundred lookups; it fails when the tree
// ends above 1.3 times its size after the first 100 lookups. It takes minutes, so the everyday
// run skips it.

#include "core/interval_timer.h"
#include "local_http_server.h"
#include "real_window.h"
#include "served_query_strings.h"
#include "wait_until.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRandomGenerator>
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
    // Anonymous pages (heaps, caches): unlike PSS and private memory, not moved by other programs
    // mapping the same libraries.
    qint64 anonKb = 0;
    int processes = 0;
    QMap<QString, qint64> pssKbByKind; // "browser", "renderer", "zygote", "gpu-process", ...
    // Engine processes of other programs, which take their share of the libraries' pages and so
    // lower this tree's PSS (by tens of MB) and its private memory.
    int otherEngineProcesses = 0;
};

qint64 kbOf(const QByteArray& line)
{
    return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
}

// The kind of an engine process, from its "--type=" switch; this program has none.
QString processKind(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("gone");
    for (const QByteArray& argument : file.readAll().split('\0')) {
        if (argument.startsWith("--type="))
            return QString::fromLatin1(argument.mid(7));
    }
    return QStringLiteral("browser");
}

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
    QHash<qint64, QString> kinds;
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += children.value(pid);
        // A renderer is forked from a zygote and keeps its command line.
        QString kind = processKind(pid);
        for (qint64 child : children.value(pid))
            kinds.insert(child,
                         kind == QLatin1String("zygote") ? QStringLiteral("renderer") : QString());
        if (!kinds.value(pid).isEmpty())
            kind = kinds.value(pid);
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        ++memory.processes;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:")) {
                memory.pssKb += kbOf(line);
                memory.pssKbByKind[kind] += kbOf(line);
            } else if (line.startsWith("Anonymous:")) {
                memory.anonKb += kbOf(line);
            }
        }
    }
    // The engine's processes name their program on their command line.
    for (auto it = children.cbegin(); it != children.cend(); ++it) {
        for (qint64 pid : it.value()) {
            if (kinds.contains(pid) || pid == getpid())
                continue;
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (cmdline.open(QIODevice::ReadOnly) &&
                cmdline.readAll().contains("QtWebEngineProcess"))
                ++memory.otherEngineProcesses;
        }
    }
    return memory;
}

QString word(int n)
{
    return QStringLiteral("word%1").arg(n);
}

QString describe(const TreeMemory& memory)
{
    QStringList kinds;
    for (auto it = memory.pssKbByKind.cbegin(); it != memory.pssKbByKind.cend(); ++it)
        kinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value() / 1024));
    return QStringLiteral("%1 MB in %2 processes (%3); anonymous %4 MB; other engine processes: %5")
        .arg(memory.pssKb / 1024)
        .arg(memory.processes)
        .arg(kinds.join(QStringLiteral(", ")))
        .arg(memory.anonKb / 1024)
        .arg(memory.otherEngineProcesses);
}

} // namespace

class LookupLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void thousandLookups();
    void longSession();

private:
    QString status() const { return m_real.status(); }
    QByteArray target(int n) const { return "/define?w=" + word(n).toLatin1(); }
    // Looks up words first..last, one click each; false when the time bound ran out.
    bool lookUp(int first, int last);
    // Waits until the window shows the page of word n with nothing left to load.
    bool settleOn(int n);
    // From now on serves result pages like a dictionary's (see the .cpp).
    void serveDictionaryPages();

    LocalHttpServer m_server;
    RealWindow m_real;
    QLineEdit* m_word = nullptr;
    QPushButton* m_english = nullptr;
    QDeadlineTimer m_clickDeadline;
    int m_rendererTerminated = 0; // renderProcessTerminated signals
    int m_lastWord = 0;           // the highest word looked up so far
    QByteArrayList m_served;      // responses made for the last lookup
};

void LookupLoadTest::initTestCase()
{
    QVERIFY(m_server.listen());
    QVERIFY2(m_real.start(queryStringsServedBy(m_server, QStringLiteral("about:blank"),
                                               m_server.url("/define?w=%word"))),
             qPrintable(m_real.failure()));
    connect(m_real.page()->page(), &QWebEnginePage::renderProcessTerminated, this,
            [this] { ++m_rendererTerminated; });
    m_word = m_real.control<QLineEdit>("txtWord");
    m_english = m_real.control<QPushButton>("cmdEn2En");
    QVERIFY(m_word);
    QVERIFY(m_english);
    // The home page first.
    QVERIFY(waitUntil([&] { return m_real.completed.size() == 1 && status().isEmpty(); },
                      kSettleTimeout));
}

void LookupLoadTest::cleanupTestCase()
{
    m_real.window.reset();
    QVERIFY(RealWindow::allWindowsGone());
}

bool LookupLoadTest::lookUp(int first, int last)
{
    for (int n = first; n <= last; ++n) {
        if (m_clickDeadline.hasExpired()) {
            qWarning("only %d of %d lookups in the time allowed", n - first, last - first + 1);
            return false;
        }
        m_lastWord = n;
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
    QWebEngineView* view = m_real.page();
    return waitUntil(
        [&] {
            return status().isEmpty() && !m_real.window->dotTimer()->isEnabled() &&
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
          int(m_server.pageRequests().size()), kLookups, int(m_real.completed.size()));
    qInfo("PSS after %d lookups: %lld MB in %d processes; after %d: %lld MB in %d processes; "
          "growth %lld MB",
          kWarmUpLookups, warm.pssKb / 1024, warm.processes, kLookups, end.pssKb / 1024,
          end.processes, (end.pssKb - warm.pssKb) / 1024);

    QCOMPARE(m_rendererTerminated, 0);
    QCOMPARE(status(), QString());
    QVERIFY(m_server.requestCount(target(kLookups)) >= 1);
    QCOMPARE(m_real.window->currentUrl(), m_server.url(QString::fromLatin1(target(kLookups))));
    QVERIFY(warm.pssKb > 0);
    QVERIFY2(end.pssKb - warm.pssKb < kMaxGrowthKb,
             qPrintable(QStringLiteral("PSS grew by %1 MB").arg((end.pssKb - warm.pssKb) / 1024)));
}

// Result pages as a dictionary site sends them, all cacheable: 30 KB of text, a style sheet and
// a script shared by every page, and a picture of the word's own (a 120 × 120 PNG of noise,
// about 40 KB). Each response is made when asked for and dropped at the next lookup, so that
// the test's own memory stays flat.
void LookupLoadTest::serveDictionaryPages()
{
    LocalHttpServer::Response style;
    style.contentType = "text/css";
    style.cacheControl = "max-age=3600";
    style.body = "body { font-family: serif; margin: 2em; } .sense { margin-left: 1em; }\n"
                 "img { float: right; width: 120px; height: 120px; }\n";
    m_server.setResponse("/site.css", style);
    LocalHttpServer::Response script;
    script.contentType = "text/javascript";
    script.cacheControl = "max-age=3600";
    script.body = "document.addEventListener('DOMContentLoaded', function() {\n"
                  "    const senses = document.querySelectorAll('.sense');\n"
                  "    window.senseCount = senses.length;\n"
                  "});\n";
    m_server.setResponse("/site.js", script);

    QByteArray senses;
    for (int i = 0; senses.size() < 30000; ++i)
        senses += "<p class='sense'>" + QByteArray::number(i + 1) +
                  ". A sense of the word, with an example of its use in a sentence "
                  "and a note on where it comes from.</p>\n";
    connect(&m_server, &LocalHttpServer::requestReceived, this,
            [this, senses](const QByteArray& target) {
                const QByteArray word = target.mid(target.indexOf("?w=") + 3);
                if (target.startsWith("/define?w=")) {
                    for (const QByteArray& old : std::as_const(m_served))
                        m_server.setResponse(old, LocalHttpServer::Response());
                    m_served.clear();
                    LocalHttpServer::Response page;
                    page.cacheControl = "max-age=3600";
                    page.body = "<!DOCTYPE html><html><head><title>" + target +
                                "</title><link rel='stylesheet' href='/site.css'>"
                                "<script src='/site.js'></script></head><body><h1>" +
                                word + "</h1><img src='/picture?w=" + word + "' alt=''>\n" +
                                senses + "</body></html>";
                    m_server.setResponse(target, page);
                    m_served.append(target);
                } else if (target.startsWith("/picture?w=")) {
                    QImage image(120, 120, QImage::Format_RGB32);
                    for (int y = 0; y < image.height(); ++y) {
                        for (int x = 0; x < image.width(); ++x)
                            image.setPixel(x, y, QRandomGenerator::global()->generate());
                    }
                    LocalHttpServer::Response picture;
                    picture.contentType = "image/png";
                    picture.cacheControl = "max-age=3600";
                    QBuffer buffer(&picture.body);
                    buffer.open(QIODevice::WriteOnly);
                    image.save(&buffer, "PNG");
                    m_server.setResponse(target, picture);
                    m_served.append(target);
                }
            });
}

void LookupLoadTest::longSession()
{
    if (!qEnvironmentVariableIsSet("LEXIVO_LONG_SESSION"))
        QSKIP("a long session runs only with LEXIVO_LONG_SESSION set");
    const int lookups = qEnvironmentVariableIsEmpty("LEXIVO_LONG_SESSION")
                            ? 2000
                            : qEnvironmentVariableIntValue("LEXIVO_LONG_SESSION");
    constexpr int kFirstCheck = 100;
    constexpr int kCheckEvery = 250;
    QVERIFY(lookups > kFirstCheck);
    serveDictionaryPages();
    // Words go on from those of a test run before this one.
    const int offset = m_lastWord;
    TreeMemory first;
    TreeMemory last;
    QElapsedTimer clock;
    clock.start();
    for (int done = 0; done < lookups;) {
        const int next = done < kFirstCheck ? kFirstCheck
                                            : qMin(lookups, (done / kCheckEvery + 1) * kCheckEvery);
        // One word at a time, each page shown in full, as when someone reads every result.
        for (int n = offset + done + 1; n <= offset + next; ++n) {
            m_clickDeadline = QDeadlineTimer(kClickBudget);
            QVERIFY(lookUp(n, n));
            QVERIFY2(settleOn(n), qPrintable(status()));
        }
        done = next;
        // Measured at rest, once the renderer's idle-time collection has had its chance.
        QTest::qWait(2000);
        last = treeMemory();
        if (done == kFirstCheck)
            first = last;
        qInfo("after %d lookups (%lld s): PSS %s", done, clock.elapsed() / 1000,
              qPrintable(describe(last)));
    }
    const double ratio = double(last.pssKb) / double(qMax<qint64>(first.pssKb, 1));
    const double anonRatio = double(last.anonKb) / double(qMax<qint64>(first.anonKb, 1));
    qInfo("after %d lookups PSS is %.2f times and anonymous memory %.2f times that after %d",
          lookups, ratio, anonRatio, kFirstCheck);
    QCOMPARE(m_rendererTerminated, 0);
    QVERIFY2(anonRatio <= 1.3,
             qPrintable(QStringLiteral("anonymous memory grew %1 times").arg(anonRatio)));
    // PSS is comparable only when no other engine program came or went in between.
    if (first.otherEngineProcesses == 0 && last.otherEngineProcesses == 0)
        QVERIFY2(ratio <= 1.3, qPrintable(QStringLiteral("PSS grew %1 times").arg(ratio)));
}

LEXIVO_REAL_WINDOW_MAIN(LookupLoadTest)
#include "tst_lookup_load.moc"
