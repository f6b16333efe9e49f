// The servers a lookup goes to, known from its template before the word is typed.

#include "core/lookup_origins.h"

#include <QTest>

class LookupOriginsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void originOfTemplate_data();
    void originOfTemplate();
    void originsOfTheSixLookupsEachOnce();
};

void LookupOriginsTest::originOfTemplate_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("origin"); // empty: none

    QTest::newRow("word in the query") << "http://dict.test/q?w=%word"
                                       << "http://dict.test";
    QTest::newRow("both placeholders in the path, spaces around")
        << "  https://dict.test/%firstchar/%word.html "
        << "https://dict.test";
    QTest::newRow("own port") << "http://dict.test:8080/q?w=%word"
                              << "http://dict.test:8080";
    QTest::newRow("the scheme's own port") << "http://dict.test:80/q?w=%word"
                                           << "http://dict.test";
    QTest::newRow("https's own port") << "https://dict.test:443/%word"
                                      << "https://dict.test";
    QTest::newRow("no scheme: a web address") << "dict.test/q?w=%word"
                                              << "http://dict.test";
    QTest::newRow("host in capitals") << "HTTP://Dict.TEST/Q?w=%word"
                                      << "http://dict.test";
    QTest::newRow("local server") << "http://127.0.0.1:8000/en/%firstchar/%word.html"
                                  << "http://127.0.0.1:8000";
    QTest::newRow("IPv6 host") << "http://[::1]:8080/%word"
                               << "http://[::1]:8080";
    QTest::newRow("placeholder in capitals is text") << "http://dict.test/%WORD"
                                                     << "http://dict.test";
    QTest::newRow("no placeholder") << "http://dict.test/today"
                                    << "http://dict.test";
    QTest::newRow("word in the user name") << "http://%word@dict.test/x"
                                           << "http://dict.test";
    QTest::newRow("word in the host") << "http://%word.dict.test/"
                                      << "";
    QTest::newRow("first character in the host") << "http://dict-%firstchar.test/%word"
                                                 << "";
    QTest::newRow("word as the port") << "http://dict.test:%word/"
                                      << "";
    QTest::newRow("the word is the address") << "%word"
                                             << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("about page") << "about:blank"
                                << "";
    QTest::newRow("local file") << "file:///usr/share/dict/%word"
                                << "";
    QTest::newRow("refused scheme") << "mailto:%word@dict.test"
                                    << "";
}

void LookupOriginsTest::originOfTemplate()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, origin);
    QCOMPARE(lookup_origins::originOf(urlTemplate).toString(), origin);
}

void LookupOriginsTest::originsOfTheSixLookupsEachOnce()
{
    QueryStringSet values;
    values[QueryKey::Home] = QStringLiteral("http://home.test/");
    values[QueryKey::Chinese] = QStringLiteral("http://a.test/%word");
    values[QueryKey::English] = QStringLiteral("http://b.test/e/%word");
    values[QueryKey::Thesaurus] = QStringLiteral("http://a.test/t?q=%word");
    values[QueryKey::Japanese] = QStringLiteral("http://%word.c.test/");
    values[QueryKey::ChiComputer] = QString();
    values[QueryKey::EngComputer] = QStringLiteral("https://a.test/%word");
    QCOMPARE(
        lookup_origins::ofLookups(values),
        QList<QUrl>({QUrl(QStringLiteral("http://a.test")), QUrl(QStringLiteral("http://b.test")),
                     QUrl(QStringLiteral("https://a.test"))}));
}

QTEST_GUILESS_MAIN(LookupOriginsTest)
#include "tst_lookup_origins.moc"
