// The program's error pages in the browser: the page for a site that cannot be reached, with
// advice that fits the cause and the page it failed on, and how the browser knows them.

#include "core/error_page.h"

#include <QTest>

class ErrorPageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shortError_data();
    void shortError();
    void shownHost_data();
    void shownHost();
    void advice_data();
    void advice();
    void pageSaysWhoWhereAndWhy_data();
    void pageSaysWhoWhereAndWhy();
    void pageEscapesEveryValue();
    void pageFollowsTheColoursAndWraps_data();
    void pageFollowsTheColoursAndWraps();
    void errorPagesAreRecognised_data();
    void errorPagesAreRecognised();
};

void ErrorPageTest::shortError_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unknown host") << -105 << "net::ERR_NAME_NOT_RESOLVED"
                                  << "the host name is unknown (ERR_NAME_NOT_RESOLVED)";
    QTest::newRow("refused") << -102 << "ERR_CONNECTION_REFUSED"
                             << "the server refused the connection (ERR_CONNECTION_REFUSED)";
    QTest::newRow("timed out") << -118 << "ERR_CONNECTION_TIMED_OUT"
                               << "the server did not answer in time (ERR_CONNECTION_TIMED_OUT)";
    QTest::newRow("offline") << -106 << "ERR_INTERNET_DISCONNECTED"
                             << "this computer is not connected to a network "
                                "(ERR_INTERNET_DISCONNECTED)";
    QTest::newRow("certificate") << -202 << "ERR_CERT_AUTHORITY_INVALID"
                                 << "the site's security certificate is not valid "
                                    "(ERR_CERT_AUTHORITY_INVALID)";
    QTest::newRow("unsafe port") << -312 << "ERR_UNSAFE_PORT"
                                 << "the program does not connect to that port (ERR_UNSAFE_PORT)";
    QTest::newRow("other") << -999 << ""
                           << "the page could not be loaded (error -999)";
    QTest::newRow("long engine text")
        << -999 << QString(70, 'X')
        << "the page could not be loaded (" + QString(60, 'X') + QChar(0x2026) + ")";
}

void ErrorPageTest::shortError()
{
    QFETCH(int, code);
    QFETCH(QString, engineText);
    QFETCH(QString, expected);
    QCOMPARE(error_page::shortError(code, engineText), expected);
}

void ErrorPageTest::shownHost_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::newRow("no port") << "http://dict.example/q?w=a"
                             << "dict.example";
    QTest::newRow("a port") << "http://dict.example:8080/q"
                            << "dict.example:8080";
    QTest::newRow("the default port written") << "https://dict.example:443/"
                                              << "dict.example:443";
    QTest::newRow("an address") << "http://127.0.0.1:5/x"
                                << "127.0.0.1:5";
    QTest::newRow("no host") << "file:///tmp/x.html"
                             << "the server";
}

void ErrorPageTest::shownHost()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QCOMPARE(error_page::shownHost(QUrl(url)), host);
}

void ErrorPageTest::advice_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("dictionary");
    QTest::addColumn<QString>("advice");
    const QString provider = " If the site has moved or closed, choose another provider: "
                             "Option \u25B8 Online Dictionary Query String \u25B8 Select.";
    const QString unknownHost = "No server is known by that name. Check the address for a typing "
                                "error.";
    const QString lookup = "http://dict.example/q?w=a";
    QTest::newRow("unknown host, a lookup")
        << -105 << lookup << "English" << unknownHost + provider;
    QTest::newRow("unknown host, another page") << -105 << lookup << "" << unknownHost;
    QTest::newRow("unknown host, the program's web site") << -105 << "http://www.lexivo.com/"
                                                          << "English" << unknownHost;
    QTest::newRow("refused port")
        << -102 << "http://dict.example:8080/"
        << "English"
        << "Nothing answers at port 8080 of that server: the service may be stopped, or the "
           "address may name the wrong port. Press F5 to try again later." +
               provider;
    QTest::newRow("refused, the default port")
        << -102 << "https://dict.example/"
        << ""
        << "Nothing answers at port 443 of that server: the service may be stopped, or the "
           "address may name the wrong port. Press F5 to try again later.";
    QTest::newRow("no network, a lookup")
        << -106 << lookup << "English"
        << "Connect this computer to a network, then press F5 to try again.";
    QTest::newRow("names not looked up")
        << -137 << lookup << "English"
        << "Check that this computer is connected to the network, then press F5 to try again.";
    QTest::newRow("certificate")
        << -201 << "https://dict.example/"
        << "Thesaurus"
        << "The program does not show a page whose certificate it cannot trust (expired, made for "
           "another site, or from an unknown authority): what passes could be read or changed on "
           "the way. Check that this computer's date and time are right." +
               provider;
    QTest::newRow("unsafe port, a lookup")
        << -312 << "http://dict.example:25/"
        << "Jananese"
        << "Port 25 is kept for services other than web pages, so the program does not connect "
           "to it. Web pages are served at port 80 (http) or 443 (https). The address comes from "
           "the dictionary's template: correct it, or choose another provider, in Option \u25B8 "
           "Online Dictionary Query String.";
    QTest::newRow("unsafe port, the program's web site")
        << -312 << "http://www.lexivo.com:25/"
        << ""
        << "Port 25 is kept for services other than web pages, so the program does not connect "
           "to it. Web pages are served at port 80 (http) or 443 (https).";
    QTest::newRow("timed out") << -118 << lookup << "English"
                               << "The server may be busy, or the network slow. Press F5 to try "
                                  "again." +
                                      provider;
    QTest::newRow("proxy") << -130 << lookup << "English"
                           << "Check this computer's proxy settings, then press F5 to try again.";
    QTest::newRow("other") << -999 << lookup << ""
                           << "Press F5 to try again.";
}

