// The canned templates: defaults and provider choice.
#include "core/canned_templates.h"

#include <QTest>
#include <QUrl>

using namespace canned_templates;

Q_DECLARE_METATYPE(QueryKey)

class CannedTemplatesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsAreTheFirstProviders_data();
    void defaultsAreTheFirstProviders();
    void templatesAreWellFormed();
    void selectedTemplate_data();
    void selectedTemplate();
};

void CannedTemplatesTest::defaultsAreTheFirstProviders_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Home") << QueryKey::Home << "about:blank";
    QTest::newRow("Chinese: Yahoo (Hong Kong)")
        << QueryKey::Chinese << "http://hk.dictionary.yahoo.com/dict?s=%word";
    QTest::newRow("English: Encarta")
        << QueryKey::English << "http://encarta.msn.com/dictionary_/%word.html";
    QTest::newRow("Thesaurus: Thesaurus.com")
        << QueryKey::Thesaurus << "http://thesaurus.com/search?q=%word";
    QTest::newRow("Japanese: freedict")
        << QueryKey::Japanese << "http://www.freedict.com/english/japanese/?word=%word";
    QTest::newRow("ChiComputer: HKCS Big-5")
        << QueryKey::ChiComputer
        << "http://www.hkcs.org.hk/"
           "search.cgi?query=%word&trad=b5&text=Text&st=1&dbname=hk&db=none&.submit=Search";
    QTest::newRow("EngComputer: FOLDOC")
        << QueryKey::EngComputer << "http://foldoc.org/foldoc/foldoc.cgi?query=%word&action=Search";
}

void CannedTemplatesTest::defaultsAreTheFirstProviders()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, expected);
    QCOMPARE(defaults()[key], expected);
}

void CannedTemplatesTest::templatesAreWellFormed()
{
    for (const Provider& provider : providers()) {
        const QString text = templateOf(provider);
        QVERIFY2(text.startsWith(QStringLiteral("http://")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("%word")), qPrintable(text));
        QCOMPARE(QUrl(text).host(), QString::fromLatin1(provider.host));
    }
}

void CannedTemplatesTest::selectedTemplate_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<std::vector<bool>>("ticked");
    QTest::addColumn<QString>("expected"); // null: the field stays as it was

    QTest::newRow("none ticked") << QueryKey::Chinese << std::vector<bool>{false, false, false}
                                 << QString();
    QTest::newRow("Hong Kong + OK88 -> OK88")
        << QueryKey::Chinese << std::vector<bool>{true, true, false}
        << "http://www.ok88.com/cgi-bin/ecdict.cgi?english=%word";
    QTest::newRow("all three -> China")
        << QueryKey::Chinese << std::vector<bool>{true, true, true}
        << "http://cn.dictionary.yahoo.com/dictionary/result/%firstchar/%word.html";
    QTest::newRow("middle row beats bottom row")
        << QueryKey::Chinese << std::vector<bool>{false, true, true}
        << "http://cn.dictionary.yahoo.com/dictionary/result/%firstchar/%word.html";
    QTest::newRow("ChiComputer both -> GB")
        << QueryKey::ChiComputer << std::vector<bool>{true, true}
        << "http://www.hkcs.org.hk/"
           "search.cgi?query=%word&trad=gb&text=Text&st=1&dbname=hk&db=none&.submit=Search";
    QTest::newRow("English both -> Merriam-Webster")
        << QueryKey::English << std::vector<bool>{true, true}
        << "http://www.m-w.com/cgi-bin/dictionary?book=Dictionary&va=%word&x=14&y=15";
    QTest::newRow("Thesaurus first") << QueryKey::Thesaurus << std::vector<bool>{true, false}
                                     << "http://thesaurus.com/search?q=%word";
    QTest::newRow("Japanese only box") << QueryKey::Japanese << std::vector<bool>{true}
                                       << "http://www.freedict.com/english/japanese/?word=%word";
    QTest::newRow("Thesaurus second -> Merriam-Webster")
        << QueryKey::Thesaurus << std::vector<bool>{false, true}
        << "http://www.m-w.com/cgi-bin/thesaurus?book=Thesaurus&va=%word&x=16&y=17";
    QTest::newRow("Home has none") << QueryKey::Home << std::vector<bool>{true} << QString();
}

void CannedTemplatesTest::selectedTemplate()
{
    QFETCH(QueryKey, key);
    QFETCH(std::vector<bool>, ticked);
    QFETCH(QString, expected);
    const std::optional<QString> chosen = canned_templates::selectedTemplate(key, ticked);
    QCOMPARE(chosen.has_value(), !expected.isNull());
    if (chosen)
        QCOMPARE(*chosen, expected);
}

QTEST_GUILESS_MAIN(CannedTemplatesTest)
#include "tst_canned_templates.moc"
