// The settings text: the exact bytes of a save, the tag reader, and the escapes of values that
// hold the file's own tags.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"

#include <QTest>

using namespace settings_file;

class SettingsFormatTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buildsDefaultsByteForByte();
    void readsEachValueByItsTags_data();
    void readsEachValueByItsTags();
    void escapesOnlyValuesHoldingTags_data();
    void escapesOnlyValuesHoldingTags();
    void filesOfTheOldWriterReadAsBefore_data();
    void filesOfTheOldWriterReadAsBefore();
};

void SettingsFormatTest::buildsDefaultsByteForByte()
{
    const QByteArray expected =
        "<?xml version=\"1.0\"?>\r\n"
        "<LexivoDictionaryII>\r\n"
        "    <Type>Option</Type>\r\n"
        "    <Home>about:blank</Home>\r\n"
        "    <Chinese>http://hk.dictionary.yahoo.com/dict?s=%word</Chinese>\r\n"
        "    <English>http://encarta.msn.com/dictionary_/%word.html</English>\r\n"
        "    <Thesaurus>http://thesaurus.com/search?q=%word</Thesaurus>\r\n"
        "    <Japanese>http://www.freedict.com/english/japanese/?word=%word</Japanese>\r\n"
        "    <ChiComputer>http://www.hkcs.org.hk/search.cgi?query=%word&trad=b5&text=Text&st=1"
        "&dbname=hk&db=none&.submit=Search</ChiComputer>\r\n"
        "    <EngComputer>http://foldoc.org/foldoc/foldoc.cgi?query=%word&action=Search"
        "</EngComputer>\r\n"
        "</LexivoDictionaryII>";
    QCOMPARE(encodeFileText(buildSettingsText(canned_templates::defaults())), expected);
}

// The tag reader, applied to the seven keys of one text: each value is found by its own tags
// alone, whatever else the text holds.
void SettingsFormatTest::readsEachValueByItsTags_data()
{
    QTest::addColumn<QString>("text");
    // Home, Chinese, English, Thesaurus, Japanese, ChiComputer, EngComputer.
    QTest::addColumn<QStringList>("values");
    QTest::newRow("nested same tag")
        << "<Home><Home>x</Home></Home>" << QStringList{"<Home>x", "", "", "", "", "", ""};
    QTest::newRow("another element nested")
        << "<Chinese>a<English>b</English>c</Chinese>"
        << QStringList{"", "a<English>b</English>c", "b", "", "", "", ""};
    QTest::newRow("duplicated element: the first wins")
        << "<Home>1</Home>\r\n<Home>2</Home>" << QStringList{"1", "", "", "", "", "", ""};
    QTest::newRow("duplicated opening tag")
        << "<Home>1<Home>2</Home>" << QStringList{"1<Home>2", "", "", "", "", "", ""};
    QTest::newRow("closing tag only") << "</Home>" << QStringList(7, QString());
    QTest::newRow("closing tag before the opening one")
        << "</Home>x<Home>y" << QStringList(7, QString());
    QTest::newRow("closing tags before and after")
        << "</Home>x<Home>y</Home>" << QStringList{"y", "", "", "", "", "", ""};
    QTest::newRow("tags in odd case")
        << "<hOmE>h</HoMe><CHINESE>c</chinese><thesaurus>t</THESAURUS><Engcomputer>e</ENGcomputer>"
        << QStringList{"h", "c", "", "t", "", "", "e"};
    QTest::newRow("closing tag of another key")
        << "<Home>x</Chinese><Chinese>c" << QStringList(7, QString());
    QTest::newRow("tag with a space or an attribute")
        << "<Home >x</Home><English lang=\"en\">e</English>" << QStringList(7, QString());
    QTest::newRow("line ends inside values kept")
        << "<Home>a\r\nb\n\rc\r</Home>" << QStringList{"a\r\nb\n\rc\r", "", "", "", "", "", ""};
    QTest::newRow("markup verbatim") << "<English>&lt;&amp;<b>\"'</English>"
                                     << QStringList{"", "", "&lt;&amp;<b>\"'", "", "", "", ""};
    QTest::newRow("spaces kept") << "<Home> x </Home>"
                                 << QStringList{" x ", "", "", "", "", "", ""};
    QTest::newRow("empty element") << "<Home></Home>" << QStringList(7, QString());
    QTest::newRow("empty text") << "" << QStringList(7, QString());
    QTest::newRow("an unclosed element leaves the others")
        << "<Japanese>x<English>e</English>" << QStringList{"", "", "e", "", "", "", ""};
}

