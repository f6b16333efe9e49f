// WebEngineBrowser when the process that renders its page fails: a page stuck in a script must
// not hold later lookups, and a renderer that dies leaves an error page and a working browser.
// Pages are served from 127.0.0.1.

#include "browser_events.h"
#include "local_http_server.h"
#include "page_driver.h"
#include "wait_until.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWebEngineView>

#include <csignal>
#include <functional>
#include <memory>

namespace {

constexpr int kTimeout = 20000;
// What a lookup after a hung page may take: the renderer is given a few seconds to answer.
constexpr int kRecoveryTimeout = 10000;

using browser_events::before;
using browser_events::complete;

} // namespace

class RendererRecoveryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lookupAfterHungPageLoads_data();
    void lookupAfterHungPageLoads();
    void slowPageIsWaitedFor();
    void crashedRendererLeavesErrorPage();

private:
    QWebEnginePage* page() const { return m_browser->webView()->page(); }
    // Loads url, waits for it to complete and forgets the events so far.
    bool loadPage(const QString& url);
    QString pageText() const { return page_driver::text(page()); }

    LocalHttpServer m_server;
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<browser_events::Log> m_log;
    int m_terminated = 0; // renderProcessTerminated signals
};

void RendererRecoveryTest::initTestCase()
{
    QVERIFY(m_server.listen());
    // Stuck for good once loaded, or before it has loaded.
    m_server.setPage("/hang", "<!DOCTYPE html><html><head><title>hang</title></head><body>"
                              "<script>setTimeout(function() { for (;;) {} }, 100);</script>"
                              "</body></html>");
    m_server.setPage("/hang-loading", "<!DOCTYPE html><html><head><title>hang</title></head>"
                                      "<body><script>for (;;) {}</script></body></html>");
    m_server.setPage("/slow", LocalHttpServer::defaultPage("/slow"), 4000);
}

void RendererRecoveryTest::init()
{
    m_browser = std::make_unique<WebEngineBrowser>();
    m_log = std::make_unique<browser_events::Log>(m_browser.get());
    m_terminated = 0;
    connect(page(), &QWebEnginePage::renderProcessTerminated, this, [this] { ++m_terminated; });
    m_browser->view()->resize(400, 300);
    m_browser->view()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_browser->view()));
}

void RendererRecoveryTest::cleanup()
{
    m_browser.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

bool RendererRecoveryTest::loadPage(const QString& url)
{
    m_browser->navigate(url);
    const bool loaded = waitUntil([&] { return m_log->events.contains(complete(url)); }, kTimeout);
    m_log->events.clear();
    return loaded;
}

void RendererRecoveryTest::lookupAfterHungPageLoads_data()
{
    QTest::addColumn<QString>("hung");
    QTest::addColumn<bool>("hungLoads"); // whether the hung page completes first
    QTest::newRow("hung after loading") << "/hang" << true;
    QTest::newRow("hung while loading") << "/hang-loading" << false;
}

void RendererRecoveryTest::lookupAfterHungPageLoads()
{
    QFETCH(QString, hung);
    QFETCH(bool, hungLoads);
    QVERIFY(loadPage(m_server.url("/start")));
    m_browser->navigate(m_server.url(hung));
    if (hungLoads)
        QVERIFY(waitUntil([&] { return m_log->events.contains(complete(m_server.url(hung))); },
                          kTimeout));
    QVERIFY(waitUntil([&] { return m_server.requestCount(hung.toLatin1()) == 1; }, kTimeout));
    // A page stuck on its own is the user's to leave: it is neither killed nor loaded again.
    QTest::qWait(3000);
    QCOMPARE(m_server.requestCount(hung.toLatin1()), 1);
    QCOMPARE(m_terminated, 0);
    m_log->events.clear();
    QElapsedTimer clock;
    clock.start();

    // The same site: the engine would hand the page to the stuck renderer.
    const QString next = m_server.url(QStringLiteral("/define?w=apple"));
    m_browser->navigate(next);

    // Complete, and shown.
    QVERIFY2(waitUntil(
                 [&] { return !m_log->events.isEmpty() && m_log->events.last() == complete(next); },
                 kRecoveryTimeout),
             qPrintable(m_log->events.join(QLatin1Char('\n'))));
    qInfo("the lookup after the hung page completed in %lld ms: %s", clock.elapsed(),
          qPrintable(m_log->events.join(QStringLiteral(", "))));
    QCOMPARE(m_log->events.first(), before(next));
    QCOMPARE(m_log->events.last(), complete(next));
    QCOMPARE(pageText(), QStringLiteral("/define?w=apple"));
    QCOMPARE(m_terminated, 1);
}

void RendererRecoveryTest::slowPageIsWaitedFor()
{
    // A renderer that answers is left alone, however long the server takes.
    QVERIFY(loadPage(m_server.url("/start")));

    m_browser->navigate(m_server.url("/slow"));

    QVERIFY(waitUntil([&] { return m_log->events.contains(complete(m_server.url("/slow"))); },
                      kTimeout));
    QCOMPARE(m_log->events,
             QStringList({before(m_server.url("/slow")), complete(m_server.url("/slow"))}));
    QCOMPARE(m_terminated, 0);
}

void RendererRecoveryTest::crashedRendererLeavesErrorPage()
{
    QVERIFY(loadPage(m_server.url("/start")));
    const qint64 pid = page()->renderProcessPid();
    QVERIFY(pid > 0);

    // As when the renderer crashes or the system ends it for want of memory.
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);

    QVERIFY(waitUntil([&] { return !m_log->events.isEmpty(); }, kTimeout));
    QTest::qWait(500);
    // The error page is shown, not navigated to: it only ends any waiting for a page.
    QCOMPARE(m_log->events.size(), 1);
    QVERIFY2(m_log->events.first().startsWith(QStringLiteral("complete data:")),
             qPrintable(m_log->events.first()));
    QCOMPARE(m_terminated, 1);
    const QString text = pageText();
    QVERIFY2(text.startsWith(QStringLiteral("This page stopped working.")), qPrintable(text));
    // It runs no script.
    QCOMPARE(page_driver::evaluate(page(), QStringLiteral("document.scripts.length")), QVariant(0));

    // The next lookup works.
    m_log->events.clear();
    QVERIFY(loadPage(m_server.url("/define?w=pear")));
    QCOMPARE(pageText(), QStringLiteral("/define?w=pear"));
}

LEXIVO_BROWSER_TEST_MAIN(RendererRecoveryTest)
#include "tst_renderer_recovery.moc"
