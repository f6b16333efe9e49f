// WebEngineBrowser against the real QtWebEngine, with pages served from 127.0.0.1.

#include "browser_events.h"
#include "local_http_server.h"
#include "page_driver.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QTest>
#include <QWebEngineView>

#include <functional>
#include <memory>

namespace {

using page_driver::kQuietPeriod;
using page_driver::kTimeout;

using browser_events::before;
using browser_events::complete;
using browser_events::refused;
using EventLog = browser_events::Log;

using page_driver::waitUntil;

using page_driver::linkPage;

} // namespace

class WebEngineBrowserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void navigateReportsOnce_data();
    void navigateReportsOnce();
    void emptyAddressDoesNothing();
    void redirectIsOneNavigation();
    void subFrameIsReported();
    void frameOfAnotherSiteCompletes();
    void frameNavigationCompletes_data();
    void frameNavigationCompletes();
    void navigationWithoutDocumentEnds_data();
    void navigationWithoutDocumentEnds();
    void refusedAddressesNeverReachTheEngine_data();
    void refusedAddressesNeverReachTheEngine();
    void longestAddressLoads();
    void navigationReplacingALoadIsReported_data();
    void navigationReplacingALoadIsReported();
    void pageNavigationIsReported_data();
    void pageNavigationIsReported();
    void navigationToAFileCompletes_data();
    void navigationToAFileCompletes();

private:
    // Loads url, waits for it to complete and forgets the events so far.
    bool loadPage(const QString& url);
    // Acts in the page: clicks the link 'x' by "script" or "mouse", or runs a script.
    void act(const QString& how);

    LocalHttpServer m_server;
    LocalHttpServer m_otherSite; // another origin (another port)
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<EventLog> m_log;
};

void WebEngineBrowserTest::initTestCase()
{
    QVERIFY(m_server.listen());
    QVERIFY(m_otherSite.listen());
    m_server.setPage("/cross-framed", "<!DOCTYPE html><html><body><iframe src='" +
                                          m_otherSite.url("/inner").toUtf8() +
                                          "'></iframe></body></html>");
    m_server.setPage("/framed", "<!DOCTYPE html><html><body><iframe src='/inner'></iframe>"
                                "</body></html>");
    m_server.setRedirect("/old", "/new");
    m_server.setPage("/links", linkPage("/target?from=link"));
    m_server.setPage("/slow", LocalHttpServer::defaultPage("/slow"), 3000);
    LocalHttpServer::Response file;
    file.contentType = "text/plain";
    file.headers.append(std::make_pair(QByteArray("Content-Disposition"),
                                       QByteArray("attachment; filename=word.txt")));
    file.body = "a word\n";
    m_server.setResponse("/file", file);
    m_server.setRedirect("/to-file", "/file");
    // A frame whose page holds a link, and a page that shows it.
    m_server.setPage("/frame-links", linkPage("/in-frame?from=link"));
    m_server.setPage("/framed-links", "<!DOCTYPE html><html><body><iframe id='f' "
                                      "src='/frame-links'></iframe></body></html>");
    m_server.setNoContent("/empty");
    m_server.setRedirect("/to-empty", "/empty");
    m_server.setRedirect("/to-mail", "mailto:someone@a.test");
    m_server.setPage("/mail-link", linkPage("mailto:someone@a.test"));
}

void WebEngineBrowserTest::init()
{
    m_browser = std::make_unique<WebEngineBrowser>();
    m_log = std::make_unique<EventLog>(m_browser.get());
    m_browser->view()->resize(400, 300);
    m_browser->view()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_browser->view()));
    m_server.clearRequests();
}