void SettingsFormatTest::readsEachValueByItsTags()
{
    QFETCH(QString, text);
    QFETCH(QStringList, values);
    const QueryStringSet read = parseSettingsText(text);
    QStringList actual;
    for (const QueryKey key : kQueryKeys)
        actual << read[key];
    QCOMPARE(actual, values);
}

void SettingsFormatTest::escapesOnlyValuesHoldingTags_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QByteArray>("typeLine");
    QTest::addColumn<QByteArray>("homeLine");

    QTest::newRow("no tag: verbatim, as always")
        << "a<b>&lt;c</Hom>" << QByteArray("    <Type>Option</Type>\r\n")
        << QByteArray("    <Home>a<b>&lt;c</Hom></Home>\r\n");
    QTest::newRow("Type tag is not read: verbatim")
        << "<Type>x</Type>" << QByteArray("    <Type>Option</Type>\r\n")
        << QByteArray("    <Home><Type>x</Type></Home>\r\n");
    QTest::newRow("another key's tag")
        << "http://x/?q=<english>" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>http://x/?q=&lt;english></Home>\r\n");
    QTest::newRow("own closing tag")
        << "a</HOME>b" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>a&lt;/HOME>b</Home>\r\n");
    QTest::newRow("escape-like text beside a tag")
        << "<English>&lt;&amp;lt;&amp;&lt" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>&lt;English>&amp;lt;&amp;amp;lt;&amp;&lt</Home>\r\n");
    QTest::newRow("only the '<' that starts a tag")
        << "<<Home>>" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home><&lt;Home>></Home>\r\n");
}

void SettingsFormatTest::escapesOnlyValuesHoldingTags()
{
    QFETCH(QString, home);
    QFETCH(QByteArray, typeLine);
    QFETCH(QByteArray, homeLine);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Home] = home;
    const QByteArray bytes = encodeFileText(buildSettingsText(values));
    QVERIFY2(bytes.contains(typeLine), bytes.constData());
    QVERIFY2(bytes.contains(homeLine), bytes.constData());
    // The other values are as always.
    QVERIFY(
        bytes.endsWith("    <EngComputer>http://foldoc.org/foldoc/foldoc.cgi?query=%word&action="
                       "Search</EngComputer>\r\n</LexivoDictionaryII>"));
    QCOMPARE(parseSettingsText(decodeFileText(bytes)), values);
}

void SettingsFormatTest::filesOfTheOldWriterReadAsBefore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("english");

    const QByteArray head = "<?xml version=\"1.0\"?>\r\n<LexivoDictionaryII>\r\n";
    QTest::newRow("a tag inside a value reads as it always did")
        << head + "    <Type>Option</Type>\r\n    <Home>q=<english></Home>\r\n"
                  "    <English>e</English>\r\n</LexivoDictionaryII>"
        << "q=<english>"
        << "</Home>\r\n    <English>e";
    QTest::newRow("escape-like text stays")
        << head + "    <Type>Option</Type>\r\n    <Home>&lt;b&amp;lt;</Home>\r\n"
        << "&lt;b&amp;lt;"
        << "";
    QTest::newRow("a marker that is not the first Type element")
        << head + "    <Type>Option</Type>\r\n    <Home>&lt;x</Home><Type>Option+escaped</Type>"
        << "&lt;x"
        << "";
    QTest::newRow("a marker in other letters is not the marker")
        << QByteArray("<Type>option+ESCAPED</Type><Home>&lt;x</Home>") << "&lt;x"
        << "";
    QTest::newRow("the marker: escapes undone")
        << QByteArray("<type>Option+escaped</TYPE><Home>&lt;x&amp;lt;&amp;</Home>"
                      "<English>&lt;/home></English>")
        << "<x&lt;&amp;"
        << "</home>";
}

void SettingsFormatTest::filesOfTheOldWriterReadAsBefore()
{
    QFETCH(QByteArray, bytes);
    const QueryStringSet values = parseSettingsText(decodeFileText(bytes));
    QTEST(values[QueryKey::Home], "home");
    QTEST(values[QueryKey::English], "english");
}

QTEST_GUILESS_MAIN(SettingsFormatTest)
#include "tst_settings_format.moc"
