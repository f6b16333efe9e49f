// What WebEngineBrowser keeps a page from doing to the program or the machine: a private profile,
// script dialogs answered at once, no page that holds a navigation, no local file read, no
// WebSocket from a local page, no credentials; the guards hold after the browser is gone. Pages
// are served from 127.0.0.1; nothing may show a dialog.
#include "local_http_server.h"
#include "page_driver.h"
#include "probe_browser.h"

#include <QApplication>
#include <QAuthenticator>
#include <QFile>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

using page_driver::kQuietPeriod;
using page_driver::kTimeout;

using page_driver::waitUntil;

} // namespace

class PageGuardsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void profileIsPrivate();
    void viewOutlivesBrowser();
    void scriptDialogIsAnsweredAtOnce_data();
    void scriptDialogIsAnsweredAtOnce();
    void beforeUnloadDoesNotHoldNavigation();
    void localPageReadsNoFile_data();
    void localPageReadsNoFile();
    void localPageOpensNoWebSocket_data();
    void localPageOpensNoWebSocket();
    void authenticationIsCancelled_data();
    void authenticationIsCancelled();

private:
    // Replaces the browser with a new one, on a new profile, shown and active.
    void restart();

    LocalHttpServer m_server;
    std::unique_ptr<ProbeBrowser> m_probe;
};

void PageGuardsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/probe", ProbeBrowser::probePage());
}

void PageGuardsTest::init()
{
    restart();
    m_server.clearRequests();
}

void PageGuardsTest::restart()
{
    m_probe = std::make_unique<ProbeBrowser>();
    QVERIFY(m_probe->show());
}

void PageGuardsTest::cleanup()
{
    ProbeBrowser::finish(m_probe);
}

void PageGuardsTest::profileIsPrivate()
{
    QWebEngineProfile* profile = m_probe->page()->profile();
    QVERIFY(profile != QWebEngineProfile::defaultProfile());
    // Nothing the pages leave (cookies, cache, site data) is written to disk.
    QVERIFY(profile->isOffTheRecord());
    QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::NoPersistentCookies);
    QCOMPARE(profile->httpCacheType(), QWebEngineProfile::MemoryHttpCache);
    // Bounded: it would otherwise fill up to 50 MB over a long session.
    QCOMPARE(profile->httpCacheMaximumSize(), 8 * 1024 * 1024);
}

void PageGuardsTest::viewOutlivesBrowser()
{
    // As in the main window: the view is adopted by a window and deleted after the browser.
    auto window = std::make_unique<QWidget>();
    QWebEngineView* view = m_probe->browser->webView();
    view->setParent(window.get());
    m_probe->browser.reset();
    window->show();

    QObject watch;
    bool loaded = false;
    connect(view, &QWebEngineView::loadFinished, &watch, [&](bool ok) { loaded = ok; });
    view->load(QUrl(m_server.url("/probe")));
    QVERIFY(waitUntil([&] { return loaded; }));
    // The view keeps its private profile and still refuses downloads.
    QVERIFY(view->page()->profile() != QWebEngineProfile::defaultProfile());
    std::optional<QWebEngineDownloadRequest::DownloadState> stateSeen;
    connect(view->page()->profile(), &QWebEngineProfile::downloadRequested, &watch,
            [&](QWebEngineDownloadRequest* request) { stateSeen = request->state(); });
    view->page()->runJavaScript(QStringLiteral("document.getElementById('download').click()"));
    QTRY_VERIFY_WITH_TIMEOUT(stateSeen.has_value(), kTimeout);
    QCOMPARE(*stateSeen, QWebEngineDownloadRequest::DownloadCancelled);

    window.reset();
}