void WebEngineBrowserTest::cleanup()
{
    m_log.reset();
    m_browser.reset();
    // The view's content widget goes with a deferred delete.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

bool WebEngineBrowserTest::loadPage(const QString& url)
{
    m_browser->navigate(url);
    const bool loaded = waitUntil([&] { return m_log->events.contains(complete(url)); });
    m_log->events.clear();
    return loaded;
}

void WebEngineBrowserTest::act(const QString& how)
{
    if (how == QLatin1String("mouse")) {
        QVERIFY(page_driver::click(m_browser->webView()));
    } else {
        const QString script = how == QLatin1String("script")
                                   ? QStringLiteral("document.getElementById('x').click()")
                                   : how;
        m_browser->webView()->page()->runJavaScript(script);
    }
}

void WebEngineBrowserTest::navigateReportsOnce_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("target"); // what the server receives; none for about:blank

    const QString host = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    QTest::newRow("about:blank") << "about:blank"
                                 << "about:blank" << QByteArray();
    QTest::newRow("served page") << m_server.url("/page") << m_server.url("/page")
                                 << QByteArray("/page");
    QTest::newRow("query") << m_server.url("/define?w=Apple") << m_server.url("/define?w=Apple")
                           << QByteArray("/define?w=Apple");
    QTest::newRow("no scheme") << host + "/plain" << m_server.url("/plain") << QByteArray("/plain");
    QTest::newRow("host only") << "http://" + host << m_server.url("/") << QByteArray("/");
    QTest::newRow("encoded query")
        << m_server.url("/define?w=caf%C3%A9") << m_server.url("/define?w=caf\u00e9")
        << QByteArray("/define?w=caf%C3%A9");
}

void WebEngineBrowserTest::navigateReportsOnce()
{
    QFETCH(QString, address);
    QFETCH(QString, url);
    QFETCH(QByteArray, target);

    m_browser->navigate(address);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(url)), kTimeout);
    QCOMPARE(m_log->events, QStringList({before(url), complete(url)}));
    QCOMPARE(m_server.pageRequests(),
             target.isEmpty() ? QByteArrayList() : QByteArrayList({target}));
}

void WebEngineBrowserTest::emptyAddressDoesNothing()
{
    m_browser->navigate(QString());
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events, QStringList());

    // The browser was able to navigate all along.
    m_browser->navigate(QStringLiteral("about:blank"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_log->events.isEmpty(), kTimeout);
    QCOMPARE(m_log->events.first(), before(QStringLiteral("about:blank")));
}

void WebEngineBrowserTest::redirectIsOneNavigation()
{
    m_browser->navigate(m_server.url("/old"));

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(m_server.url("/new"))), kTimeout);
    QCOMPARE(m_log->events,
             QStringList({before(m_server.url("/old")), complete(m_server.url("/new"))}));
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/old", "/new"}));
}

void WebEngineBrowserTest::subFrameIsReported()
{
    m_browser->navigate(m_server.url("/framed"));

    // The frame's document completes before its page's (the page waits for its frames).
    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(m_server.url("/framed"))), kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events,
             QStringList({before(m_server.url("/framed")), before(m_server.url("/inner")),
                          complete(m_server.url("/inner")), complete(m_server.url("/framed"))}));
    QCOMPARE(m_server.requestCount("/inner"), 1);
}

void WebEngineBrowserTest::frameOfAnotherSiteCompletes()
{
    m_browser->navigate(m_server.url("/cross-framed"));

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(m_server.url("/cross-framed"))),
                             kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events,
             QStringList({before(m_server.url("/cross-framed")), before(m_otherSite.url("/inner")),
                          complete(m_otherSite.url("/inner")),
                          complete(m_server.url("/cross-framed"))}));
}

void WebEngineBrowserTest::frameNavigationCompletes_data()
{
    QTest::addColumn<QString>("script"); // run in the page that holds the frame
    QTest::addColumn<QString>("url");
    QTest::newRow("link in the frame")
        << "document.getElementById('f').contentDocument.getElementById('x').click()"
        << m_server.url("/in-frame?from=link");
    QTest::newRow("frame's location") << "frames[0].location.href = '/in-frame?from=script'"
                                      << m_server.url("/in-frame?from=script");
    QTest::newRow("file in the frame")
        << "frames[0].location.href = '/file'" << m_server.url("/file");
    // The page's own console.log cannot pass for a frame's load.
    QTest::newRow("page logs a look-alike")
        << "console.log('frame loaded 0000000000000000 http://127.0.0.1/x'); "
           "frames[0].location.href = '/in-frame?from=script'"
        << m_server.url("/in-frame?from=script");
}

