// The program's page for a site that cannot be reached, through the real QtWebEngine view in
// the main window: who failed to reach which server, why, what to do about it, in the desktop's
// colours. Unknown host names fail inside the engine.

#include "browser_window.h"
#include "core/interval_timer.h"
#include "dialogs/options_dialog.h"
#include "wait_until.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTest>
#include <QWebEngineView>

using page_driver::kTimeout;

namespace {

const QString kProviderAdvice = QStringLiteral(
    "If the site has moved or closed, choose another provider: Option \u25B8 Online Dictionary "
    "Query String \u25B8 Select.");

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class ErrorPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void pageSaysWhoWhereWhyAndWhatToDo_data();
    void pageSaysWhoWhereWhyAndWhatToDo();
    void failedLookupIsOneNavigationAndBackLeavesIt();
    void pageNamesTheLookupCaption_data();
    void pageNamesTheLookupCaption();
    void pageAfterRefusedLookupNamesNoDictionary();
    void httpErrorShowsProvidersPage();
    void longHostNameWraps();
    void pageFollowsThePalette_data();
    void pageFollowsThePalette();

private:
    // Waits for the program's page and returns its text.
    QString errorPageText();

    LocalHttpServer m_server;
    BrowserWindow m_window{m_server};
};

void ErrorPagesTest::initTestCase()
{
    QVERIFY(m_server.listen());
    LocalHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<!DOCTYPE html><html><body><p>The provider has no such word.</p></body></html>";
    m_server.setResponse("/missing?w=Apple", missing);
}

void ErrorPagesTest::init()
{
    QVERIFY(m_window.start(m_server.url("/words"), m_server.url("/English?w=%word")));
    QVERIFY(m_window.waitForComplete(m_server.url("/words")));
}

void ErrorPagesTest::cleanup()
{
    QVERIFY(m_window.stop());
    m_server.clearRequests();
}

QString ErrorPagesTest::errorPageText()
{
    QString text;
    waitUntil(
        [&] {
            text = m_window.pageText();
            return text.startsWith("The page could not be reached");
        },
        kTimeout);
    return text;
}

void ErrorPagesTest::pageSaysWhoWhereWhyAndWhatToDo_data()
{
    QTest::addColumn<QString>("start"); // "lookup" of Apple, the "home" page or the "website"
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("url"); // that fails
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("advice"); // its first words
    QTest::addColumn<bool>("provider");  // whether it advises another provider
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    QTest::newRow("refused port, a lookup")
        << "lookup"
        << "http://" + refused + "/x?w=%word"
        << "http://" + refused + "/x?w=Apple"
        << "The dictionary English could not reach " + refused +
               ": the server refused the connection (ERR_CONNECTION_REFUSED)."
        << "Nothing answers at port " + refused.section(':', 1) + " of that server" << true;
    QTest::newRow("unknown host, a lookup")
        << "lookup"
        << "http://dictionary.invalid/?w=%word"
        << "http://dictionary.invalid/?w=Apple"
        << "The dictionary English could not reach dictionary.invalid: the host name is unknown "
           "(ERR_NAME_NOT_RESOLVED)."
        << "No server is known by that name." << true;
    QTest::newRow("unsafe port, a lookup")
        << "lookup"
        << "http://127.0.0.1:25/?w=%word"
        << "http://127.0.0.1:25/?w=Apple"
        << "The dictionary English could not reach 127.0.0.1:25: the program does not connect "
           "to that port (ERR_UNSAFE_PORT)."
        << "Port 25 is kept for services other than web pages" << false;
    QTest::newRow("the home page")
        << "home"
        << "http://home.invalid/"
        << "http://home.invalid/"
        << "The page could not reach home.invalid: the host name is unknown "
           "(ERR_NAME_NOT_RESOLVED)."
        << "No server is known by that name." << false;
    QTest::newRow("the program's web site")
        << "website" << QString() << "http://www.lexivo.com/"
        << "The page could not reach www.lexivo.com: the host name is unknown "
           "(ERR_NAME_NOT_RESOLVED)."
        << "No server is known by that name." << false;
}

void ErrorPagesTest::pageSaysWhoWhereWhyAndWhatToDo()
{
    QFETCH(QString, start);
    QFETCH(QString, address);
    QFETCH(QString, url);
    QFETCH(QString, statement);
    QFETCH(QString, advice);
    QFETCH(bool, provider);
    if (start == "lookup")
        m_window.window->options()->field(QueryKey::English)->setText(address);
    if (start == "home")
        QVERIFY(m_window.start(address, QString()));

    if (start == "lookup")
        m_window.lookUp("cmdEn2En", "Apple");
    if (start == "website")
        m_window.window->findChild<QAction*>("mnuWebsite")->trigger();

    QVERIFY(m_window.waitForComplete(url));
    const QString text = errorPageText();
    QVERIFY2(text.contains("\n\n" + statement + "\n\n" + advice), qPrintable(text));
    QCOMPARE(text.contains(kProviderAdvice), provider);
    QCOMPARE(m_window.status(), QString());
    // Reported once, and ended once: the program's page is no navigation.
    QCOMPARE(m_window.before.count(url), 1);
    QCOMPARE(m_window.completed.count(url), 1);
}