void PageGuardsTest::scriptDialogIsAnsweredAtOnce_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("outcome");
    // A storm of dialogs as the page loads: each would be application-modal.
    const QString storm = QStringLiteral("const answers = new Set();\n"
                                         "for (let i = 0; i < 20; ++i) answers.add(String(%1));\n"
                                         "report(Array.from(answers).join());");
    QTest::newRow("alert") << storm.arg(QStringLiteral("alert('word ' + i)")).toUtf8()
                           << "undefined";
    QTest::newRow("confirm") << storm.arg(QStringLiteral("confirm('Go on? ' + i)")).toUtf8()
                             << "false";
    QTest::newRow("prompt")
        << storm.arg(QStringLiteral("prompt('Password ' + i, 'secret')")).toUtf8() << "null";
}

void PageGuardsTest::scriptDialogIsAnsweredAtOnce()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, outcome);
    m_server.setPage("/dialogs", ProbeBrowser::scriptPage(script));

    QVERIFY(m_probe->load(m_server.url("/dialogs")));

    QCOMPARE(m_probe->outcome(), outcome);
    QCOMPARE(m_probe->dialogs, QStringList());
}

void PageGuardsTest::beforeUnloadDoesNotHoldNavigation()
{
    // The page asks to keep the user once it has been clicked.
    QVERIFY(m_probe->load(m_server.url("/probe")));
    QVERIFY(m_probe->evaluate(QStringLiteral("window.probe = 'stay'")).isValid());
    QVERIFY(m_probe->clickPad());
    QCOMPARE(m_probe->outcome(), QStringLiteral("staying"));

    m_probe->browser->navigate(m_server.url("/next"));

    QVERIFY(waitUntil([&] { return m_probe->completed.contains(m_server.url("/next")); }));
    QCOMPARE(m_probe->browser->webView()->url().toString(), m_server.url("/next"));
    QCOMPARE(m_probe->dialogs, QStringList());
}

void PageGuardsTest::localPageReadsNoFile_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("XHR of a file beside the page")
        << QByteArray("const x = new XMLHttpRequest();\n"
                      "x.onload = function() { report('read ' + x.responseText); };\n"
                      "x.onerror = function() { report('error'); };\n"
                      "try { x.open('GET', 'secret.txt'); x.send(); }\n"
                      "catch (e) { report('thrown ' + e.name); }")
        << "error";
    QTest::newRow("fetch of a system file")
        << QByteArray("fetch('file:///etc/hostname').then(function(r) { return r.text(); })\n"
                      ".then(function(t) { report('read'); },\n"
                      "      function(e) { report('rejected ' + e.name); });")
        << "rejected TypeError";
    QTest::newRow("file in a frame")
        << QByteArray("const frame = document.getElementById('frame');\n"
                      "frame.onload = function() {\n"
                      "    try {\n"
                      "        const d = frame.contentDocument;\n"
                      "        report(d ? 'read ' + d.body.innerText : 'unreadable');\n"
                      "    } catch (e) { report('thrown ' + e.name); }\n"
                      "};\n"
                      "frame.src = 'secret.txt';")
        << "unreadable";
}

