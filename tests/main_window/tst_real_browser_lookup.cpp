// The main window with the real engine: a lookup from the word box to a page served from
// 127.0.0.1, watched in the status bar.

#include "browser/deferred_browser.h"
#include "core/interval_timer.h"
#include "local_http_server.h"
#include "real_window.h"
#include "served_query_strings.h"
#include "slow_case.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int kTimeout = RealWindow::kTimeout;
// Long enough for the status animation to tick (once a second) while the page loads.
constexpr int kLookupDelay = 1500;

// The engine's helper processes under this one (zygotes, renderers), read from /proc.
int engineProcessCount()
{
    QHash<qint64, qint64> parents; // pid -> parent pid
    QList<qint64> helpers;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")});
    for (const QString& pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        parents[pid.toLongLong()] =
            text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("QtWebEngineProcess"))
            helpers.append(pid.toLongLong());
    }
    int count = 0;
    for (qint64 pid : helpers) {
        while (pid > 1 && pid != QCoreApplication::applicationPid())
            pid = parents.value(pid, 0);
        count += pid == QCoreApplication::applicationPid();
    }
    return count;
}

} // namespace

class RealBrowserLookupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void lookupShowsProgressUntilComplete();
    void typingReadiesTheServerWithoutAskingIt();
    void frameNavigationEndsTheDots();
    void navigationWithoutDocumentEndsTheDots();
    void pageLinkToMailIsRefused();
    void hugeWordsLeaveTheWindowUsable();

private:
    // Starts the window with the given home page, the English button going to englishTemplate.
    bool start(const QString& home, const QString& englishTemplate);
    QString status() const { return m_real->status(); }
    bool dotsTicking() const { return m_real->window->dotTimer()->isTicking(); }

    LocalHttpServer m_server;
    std::unique_ptr<RealWindow> m_real;
};

void RealBrowserLookupTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/define?w=Apple", LocalHttpServer::defaultPage("Apple"), kLookupDelay);
    m_server.setPage(
        "/framed?w=Apple",
        "<!DOCTYPE html><html><body><iframe id='f' src='/frame'></iframe></body></html>");
    m_server.setPage("/frame", "<!DOCTYPE html><html><body><a id='x' href='/in-frame'>in "
                               "frame</a></body></html>");
    m_server.setPage("/in-frame", LocalHttpServer::defaultPage("/in-frame"), kLookupDelay);
    LocalHttpServer::Response noContent;
    noContent.status = 204;
    noContent.delayMs = kLookupDelay;
    m_server.setResponse("/empty?w=Apple", noContent);
    m_server.setPage("/mail?w=Apple", "<!DOCTYPE html><html><body><a id='x' "
                                      "href='mailto:someone@a.test'>mail</a></body></html>");
}

bool RealBrowserLookupTest::start(const QString& home, const QString& englishTemplate)
{
    m_real = std::make_unique<RealWindow>();
    const bool started = m_real->start(queryStringsServedBy(m_server, home, englishTemplate));
    if (!started)
        qWarning("%s", qPrintable(m_real->failure()));
    return started;
}

void RealBrowserLookupTest::cleanup()
{
    m_real.reset();
    m_server.clearRequests();
    QVERIFY(RealWindow::allWindowsGone());
}

void RealBrowserLookupTest::lookupShowsProgressUntilComplete()
{
    QVERIFY(start(QStringLiteral("about:blank"), m_server.url("/define?w=%word")));
    // The home page ends with an empty status and no dots, and asks the server for nothing.
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed, QStringList({"about:blank"}), kTimeout);
    QCOMPARE(m_real->statusAtComplete, QStringList({QString()}));
    QVERIFY(!m_real->window->dotTimer()->isEnabled());
    QCOMPARE(m_server.pageRequests(), QByteArrayList());

    const QString url = m_server.url("/define?w=Apple");
    const QString going = QStringLiteral("Going to ") + url + QStringLiteral("...");
    QTest::keyClicks(m_real->control<QLineEdit>("txtWord"), QStringLiteral("  Apple  "));
    QTest::mouseClick(m_real->control<QPushButton>("cmdEn2En"), Qt::LeftButton);

    // The server holds its answer back, so the page is still loading here.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount("/define?w=Apple") == 1, kTimeout);
    QVERIFY2(status().startsWith(going), qPrintable(status()));
    QTRY_COMPARE_WITH_TIMEOUT(status(), going + QStringLiteral(".."), kTimeout);

    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed, QStringList({"about:blank", url}), kTimeout);
    QCOMPARE(status(), QString());
    QCOMPARE(m_real->statusAtComplete.last(), QString());
    QVERIFY(!m_real->window->dotTimer()->isEnabled());
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/define?w=Apple"}));
}