void ErrorPagesTest::failedLookupIsOneNavigationAndBackLeavesIt()
{
    const QString url = QStringLiteral("http://127.0.0.1:%1/x?w=Apple").arg(closedPort());
    m_window.window->options()
        ->field(QueryKey::English)
        ->setText(QString(url).replace("Apple", "%word"));
    m_window.lookUp("cmdEn2En", "Apple");
    QVERIFY(m_window.waitForComplete(url));
    QVERIFY(!errorPageText().isEmpty());
    QTest::qWait(500);
    // The failed navigation's own report and end, nothing for the program's page.
    QCOMPARE(m_window.before.mid(1), QStringList{url});
    QCOMPARE(m_window.completed.mid(1), QStringList{url});
    QVERIFY(!m_window.window->dotTimer()->isEnabled());

    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_Left, Qt::AltModifier);

    QVERIFY(m_window.waitForComplete(m_server.url("/words"), 2));
    QCOMPARE(m_window.view()->url().toString(), m_server.url("/words"));
}

void ErrorPagesTest::pageNamesTheLookupCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("opening"); // the page's first words
    QTest::newRow("a dictionary") << "Computer (Chi)"
                                  << "The dictionary Computer (Chi) could not";
    QTest::newRow("no lookup") << ""
                               << "The page could not";
}

// The browser alone, as the seam drives it: the caption names the navigation's dictionary.
void ErrorPagesTest::pageNamesTheLookupCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, opening);
    const QString url = QStringLiteral("http://127.0.0.1:%1/y").arg(closedPort());
    m_window.browser->navigate(url, caption);
    QVERIFY(m_window.waitForComplete(url));
    const QString text = errorPageText();
    QVERIFY2(text.contains("\n" + opening + " reach 127.0.0.1"), qPrintable(text));
}

void ErrorPagesTest::pageAfterRefusedLookupNamesNoDictionary()
{
    m_window.window->options()->field(QueryKey::English)->setText("javascript:%word");
    m_window.lookUp("cmdEn2En", "Apple"); // refused: the browser is not asked
    QVERIFY(m_window.status().startsWith("Cannot open"));
    const QString url = QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort());
    m_window.evaluate("location.href = '" + url + "'");
    QVERIFY(m_window.waitForComplete(url));
    const QString text = errorPageText();
    QVERIFY2(text.contains("\nThe page could not reach 127.0.0.1"), qPrintable(text));
}

void ErrorPagesTest::httpErrorShowsProvidersPage()
{
    m_window.window->options()->field(QueryKey::English)->setText(m_server.url("/missing?w=%word"));
    m_window.lookUp("cmdEn2En", "Apple");
    QVERIFY(m_window.waitForComplete(m_server.url("/missing?w=Apple")));
    QTest::qWait(500);
    QCOMPARE(m_window.pageText().trimmed(), QString("The provider has no such word."));
}

void ErrorPagesTest::longHostNameWraps()
{
    // The longest a host name may be: four labels of 63 letters.
    const QString label(63, u'a');
    const QString host = QStringList{label, label, label, label}.join('.');
    m_window.window->options()->field(QueryKey::English)->setText("http://" + host + "/%word");
    m_window.lookUp("cmdEn2En", "Apple");
    QVERIFY(m_window.waitForComplete("http://" + host + "/Apple"));

    QVERIFY(errorPageText().contains(host));
    QCOMPARE(m_window.evaluate("document.documentElement.scrollWidth <= "
                               "document.documentElement.clientWidth"),
             QVariant(true));
}

void ErrorPagesTest::pageFollowsThePalette_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("colors"); // the page's text and background
    QTest::newRow("light") << false << "rgb(0, 0, 0) on rgb(255, 255, 255)";
    QTest::newRow("dark") << true << "rgb(224, 224, 224) on rgb(32, 32, 32)";
}

void ErrorPagesTest::pageFollowsThePalette()
{
    QFETCH(bool, dark);
    QFETCH(QString, colors);
    // As a dark desktop style gives it.
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    if (dark) {
        QPalette palette = before;
        palette.setColor(QPalette::Base, QColor(32, 32, 32));
        palette.setColor(QPalette::Text, QColor(224, 224, 224));
        QApplication::setPalette(palette);
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    m_window.browser->navigate(url);
    QVERIFY(m_window.waitForComplete(url));
    QVERIFY(!errorPageText().isEmpty());

    QCOMPARE(m_window.evaluate("const style = getComputedStyle(document.documentElement);"
                               "style.color + ' on ' + style.backgroundColor"),
             QVariant(colors));
}

LEXIVO_BROWSER_TEST_MAIN(ErrorPagesTest)
#include "tst_error_pages.moc"
