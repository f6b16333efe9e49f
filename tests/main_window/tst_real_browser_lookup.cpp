// The main window with the real QtWebEngine browser: a lookup from the word box to a page served
// from 127.0.0.1, watched in the status bar.

#include "core/interval_timer.h"
#include "design/simple_status_bar.h"
#include "local_http_server.h"
#include "main_window/main_window.h"
#include "served_settings.h"
#include "temp_program_folder.h"
#include "wait_until.h"
#include "webengine/connection_warmer.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// A first page under Xvfb takes about a second; a loaded machine may take much longer.
constexpr int kTimeout = 20000;
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
    void init();
    void cleanup();

    void homePageCompletionClearsStatus();
    void lookupShowsProgressUntilComplete();
    void typingReadiesTheServerWithoutAskingIt();
    void frameNavigationEndsTheDots();
    void navigationWithoutDocumentEndsTheDots();
    void pageLinkToMailIsRefused();
    void refusedHomePageLeavesTheProgramRunning();

private:
    QString status() const { return m_window->statusBarWidget()->text(); }
    // Starts the window with the given home page, the English button going to englishTemplate.
    void startWindow(const QString& home, const QString& englishTemplate);
    // Looks "Apple" up with the English button and waits for the page to complete.
    bool lookUpApple();

    LocalHttpServer m_server;
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MainWindow> m_window;
    WebEngineBrowser* m_browser = nullptr; // owned by the window
    QStringList m_completed;               // documentComplete URLs
    QStringList m_statusAtComplete;        // the status text once the window has handled each
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

void RealBrowserLookupTest::init()
{
    startWindow(QStringLiteral("about:blank"), m_server.url("/define?w=%word"));
}

void RealBrowserLookupTest::startWindow(const QString& home, const QString& englishTemplate)
{
    m_window.reset();
    m_folder = std::make_unique<TempProgramFolder>();
    m_folder->writeSettings(settingsServedBy(m_server, home, englishTemplate));

    auto browser = std::make_unique<WebEngineBrowser>();
    m_browser = browser.get();
    m_window = std::make_unique<MainWindow>(m_folder->path(), std::move(browser));
    // The window navigated to its home page while it was built; the page completes later, and
    // this connection, made after the window's own, sees the status the window left.
    m_completed.clear();
    m_statusAtComplete.clear();
    connect(m_browser, &Browser::documentComplete, this, [this](const QString& url) {
        m_completed.append(url);
        m_statusAtComplete.append(status());
    });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void RealBrowserLookupTest::cleanup()
{
    m_window.reset();
    m_folder.reset();
    m_server.clearRequests();
    // The view's content widget goes with a deferred delete.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void RealBrowserLookupTest::homePageCompletionClearsStatus()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({"about:blank"}), kTimeout);
    QCOMPARE(m_statusAtComplete, QStringList({QString()}));
    QVERIFY(!m_window->dotTimer()->isEnabled());
    QCOMPARE(m_server.pageRequests(), QByteArrayList());
}

void RealBrowserLookupTest::lookupShowsProgressUntilComplete()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({"about:blank"}), kTimeout);
    auto* wordEdit = m_window->findChild<QLineEdit*>(QStringLiteral("txtWord"));
    auto* englishButton = m_window->findChild<QPushButton*>(QStringLiteral("cmdEn2En"));
    QVERIFY(wordEdit);
    QVERIFY(englishButton);
    const QString url = m_server.url("/define?w=Apple");
    const QString going = QStringLiteral("Going to ") + url + QStringLiteral("...");

    QTest::keyClicks(wordEdit, QStringLiteral("  Apple  "));
    QTest::mouseClick(englishButton, Qt::LeftButton);

    // The server holds its answer back, so the page is still loading here.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount("/define?w=Apple") == 1, kTimeout);
    QVERIFY2(status().startsWith(going), qPrintable(status()));
    QTRY_COMPARE_WITH_TIMEOUT(status(), going + QStringLiteral(".."), kTimeout);

    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({"about:blank", url}), kTimeout);
    QCOMPARE(status(), QString());
    QCOMPARE(m_statusAtComplete.last(), QString());
    QVERIFY(!m_window->dotTimer()->isEnabled());
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/define?w=Apple"}));
}