void RealBrowserLookupTest::typingReadiesTheServerWithoutAskingIt()
{
    QVERIFY(start(QStringLiteral("about:blank"), m_server.url("/define?w=%word")));
    const int helpers = engineProcessCount();
    const int connectionsBefore = m_server.connectionCount();
    // The engine's browser readies the servers through a hidden page of its own while it lives.
    QObject* warmer = nullptr;
    for (QObject* child : m_real->browser->engineBrowser()->children()) {
        if (child->inherits("ConnectionWarmer"))
            warmer = child;
    }
    QVERIFY(warmer);
    const auto busy = [warmer] { return warmer->findChild<QWebEnginePage*>() != nullptr; };

    QTest::keyClicks(m_real->control<QLineEdit>("txtWord"), QStringLiteral("Apple"));
    QVERIFY(busy());
    QTRY_VERIFY_WITH_TIMEOUT(!busy(), kTimeout);
    // Nothing was asked of the server (the last test's page may still ask for its icon), and
    // the hidden page's renderer is gone.
    QCOMPARE(m_server.pageRequests(), QByteArrayList());
    QTRY_COMPARE_WITH_TIMEOUT(engineProcessCount(), helpers, kTimeout);
    // An engine that opens a connection ahead (this one resolves the name only) opens one.
    const int connections = m_server.connectionCount() - connectionsBefore;
    QVERIFY2(connections <= 1, qPrintable(QString::number(connections)));

    QTest::mouseClick(m_real->control<QPushButton>("cmdEn2En"), Qt::LeftButton);
    const QString url = m_server.url("/define?w=Apple");
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed, QStringList({"about:blank", url}), kTimeout);
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/define?w=Apple"}));
    if (connections == 1) // the lookup went through the connection opened ahead
        QCOMPARE(m_server.requestConnections().value(0), connectionsBefore + 1);
}

void RealBrowserLookupTest::frameNavigationEndsTheDots()
{
    QVERIFY(start(QStringLiteral("about:blank"), m_server.url("/framed?w=%word")));
    QVERIFY(m_real->lookUp(QStringLiteral("Apple")));
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed.last(), m_server.url("/framed?w=Apple"), kTimeout);
    const QString url = m_server.url("/in-frame");

    m_real->page()->page()->runJavaScript(
        QStringLiteral("document.getElementById('f').contentDocument.getElementById('x').click()"));

    // The server holds its answer back, so the frame is still loading here.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount("/in-frame") == 1, kTimeout);
    QVERIFY2(status().startsWith(QStringLiteral("Going to ") + url + QStringLiteral("...")),
             qPrintable(status()));
    QVERIFY(dotsTicking());
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed.last(), url, kTimeout);
    QCOMPARE(status(), QString());
    QVERIFY(!dotsTicking());
}

void RealBrowserLookupTest::navigationWithoutDocumentEndsTheDots()
{
    QVERIFY(start(m_server.url("/start"), m_server.url("/empty?w=%word")));
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed, QStringList({m_server.url("/start")}), kTimeout);

    QVERIFY(m_real->lookUp(QStringLiteral("Apple")));

    QCOMPARE(m_real->completed.last(), m_server.url("/empty?w=Apple"));
    QCOMPARE(m_real->statusAtComplete.last(), QString());
    QVERIFY(!dotsTicking());
    QCOMPARE(m_real->page()->url().toString(), m_server.url("/start")); // the page stays
}

void RealBrowserLookupTest::pageLinkToMailIsRefused()
{
    const QString refused =
        QStringLiteral("Cannot open mailto:someone@a.test: \"mailto:\" addresses are not allowed");
    QVERIFY(start(QStringLiteral("about:blank"), m_server.url("/mail?w=%word")));
    QVERIFY(m_real->lookUp(QStringLiteral("Apple")));
    QTRY_COMPARE_WITH_TIMEOUT(m_real->completed.last(), m_server.url("/mail?w=Apple"), kTimeout);

    m_real->page()->page()->runJavaScript(QStringLiteral("document.getElementById('x').click()"));

    QTRY_COMPARE_WITH_TIMEOUT(status(), refused, kTimeout);
    QVERIFY(!dotsTicking());
    QTest::qWait(1000); // the text stays
    QCOMPARE(status(), refused);
    QCOMPARE(m_real->page()->url().toString(), m_server.url("/mail?w=Apple"));
}

// Words of up to 2 M characters are looked up (the engine takes addresses up to 2 MiB), a longer
// one is refused with the documented text, and the window goes on as before; the status bar
// shows a bounded part of each address, within the window.
void RealBrowserLookupTest::hugeWordsLeaveTheWindowUsable()
{
    LEXIVO_SLOW_CASE();
    QVERIFY(start(QStringLiteral("about:blank"), m_server.url("/define?w=%word")));
    auto* shown = m_real->control<QLabel>("SimpleTextLabel");
    const auto checkShownText = [&] {
        QVERIFY2(shown->text().size() <= 2001, qPrintable(QString::number(shown->text().size())));
        QVERIFY(shown->width() <= m_real->window->width());
    };
    for (const int length : {100'000, 1'000'000, 2'000'000}) {
        const QString url = m_server.url("/define?w=") + QString(length, u'a');
        QVERIFY2(m_real->lookUp(QString(length, u'a')), qPrintable(QString::number(length)));
        QCOMPARE(m_real->completed.last().size(), url.size());
        QCOMPARE(m_real->statusAtComplete.last(), QString());
        checkShownText();
    }

    const QString tooLong(3'000'000, u'a');
    m_real->control<QLineEdit>("txtWord")->setText(tooLong);
    QTest::mouseClick(m_real->control<QPushButton>("cmdEn2En"), Qt::LeftButton);
    QCOMPARE(status(), QStringLiteral("Cannot open ") + m_server.url("/define?w=") + tooLong +
                           QStringLiteral(": the address is too long"));
    QVERIFY(!dotsTicking());
    checkShownText();

    QVERIFY(m_real->lookUp(QStringLiteral("Apple")));
    QCOMPARE(m_real->completed.last(), m_server.url("/define?w=Apple"));
    QCOMPARE(status(), QString());
}

LEXIVO_REAL_WINDOW_MAIN(RealBrowserLookupTest)
#include "tst_real_browser_lookup.moc"