void WebEngineBrowserTest::frameNavigationCompletes()
{
    QFETCH(QString, script);
    QFETCH(QString, url);
    QVERIFY(loadPage(m_server.url("/framed-links")));
    QTest::qWait(200); // the frame's completion, reported with its page's, comes in
    m_log->events.clear();

    act(script);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(url)), kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events, QStringList({before(url), complete(url)}));
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/framed-links"));
}

void WebEngineBrowserTest::navigationWithoutDocumentEnds_data()
{
    QTest::addColumn<QString>("how"); // empty: navigate(url)
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("no content") << QString() << m_server.url("/empty")
                                << QStringList{before(m_server.url("/empty")),
                                               complete(m_server.url("/empty"))};
    QTest::newRow("no content, page script")
        << "location.href = '/empty'" << m_server.url("/empty")
        << QStringList{before(m_server.url("/empty")), complete(m_server.url("/empty"))};
    QTest::newRow("no content after redirect")
        << QString() << m_server.url("/to-empty")
        << QStringList{before(m_server.url("/to-empty")), complete(m_server.url("/empty"))};
    QTest::newRow("stopped by the page")
        << "location.href = '/slow'; setTimeout(function() { window.stop(); }, 500)"
        << m_server.url("/slow")
        << QStringList{before(m_server.url("/slow")), complete(m_server.url("/slow"))};
    // Not handed to another program: refused, which ends it.
    QTest::newRow("mailto link, mouse click")
        << "mouse"
        << "mailto:someone@a.test" << QStringList{refused("mailto:someone@a.test")};
    QTest::newRow("mailto link") << "script"
                                 << "mailto:someone@a.test"
                                 << QStringList{refused("mailto:someone@a.test")};
    QTest::newRow("redirect to mailto")
        << QString() << m_server.url("/to-mail")
        << QStringList{before(m_server.url("/to-mail")), complete("mailto:someone@a.test")};
}

void WebEngineBrowserTest::navigationWithoutDocumentEnds()
{
    // Nothing replaces the page shown; the navigation ends all the same, so that the window
    // stops waiting for it.
    QFETCH(QString, how);
    QFETCH(QString, url);
    QFETCH(QStringList, events);
    QVERIFY(loadPage(m_server.url("/mail-link")));

    if (how.isEmpty())
        m_browser->navigate(url);
    else
        act(how);

    QTRY_VERIFY2_WITH_TIMEOUT(m_log->events.contains(events.last()),
                              qPrintable(m_log->events.join(QLatin1Char('|'))), kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events, events);
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/mail-link"));

    // The next navigation is reported as usual.
    m_browser->navigate(m_server.url("/after"));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(m_server.url("/after"))), kTimeout);
    QCOMPARE(m_log->events.mid(events.size()),
             QStringList({before(m_server.url("/after")), complete(m_server.url("/after"))}));
}

void WebEngineBrowserTest::refusedAddressesNeverReachTheEngine_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("crashes the engine") << "chrome://inducebrowsercrashforrealz";
    QTest::newRow("chrome page") << "chrome://version";
    QTest::newRow("view-source") << "view-source:" + m_server.url("/page");
    QTest::newRow("javascript") << "javascript:location.href='/page'";
    QTest::newRow("data") << "data:text/html,<p>hi</p>";
    QTest::newRow("no file by accident") << "::Apple";
    QTest::newRow("too long") << m_server.url("/page?") + QString(2097152, u'a');
}