void ErrorPageTest::advice()
{
    QFETCH(int, code);
    QFETCH(QString, url);
    QFETCH(QString, dictionary);
    QFETCH(QString, advice);
    QCOMPARE(error_page::advice({dictionary, QUrl(url), code, QString()}), advice);
}

void ErrorPageTest::pageSaysWhoWhereAndWhy_data()
{
    QTest::addColumn<QString>("dictionary");
    QTest::addColumn<QString>("paragraph");
    QTest::newRow("a lookup") << "Computer (Eng)"
                              << "<p>The dictionary <b>Computer (Eng)</b> could not reach "
                                 "<b>dict.example:8080</b>: the host name is unknown "
                                 "(ERR_NAME_NOT_RESOLVED).</p>";
    QTest::newRow("another page") << ""
                                  << "<p>The page could not reach <b>dict.example:8080</b>: the "
                                     "host name is unknown (ERR_NAME_NOT_RESOLVED).</p>";
}

void ErrorPageTest::pageSaysWhoWhereAndWhy()
{
    QFETCH(QString, dictionary);
    QFETCH(QString, paragraph);
    const QString page = error_page::unreachableSiteHtml(
        {dictionary, QUrl("http://dict.example:8080/q"), -105, "net::ERR_NAME_NOT_RESOLVED"}, {});
    QVERIFY2(page.contains("<h2>The page could not be reached</h2>" + paragraph), qPrintable(page));
    QVERIFY(page.contains("<p>No server is known by that name."));
}

void ErrorPageTest::pageEscapesEveryValue()
{
    const QString page = error_page::unreachableSiteHtml(
        {"<i>D\"&'", QUrl("http://a.example/"), -999, "<script>alert(1)</script>"},
        {"red;}</style><script>", "#00ff00", true});
    QVERIFY(!page.contains("<i>"));
    QVERIFY(!page.contains("<script>"));
    QVERIFY(page.contains("&lt;i&gt;D&quot;&amp;&#39;"));
    QVERIFY(page.contains("(&lt;script&gt;alert(1)&lt;/script&gt;)"));
    QVERIFY(page.contains("script-src 'none'"));
    QVERIFY(page.contains("color: #000000; background: #00ff00;")); // not a colour: the default
}

void ErrorPageTest::pageFollowsTheColoursAndWraps_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("style");
    QTest::newRow("light") << false
                           << "html { color-scheme: light; color: #101010; "
                              "background: #fafafa; }";
    QTest::newRow("dark") << true
                          << "html { color-scheme: dark; color: #101010; "
                             "background: #fafafa; }";
}

void ErrorPageTest::pageFollowsTheColoursAndWraps()
{
    QFETCH(bool, dark);
    QFETCH(QString, style);
    const error_page::Colors colors{"#101010", "#fafafa", dark};
    for (const QString& page :
         {error_page::unreachableSiteHtml({"", QUrl("http://a.example/"), -105, ""}, colors),
          error_page::rendererEndedHtml(colors)}) {
        QVERIFY2(page.contains(style), qPrintable(page));
        QVERIFY(page.contains("overflow-wrap: anywhere;"));
    }
}

void ErrorPageTest::errorPagesAreRecognised_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("isUnreachableSitePage");
    QTest::addColumn<bool>("isErrorPage");

    const QString errorPageBase64 = QStringLiteral(
        "data:text/html;charset=UTF-8;base64,PGh0bWw+PGhlYWQ+PG1ldGEgbmFtZT0ibGV4aXZvLW5vdGljZSIg"
        "Y29udGVudD0ibG9hZC1mYWlsZWQiPjwvaGVhZD48L2h0bWw+");
    QTest::newRow("error page, base64") << errorPageBase64 << true << true;
    QTest::newRow("error page, percent-encoded")
        << QStringLiteral("data:text/html,%3Chtml%3E%3Chead%3E%3Cmeta%20name%3D%22lexivo-notice"
                          "%22%20content%3D%22load-failed%22%3E%3C/head%3E%3C/html%3E")
        << true << true;
    QTest::newRow("another page of ours")
        << QStringLiteral("data:text/html;base64,PG1ldGEgbmFtZT0ibGV4aXZvLW5vdGljZSIgY29udGVudD0i"
                          "cmVuZGVyZXItZ29uZSI+")
        << false << true;
    QTest::newRow("a page's own data: URL")
        << QStringLiteral("data:text/html,%3Cp%3Ehello%3C/p%3E") << false << false;
    QTest::newRow("marker in a web address")
        << QStringLiteral("http://127.0.0.1/?q=%3Cmeta%20name%3D%22lexivo-notice%22%20content%3D"
                          "%22load-failed%22%3E")
        << false << false;
    QTest::newRow("data: URL without a comma")
        << QStringLiteral("data:text/html") << false << false;
}

void ErrorPageTest::errorPagesAreRecognised()
{
    QFETCH(QString, url);
    QFETCH(bool, isUnreachableSitePage);
    QFETCH(bool, isErrorPage);
    QCOMPARE(error_page::isUnreachableSitePage(QUrl(url)), isUnreachableSitePage);
    QCOMPARE(error_page::isErrorPage(QUrl(url)), isErrorPage);
}

QTEST_APPLESS_MAIN(ErrorPageTest)
#include "tst_error_page.moc"