void PageGuardsTest::localPageReadsNoFile()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, outcome);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile secret(folder.filePath(QStringLiteral("secret.txt")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("secret word");
    secret.close();
    QFile page(folder.filePath(QStringLiteral("page.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(ProbeBrowser::scriptPage(script));
    page.close();

    // A local page may still be shown.
    QVERIFY(m_probe->load(QUrl::fromLocalFile(page.fileName()).toString()));

    QCOMPARE(m_probe->outcome(), outcome);
}

void PageGuardsTest::localPageOpensNoWebSocket_data()
{
    QTest::addColumn<bool>("local");
    QTest::addColumn<int>("connections");
    QTest::newRow("local page") << true << 0;
    QTest::newRow("served page") << false << 1;
}

void PageGuardsTest::localPageOpensNoWebSocket()
{
    QFETCH(bool, local);
    QFETCH(int, connections);
    // Counts the connections that reach it; a WebSocket would first send its upgrade request.
    QTcpServer receiver;
    QVERIFY(receiver.listen(QHostAddress::LocalHost));
    int connected = 0;
    connect(&receiver, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket* socket = receiver.nextPendingConnection()) {
            ++connected;
            socket->setParent(&receiver);
        }
    });
    const QByteArray html =
        ProbeBrowser::scriptPage("const socket = new WebSocket('ws://127.0.0.1:" +
                                 QByteArray::number(receiver.serverPort()) +
                                 "/');\n"
                                 "socket.onopen = function() { socket.send(document.title); };");
    QString url = m_server.url("/socket");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    if (local) {
        QFile page(folder.filePath(QStringLiteral("page.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(html);
        page.close();
        url = QUrl::fromLocalFile(page.fileName()).toString();
    } else {
        m_server.setPage("/socket", html);
    }

    QVERIFY(m_probe->load(url));

    if (connections > 0)
        QVERIFY(waitUntil([&] { return connected >= connections; }));
    else
        QTest::qWait(kQuietPeriod);
    QCOMPARE(connected, connections);
}

void PageGuardsTest::authenticationIsCancelled_data()
{
    QTest::addColumn<bool>("proxy");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("target"); // as the server receives it
    QTest::newRow("server") << false << QString() << QByteArray("/private");
    // The host is never looked up: the engine asks the proxy for it.
    QTest::newRow("proxy") << true << "http://dictionary.invalid/define?w=apple"
                           << QByteArray("http://dictionary.invalid/define?w=apple");
}

void PageGuardsTest::authenticationIsCancelled()
{
    QFETCH(bool, proxy);
    QFETCH(QString, url);
    QFETCH(QByteArray, target);
    if (url.isEmpty())
        url = m_server.url(QString::fromLatin1(target));
    LocalHttpServer::Response challenge;
    challenge.status = proxy ? 407 : 401;
    challenge.body = LocalHttpServer::defaultPage("/refused");
    challenge.headers.append(
        std::make_pair(QByteArray(proxy ? "Proxy-Authenticate" : "WWW-Authenticate"),
                       QByteArray("Basic realm=\"dictionary\"")));
    m_server.setResponse(target, challenge);
    const QNetworkProxy proxyBefore = QNetworkProxy::applicationProxy();
    const auto restore = qScopeGuard([&] { QNetworkProxy::setApplicationProxy(proxyBefore); });
    if (proxy) {
        // A profile takes the proxy when it is made.
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_server.port()));
        restart();
    }
    // Connected after the browser: sees what the browser left in the authenticator.
    QObject watch;
    QList<bool> refused;
    const auto record = [&](const QUrl&, QAuthenticator* authenticator) {
        refused.append(authenticator->isNull());
    };
    connect(m_probe->page(), &QWebEnginePage::authenticationRequired, &watch, record);
    connect(m_probe->page(), &QWebEnginePage::proxyAuthenticationRequired, &watch,
            [&](const QUrl& requestUrl, QAuthenticator* authenticator, const QString&) {
                record(requestUrl, authenticator);
            });

    m_probe->browser->navigate(url);

    QVERIFY(waitUntil([&] { return !m_probe->completed.isEmpty(); }));
    QCOMPARE(refused, QList<bool>({true}));
    QTest::qWait(kQuietPeriod);
    // Asked once, and never again with credentials.
    QCOMPARE(m_server.requestCount(target), 1);
    for (const QByteArrayList& header : m_server.requestHeaders()) {
        for (const QByteArray& line : header) {
            QVERIFY2(!line.toLower().contains("authorization:"), line.constData());
        }
    }
    QCOMPARE(m_probe->dialogs, QStringList());
}

int main(int argc, char** argv)
{
    // No host name is ever looked up (one test's page goes through a proxy on 127.0.0.1).
    page_driver::prepareProcess();
    QApplication app(argc, argv);
    PageGuardsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_page_guards.moc"