void RealBrowserLookupTest::typingReadiesTheServerWithoutAskingIt()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({"about:blank"}), kTimeout);
    const int helpers = engineProcessCount();
    const int connectionsBefore = m_server.connectionCount();
    auto* warmer = m_browser->findChild<ConnectionWarmer*>();
    QVERIFY(warmer);

    QTest::keyClicks(m_window->findChild<QLineEdit*>(QStringLiteral("txtWord")),
                     QStringLiteral("Apple"));
    QVERIFY(warmer->busy());
    QTRY_VERIFY_WITH_TIMEOUT(!warmer->busy(), kTimeout);
    // Nothing was asked of the server (the last test's page may still ask for its icon), and
    // the hidden page's renderer is gone.
    QCOMPARE(m_server.pageRequests(), QByteArrayList());
    QTRY_COMPARE_WITH_TIMEOUT(engineProcessCount(), helpers, kTimeout);
    // An engine that opens a connection ahead (this one resolves the name only) opens one.
    const int connections = m_server.connectionCount() - connectionsBefore;
    QVERIFY2(connections <= 1, qPrintable(QString::number(connections)));

    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdEn2En")),
                      Qt::LeftButton);
    const QString url = m_server.url("/define?w=Apple");
    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({"about:blank", url}), kTimeout);
    QCOMPARE(m_server.pageRequests(), QByteArrayList({"/define?w=Apple"}));
    if (connections == 1) // the lookup went through the connection opened ahead
        QCOMPARE(m_server.requestConnections().value(0), connectionsBefore + 1);
}

bool RealBrowserLookupTest::lookUpApple()
{
    const int completed = m_completed.size();
    m_window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(QStringLiteral("Apple"));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdEn2En")),
                      Qt::LeftButton);
    return waitUntil([&] { return m_completed.size() > completed; }, kTimeout);
}

void RealBrowserLookupTest::frameNavigationEndsTheDots()
{
    startWindow(QStringLiteral("about:blank"), m_server.url("/framed?w=%word"));
    QVERIFY(lookUpApple());
    QTRY_COMPARE_WITH_TIMEOUT(m_completed.last(), m_server.url("/framed?w=Apple"), kTimeout);
    const QString url = m_server.url("/in-frame");

    m_browser->webView()->page()->runJavaScript(
        QStringLiteral("document.getElementById('f').contentDocument.getElementById('x').click()"));

    // The server holds its answer back, so the frame is still loading here.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount("/in-frame") == 1, kTimeout);
    QVERIFY2(status().startsWith(QStringLiteral("Going to ") + url + QStringLiteral("...")),
             qPrintable(status()));
    QVERIFY(m_window->dotTimer()->isTicking());
    QTRY_COMPARE_WITH_TIMEOUT(m_completed.last(), url, kTimeout);
    QCOMPARE(status(), QString());
    QVERIFY(!m_window->dotTimer()->isTicking());
}

void RealBrowserLookupTest::navigationWithoutDocumentEndsTheDots()
{
    startWindow(m_server.url("/start"), m_server.url("/empty?w=%word"));
    QTRY_COMPARE_WITH_TIMEOUT(m_completed, QStringList({m_server.url("/start")}), kTimeout);
    const QString url = m_server.url("/empty?w=Apple");

    QVERIFY(lookUpApple());

    QCOMPARE(m_completed.last(), url);
    QCOMPARE(m_statusAtComplete.last(), QString());
    QVERIFY(!m_window->dotTimer()->isTicking());
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/start")); // the page stays
}

void RealBrowserLookupTest::pageLinkToMailIsRefused()
{
    startWindow(QStringLiteral("about:blank"), m_server.url("/mail?w=%word"));
    QVERIFY(lookUpApple());
    QTRY_COMPARE_WITH_TIMEOUT(m_completed.last(), m_server.url("/mail?w=Apple"), kTimeout);

    m_browser->webView()->page()->runJavaScript(
        QStringLiteral("document.getElementById('x').click()"));

    QTRY_COMPARE_WITH_TIMEOUT(
        status(),
        QStringLiteral("Cannot open mailto:someone@a.test: \"mailto:\" addresses are not allowed"),
        kTimeout);
    QVERIFY(!m_window->dotTimer()->isTicking());
    QTest::qWait(1000); // the text stays
    QCOMPARE(
        status(),
        QStringLiteral("Cannot open mailto:someone@a.test: \"mailto:\" addresses are not allowed"));
    QCOMPARE(m_browser->webView()->url().toString(), m_server.url("/mail?w=Apple"));
}

void RealBrowserLookupTest::refusedHomePageLeavesTheProgramRunning()
{
    // This address, loaded, ends the whole program.
    startWindow(QStringLiteral("chrome://inducebrowsercrashforrealz"),
                m_server.url("/define?w=%word"));
    QCOMPARE(status(), QStringLiteral("Cannot open chrome://inducebrowsercrashforrealz: "
                                      "\"chrome:\" addresses are not allowed"));
    QTest::qWait(1000);

    QVERIFY(lookUpApple());
    QCOMPARE(m_completed, QStringList({m_server.url("/define?w=Apple")}));
    QCOMPARE(status(), QString());
}

QTEST_MAIN(RealBrowserLookupTest)
#include "tst_real_browser_lookup.moc"
