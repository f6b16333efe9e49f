// The browser's own rules: zoom steps, which selection is offered for a lookup, and the page
// shown when a page cannot be reached.

#include "core/browser_rules.h"
#include "core/query_string_set.h"

#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

class BrowserRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoomIn_data();
    void zoomIn();
    void zoomOut_data();
    void zoomOut();
    void zoomPressedManyTimesStaysInRange();
    void lookupText_data();
    void lookupText();
    void menuCaptionKeepsAmpersands();
    void lookupCaption_data();
    void lookupCaption();
    void dictionariesInButtonOrder();
    void pdfName_data();
    void pdfName();
    void unusedName_data();
    void unusedName();
    void shortError_data();
    void shortError();
    void errorPageEscapesEveryValue();
    void errorPageNamesDictionaryHostAndRemedy();
    void errorPageWithoutDictionary();
    void ownPagesAreRecognised_data();
    void ownPagesAreRecognised();
};

void BrowserRulesTest::zoomIn_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("100") << 100 << 110;
    QTest::newRow("110") << 110 << 125;
    QTest::newRow("25") << 25 << 33;
    QTest::newRow("33") << 33 << 50;
    QTest::newRow("400") << 400 << 500;
    QTest::newRow("500 stays") << 500 << 500;
    QTest::newRow("between 100 and 110") << 105 << 110;
    QTest::newRow("below the range") << 10 << 25;
    QTest::newRow("above the range") << 900 << 500;
}

void BrowserRulesTest::zoomIn()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QCOMPARE(zoom_steps::zoomIn(from), to);
}

void BrowserRulesTest::zoomOut_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("100") << 100 << 90;
    QTest::newRow("90") << 90 << 80;
    QTest::newRow("80") << 80 << 75;
    QTest::newRow("67") << 67 << 50;
    QTest::newRow("33") << 33 << 25;
    QTest::newRow("25 stays") << 25 << 25;
    QTest::newRow("between 100 and 110") << 105 << 100;
    QTest::newRow("above the range") << 900 << 500;
    QTest::newRow("below the range") << 10 << 25;
}

void BrowserRulesTest::zoomOut()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QCOMPARE(zoom_steps::zoomOut(from), to);
}

void BrowserRulesTest::zoomPressedManyTimesStaysInRange()
{
    int percent = 100;
    for (int i = 0; i < 100; ++i)
        percent = zoom_steps::zoomIn(percent);
    QCOMPARE(percent, 500);
    for (int i = 0; i < 100; ++i)
        percent = zoom_steps::zoomOut(percent);
    QCOMPARE(percent, 25);
}

void BrowserRulesTest::lookupText_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("text");
    QTest::newRow("word") << "apple" << true << "apple";
    QTest::newRow("trimmed") << "  apple pie\t" << true << "apple pie";
    QTest::newRow("trailing line break") << "apple\n" << true << "apple";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("white space only") << " \t " << false << "";
    QTest::newRow("two lines") << "apple\npie" << false << "";
    QTest::newRow("carriage return") << "apple\r pie" << false << "";
    QTest::newRow("paragraph separator") << QString("apple") + QChar(0x2029) + "pie" << false << "";
    QTest::newRow("100 characters") << QString(100, 'a') << true << QString(100, 'a');
    QTest::newRow("101 characters") << QString(101, 'a') << false << "";
    QTest::newRow("100 after trimming")
        << " " + QString(100, 'a') + " " << true << QString(100, 'a');
    QTest::newRow("markup kept") << "<b>&amp;" << true << "<b>&amp;";
}

void BrowserRulesTest::lookupText()
{
    QFETCH(QString, selection);
    QFETCH(bool, offered);
    QFETCH(QString, text);
    const std::optional<QString> result = selection_lookup::lookupText(selection);
    QCOMPARE(result.has_value(), offered);
    if (offered)
        QCOMPARE(*result, text);
}

void BrowserRulesTest::menuCaptionKeepsAmpersands()
{
    QCOMPARE(selection_lookup::menuCaption("apple"), QString("Look up \"apple\""));
    QCOMPARE(selection_lookup::menuCaption("R&D"), QString("Look up \"R&&D\""));
}

void BrowserRulesTest::lookupCaption_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Home") << QueryKey::Home << QString();
    QTest::newRow("Chinese") << QueryKey::Chinese << "Chinese";
    QTest::newRow("English") << QueryKey::English << "English";
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus << "Thesaurus";
    QTest::newRow("Japanese") << QueryKey::Japanese << "Jananese";
    QTest::newRow("ChiComputer") << QueryKey::ChiComputer << "Computer (Chi)";
    QTest::newRow("EngComputer") << QueryKey::EngComputer << "Computer (Eng)";
}

void BrowserRulesTest::lookupCaption()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, caption);
    QCOMPARE(::lookupCaption(key), caption);
}

// The context menu offers them in this order, the buttons' order.
void BrowserRulesTest::dictionariesInButtonOrder()
{
    QStringList captions;
    for (const LookupDictionary& dictionary : kLookupDictionaries)
        captions << QString::fromLatin1(dictionary.caption);
    QCOMPARE(captions, QStringList({"Chinese", "English", "Thesaurus", "Jananese", "Computer (Chi)",
                                    "Computer (Eng)"}));
    QCOMPARE(kLookupDictionaries.front().key, QueryKey::Chinese);
    QCOMPARE(kLookupDictionaries.back().key, QueryKey::EngComputer);
}