void WebEngineBrowserTest::refusedAddressesNeverReachTheEngine()
{
    QFETCH(QString, address);
    QVERIFY(loadPage(m_server.url("/start")));
    m_server.clearRequests();

    m_browser->navigate(address);

    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events, QStringList());
    QCOMPARE(m_server.pageRequests(), QByteArrayList());
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/start"));
}

void WebEngineBrowserTest::longestAddressLoads()
{
    // 2 MiB exactly, the most the engine takes; the fragment stays in the browser.
    const QString start = m_server.url("/long#");
    const QString url = start + QString(2097152 - start.size(), u'a');

    m_browser->navigate(url);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(url)), kTimeout);
    QCOMPARE(m_log->events, QStringList({before(url), complete(url)}));
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/long"}));
}

void WebEngineBrowserTest::navigationReplacingALoadIsReported_data()
{
    // The engine starts no new load for a navigation that replaces one still in progress.
    QTest::addColumn<QString>("url");
    QTest::newRow("served page") << m_server.url("/page");
    QTest::newRow("about:blank") << "about:blank";
}

void WebEngineBrowserTest::navigationReplacingALoadIsReported()
{
    QFETCH(QString, url);
    m_browser->navigate(m_server.url("/slow"));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount("/slow") == 1, kTimeout);

    m_browser->navigate(url);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(url)), kTimeout);
    QCOMPARE(m_log->events,
             QStringList({before(m_server.url("/slow")), before(url), complete(url)}));
}

void WebEngineBrowserTest::pageNavigationIsReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("target"); // what the server receives; none for about:blank
    QTest::addColumn<QString>("url");
    QTest::newRow("link, script click")
        << "script" << QByteArray("/target?from=link") << m_server.url("/target?from=link");
    QTest::newRow("link, mouse click")
        << "mouse" << QByteArray("/target?from=link") << m_server.url("/target?from=link");
    QTest::newRow("location") << "location.href = '/scripted'" << QByteArray("/scripted")
                              << m_server.url("/scripted");
    QTest::newRow("location about:blank")
        << "location.href = 'about:blank'" << QByteArray() << "about:blank";
}

void WebEngineBrowserTest::pageNavigationIsReported()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, target);
    QFETCH(QString, url);
    QVERIFY(loadPage(m_server.url("/links")));
    m_server.clearRequests();

    act(how);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(url)), kTimeout);
    QCOMPARE(m_log->events, QStringList({before(url), complete(url)}));
    if (!target.isEmpty())
        QCOMPARE(m_server.requestCount(target), 1);
}

void WebEngineBrowserTest::navigationToAFileCompletes_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("completed");
    QTest::newRow("navigate") << QString() << m_server.url("/file") << m_server.url("/file");
    QTest::newRow("page script") << "location.href = '/file'" << m_server.url("/file")
                                 << m_server.url("/file");
    QTest::newRow("redirect") << QString() << m_server.url("/to-file") << m_server.url("/file");
}

void WebEngineBrowserTest::navigationToAFileCompletes()
{
    // The file is not saved and no page replaces the one shown; the navigation ends all the same,
    // so that the window stops waiting for it.
    QFETCH(QString, how);
    QFETCH(QString, url);
    QFETCH(QString, completed);
    QVERIFY(loadPage(m_server.url("/start")));

    if (how.isEmpty())
        m_browser->navigate(url);
    else
        act(how);

    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(completed)), kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_log->events, QStringList({before(url), complete(completed)}));
    QCOMPARE(m_server.requestCount("/file"), 1);
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/start"));

    // The next navigation is reported as usual.
    m_browser->navigate(m_server.url("/after"));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->events.contains(complete(m_server.url("/after"))), kTimeout);
    QCOMPARE(m_log->events.mid(2),
             QStringList({before(m_server.url("/after")), complete(m_server.url("/after"))}));
}

LEXIVO_BROWSER_TEST_MAIN(WebEngineBrowserTest)
#include "tst_webengine_browser.moc"
