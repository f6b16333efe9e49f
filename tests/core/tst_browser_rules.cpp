// The browser's own rules: zoom steps, which selection is offered for a lookup, and the name of
// a printed page's file.

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

QTEST_APPLESS_MAIN(BrowserRulesTest)
#include "tst_browser_rules.moc"
