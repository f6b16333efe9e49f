// The canned templates: defaults and provider choice.
#include "core/canned_templates.h"

#include <QTest>
#include <QUrl>

using namespace canned_templates;

Q_DECLARE_METATYPE(QueryKey)

class DialogsCoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsAreTheFirstProviders();
    void templatesAreWellFormed();
    void selectedTemplate_data();
    void selectedTemplate();
};

void DialogsCoreTest::defaultsAreTheFirstProviders()
{
    const QueryStringSet values = defaults();
    QCOMPARE(values[QueryKey::Home], QStringLiteral("about:blank"));
    for (const QueryKey key : kQueryKeys) {
        if (key == QueryKey::Home)
            continue;
        const std::vector<Provider> offered = providersFor(key);
        QVERIFY(!offered.empty());
        QCOMPARE(offered.front().checkBox, 1);
        QCOMPARE(values[key], templateOf(offered.front()));
    }
}

void DialogsCoreTest::templatesAreWellFormed()
{
    for (const Provider& provider : providers()) {
        const QString text = templateOf(provider);
        QVERIFY2(text.startsWith(QStringLiteral("http://")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("%word")), qPrintable(text));
        QCOMPARE(QUrl(text).host(), QString::fromLatin1(provider.host));
    }
}

void DialogsCoreTest::selectedTemplate_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<std::vector<bool>>("ticked");
    QTest::addColumn<QString>("expected"); // null: the field stays as it was

    const auto tmpl = [](QueryKey key, int box) {
        return templateOf(providersFor(key).at(std::size_t(box - 1)));
    };
    QTest::newRow("none ticked") << QueryKey::Chinese << std::vector<bool>{false, false, false}
                                 << QString();
    QTest::newRow("Hong Kong + OK88 -> OK88")
        << QueryKey::Chinese << std::vector<bool>{true, true, false} << tmpl(QueryKey::Chinese, 2);
    QTest::newRow("all three -> China")
        << QueryKey::Chinese << std::vector<bool>{true, true, true} << tmpl(QueryKey::Chinese, 3);
    QTest::newRow("middle row beats bottom row")
        << QueryKey::Chinese << std::vector<bool>{false, true, true} << tmpl(QueryKey::Chinese, 3);
    QTest::newRow("ChiComputer both -> GB")
        << QueryKey::ChiComputer << std::vector<bool>{true, true} << tmpl(QueryKey::ChiComputer, 2);
    QTest::newRow("English both -> Merriam-Webster")
        << QueryKey::English << std::vector<bool>{true, true} << tmpl(QueryKey::English, 2);
    QTest::newRow("Thesaurus first")
        << QueryKey::Thesaurus << std::vector<bool>{true, false} << tmpl(QueryKey::Thesaurus, 1);
    QTest::newRow("Japanese only box")
        << QueryKey::Japanese << std::vector<bool>{true} << tmpl(QueryKey::Japanese, 1);
    QTest::newRow("Home has none") << QueryKey::Home << std::vector<bool>{true} << QString();

    QVERIFY(tmpl(QueryKey::ChiComputer, 2).contains(QStringLiteral("trad=gb")));
    QCOMPARE(QString::fromLatin1(providersFor(QueryKey::Chinese).at(2).name),
             QStringLiteral("Yahoo Dictionary (China)"));
}

void DialogsCoreTest::selectedTemplate()
{
    QFETCH(QueryKey, key);
    QFETCH(std::vector<bool>, ticked);
    QFETCH(QString, expected);
    const std::optional<QString> chosen = canned_templates::selectedTemplate(key, ticked);
    QCOMPARE(chosen.has_value(), !expected.isNull());
    if (chosen)
        QCOMPARE(*chosen, expected);
}

QTEST_GUILESS_MAIN(DialogsCoreTest)
#include "tst_dialogs_core.moc"