void BrowserRulesTest::pdfName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Apple - English"
                           << "Apple - English.pdf";
    QTest::newRow("no title") << ""
                              << "page.pdf";
    QTest::newRow("blanks only") << " \t "
                                 << "page.pdf";
    QTest::newRow("refused characters") << "a/b\\c:d*e?f\"g<h>i|j"
                                        << "a_b_c_d_e_f_g_h_i_j.pdf";
    QTest::newRow("control characters") << QString("a\x01"
                                                   "b\x7f")
                                        << "a_b_.pdf";
    QTest::newRow("white space") << "  Apple \n\t pie  "
                                 << "Apple pie.pdf";
    QTest::newRow("dots at the ends") << "..hidden."
                                      << "hidden.pdf";
    QTest::newRow("not Latin") << QString::fromUtf8("日語 – 𠮷")
                               << QString::fromUtf8("日語 – 𠮷.pdf");
    QTest::newRow("device name") << "nul"
                                 << "nul_.pdf";
    QTest::newRow("device name with a suffix") << "COM1.txt"
                                               << "COM1.txt_.pdf";
    QTest::newRow("a longer name") << "CONSOLE"
                                   << "CONSOLE.pdf";
    QTest::newRow("long") << QString(150, u'x') << QString(100, u'x') + ".pdf";
    QTest::newRow("long, cut before a space")
        << QString(99, u'x') + "  y" << QString(99, u'x') + ".pdf";
    QTest::newRow("long, a pair not split")
        << QString(99, u'x') + QString::fromUtf8("𠮷") << QString(99, u'x') + ".pdf";
}

void BrowserRulesTest::pdfName()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(print_file::pdfName(title), name);
}

void BrowserRulesTest::unusedName_data()
{
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("name");
    QTest::newRow("free") << QStringList() << "Apple.pdf";
    QTest::newRow("taken") << QStringList{"Apple.pdf"} << "Apple (2).pdf";
    QTest::newRow("taken twice") << QStringList{"Apple.pdf", "Apple (2).pdf"} << "Apple (3).pdf";
}

void BrowserRulesTest::unusedName()
{
    QFETCH(QStringList, taken);
    QFETCH(QString, name);
    QCOMPARE(
        print_file::unusedName("Apple.pdf", [&](const QString& n) { return taken.contains(n); }),
        name);
}

void BrowserRulesTest::shortError_data()
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

void BrowserRulesTest::shortError()
{
    QFETCH(int, code);
    QFETCH(QString, engineText);
    QFETCH(QString, expected);
    QCOMPARE(error_page::shortError(code, engineText), expected);
}

void BrowserRulesTest::errorPageEscapesEveryValue()
{
    const QString page = error_page::html("<i>D\"&'", "<h>", "<script>alert(1)</script>");
    QVERIFY(!page.contains("<i>"));
    QVERIFY(!page.contains("<h>"));
    QVERIFY(!page.contains("<script>"));
    QVERIFY(page.contains("&lt;i&gt;D&quot;&amp;&#39;"));
    QVERIFY(page.contains("&lt;script&gt;alert(1)&lt;/script&gt;"));
    QVERIFY(page.contains("script-src 'none'"));
}

void BrowserRulesTest::errorPageNamesDictionaryHostAndRemedy()
{
    const QString page = error_page::html("Computer (Eng)", "dict.example",
                                          "the host name is unknown (ERR_NAME_NOT_RESOLVED)");
    QVERIFY(page.contains("<p>The dictionary <b>Computer (Eng)</b> could not reach "
                          "<b>dict.example</b>: the host name is unknown "
                          "(ERR_NAME_NOT_RESOLVED).</p>"));
    QVERIFY(page.contains("<b>Option</b> &#9656; <b>Online Dictionary Query String</b> &#9656; "
                          "<b>Select</b>"));
    QVERIFY(page.contains("<meta name=\"lexivo-notice\" content=\"load-failed\">"));
}

void BrowserRulesTest::errorPageWithoutDictionary()
{
    const QString page = error_page::html("", "home.example", "x");
    QVERIFY(page.contains("<p>The page could not reach <b>home.example</b>: x.</p>"));
    QVERIFY(!page.contains("dictionary <b>"));
}

void BrowserRulesTest::ownPagesAreRecognised_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("isErrorPage");
    QTest::addColumn<bool>("isAnyOwnPage");

    const QString errorPageBase64 = QStringLiteral(
        "data:text/html;charset=UTF-8;base64,PGh0bWw+PGhlYWQ+PG1ldGEgbmFtZT0ibGV4aXZvLW5vdGljZSIg"
        "Y29udGVudD0ibG9hZC1mYWlsZWQiPjwvaGVhZD48L2h0bWw+");
    QTest::newRow("error page, base64") << errorPageBase64 << true << true;
    QTest::newRow("error page, percent-encoded")
        << QStringLiteral("data:text/html,%3Chtml%3E%3Chead%3E%3Cmeta%20name%3D%22lexivo-notice"
                          "%22%20content%3D%22load-failed%22%3E%3C/head%3E%3C/html%3E")
        << true << true;
    QTest::newRow("another notice of ours")
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

void BrowserRulesTest::ownPagesAreRecognised()
{
    QFETCH(QString, url);
    QFETCH(bool, isErrorPage);
    QFETCH(bool, isAnyOwnPage);
    QCOMPARE(error_page::isOwnPage(QUrl(url), error_page::kMarker), isErrorPage);
    QCOMPARE(error_page::isOwnPage(QUrl(url), error_page::kMarkerPrefix), isAnyOwnPage);
}

QTEST_APPLESS_MAIN(BrowserRulesTest)
#include "tst_browser_rules.moc"
