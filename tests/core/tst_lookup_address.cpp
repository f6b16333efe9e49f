// From a word and a template to the address the browser is given, and which addresses it is
// given at all: the template's placeholders, the address rule for typed addresses and for a
// page's own navigations, and the status text of a refusal.
#include "core/address_rule.h"
#include "core/url_template.h"

#include <QTest>

Q_DECLARE_METATYPE(address_rule::Verdict::Kind)

class LookupAddressTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookupAddress_data();
    void lookupAddress();
    void expandReplacesFirstCharBeforeWord();

    void addressesAreTakenAsTyped_data();
    void addressesAreTakenAsTyped();
    void pageNavigationsStayInTheBrowser_data();
    void pageNavigationsStayInTheBrowser();
    void refusalTexts_data();
    void refusalTexts();
};

void LookupAddressTest::lookupAddress_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("address"); // null: no lookup at all

    const QString t = QStringLiteral("http://h/q?w=%word");
    QTest::newRow("spaces around the word") << "  Apple  " << t << "http://h/q?w=Apple";
    QTest::newRow("first char is not a space") << "  apple"
                                               << "http://h/%firstchar/%word"
                                               << "http://h/a/apple";
    QTest::newRow("capitals stay") << "Apple"
                                   << "http://h/%firstchar/%word"
                                   << "http://h/A/Apple";
    QTest::newRow("inner space kept") << "ice cream" << t << "http://h/q?w=ice cream";
    QTest::newRow("tabs are not trimmed") << "\tx\t" << t << "http://h/q?w=\tx\t";
    QTest::newRow("empty word") << "" << t << QString();
    QTest::newRow("spaces only") << "    " << t << QString();
    QTest::newRow("word twice") << "go"
                                << "http://h/%word/%word"
                                << "http://h/go/go";
    QTest::newRow("placeholder in capitals is text") << "go"
                                                     << "http://h/%WORD/%Word"
                                                     << "http://h/%WORD/%Word";
    QTest::newRow("template trimmed") << "go"
                                      << "  http://h/%word  "
                                      << "http://h/go";
    QTest::newRow("empty template") << "go"
                                    << ""
                                    << "";
    QTest::newRow("no placeholders") << "go"
                                     << "http://h/fixed"
                                     << "http://h/fixed";
    QTest::newRow("stray percent kept") << "go"
                                        << "http://h/100%/%word%"
                                        << "http://h/100%/go%";
    QTest::newRow("non-ASCII as typed") << "日本"
                                        << "http://h/%firstchar/%word"
                                        << "http://h/日/日本";
    // %firstchar is the first code point, also outside the BMP (a surrogate pair).
    QTest::newRow("first char outside the BMP") << "𠮷野家"
                                                << "http://h/%firstchar/%word"
                                                << "http://h/𠮷/𠮷野家";
    QTest::newRow("emoji first") << "😀smile"
                                 << "http://h/%firstchar"
                                 << "http://h/😀";
    QTest::newRow("emoji alone") << " 😀 "
                                 << "http://h/%firstchar/%word"
                                 << "http://h/😀/😀";
    QTest::newRow("combining mark is its own code point") << "e\u0301t\u00e9"
                                                          << "http://h/%firstchar"
                                                          << "http://h/e";
    QTest::newRow("lone high surrogate kept")
        << QString(QChar(0xD842)) + "x"
        << "http://h/%firstchar" << QString("http://h/") + QChar(0xD842);
    // Characters that carry URL syntax are encoded so the provider gets the word as typed.
    QTest::newRow("AT&T") << "AT&T" << t << "http://h/q?w=AT%26T";
    QTest::newRow("C#") << "C#" << t << "http://h/q?w=C%23";
    QTest::newRow("C++") << "C++" << t << "http://h/q?w=C%2B%2B";
    QTest::newRow("all nine") << "%&#+?/\\=;" << t << "http://h/q?w=%25%26%23%2B%3F%2F%5C%3D%3B";
    QTest::newRow("encoded first char") << "#1"
                                        << "http://h/%firstchar"
                                        << "http://h/%23";
    QTest::newRow("other punctuation as typed") << "don't-stop!" << t << "http://h/q?w=don't-stop!";
    QTest::newRow("template text never encoded") << "a"
                                                 << "http://h/?x=1&y=%word#f"
                                                 << "http://h/?x=1&y=a#f";
    // Inserted text is not scanned again.
    QTest::newRow("word holding a placeholder") << "x%wordy"
                                                << "http://h/%word"
                                                << "http://h/x%25wordy";
    QTest::newRow("percent first char, then word") << "%ab"
                                                   << "http://h/%firstcharword"
                                                   << "http://h/%25word";
}

void LookupAddressTest::lookupAddress()
{
    QFETCH(QString, word);
    QFETCH(QString, urlTemplate);
    QFETCH(QString, address);
    const std::optional<QString> result = url_template::lookupAddress(word, urlTemplate);
    QCOMPARE(result.has_value(), !address.isNull());
    if (result)
        QCOMPARE(*result, address);
}

void LookupAddressTest::expandReplacesFirstCharBeforeWord()
{
    // Text produced by the first replacement takes part in the second one.
    QCOMPARE(url_template::expand(QStringLiteral("%%firstcharord"), QStringLiteral("w"),
                                  QStringLiteral("whole")),
             QStringLiteral("whole"));
}

void LookupAddressTest::addressesAreTakenAsTyped_data()
{
    using V = address_rule::Verdict;
    QTest::addColumn<QString>("address");
    QTest::addColumn<V::Kind>("kind");
    QTest::addColumn<QString>("url");    // Open: the address loaded, fully encoded
    QTest::addColumn<QString>("scheme"); // RefusedScheme: the scheme refused

    QTest::newRow("empty") << "" << V::Empty << ""
                           << "";
    QTest::newRow("blanks only") << "  \t " << V::Empty << ""
                                 << "";
    QTest::newRow("about:blank") << "about:blank" << V::Open << "about:blank"
                                 << "";
    QTest::newRow("http") << "http://dict.test/q?w=Apple" << V::Open << "http://dict.test/q?w=Apple"
                          << "";
    QTest::newRow("https, capitals") << "HTTPS://Dict.Test/x" << V::Open << "https://dict.test/x"
                                     << "";
    QTest::newRow("space in query")
        << "http://dict.test/q?w=ice cream" << V::Open << "http://dict.test/q?w=ice%20cream"
        << "";
    QTest::newRow("file") << "file:///tmp/page.html" << V::Open << "file:///tmp/page.html"
                          << "";
    QTest::newRow("no scheme") << "dict.test/q?w=Apple" << V::Open << "http://dict.test/q?w=Apple"
                               << "";
    QTest::newRow("surrounding blanks") << " x.org " << V::Open << "http://x.org"
                                        << "";
    QTest::newRow("host and port") << "localhost:8080/x" << V::Open << "http://localhost:8080/x"
                                   << "";
    QTest::newRow("address and port") << "127.0.0.1:8080" << V::Open << "http://127.0.0.1:8080"
                                      << "";
    QTest::newRow("underscore in host")
        << "http://my_host.test/" << V::Open << "http://my_host.test/"
        << "";
    QTest::newRow("IPv6 host") << "http://[::1]:8080/x" << V::Open << "http://[::1]:8080/x"
                               << "";
    QTest::newRow("odd characters") << "http://dict.test/a|b{c}?w=<\"x\">^`" << V::Open
                                    << "http://dict.test/a%7Cb%7Bc%7D?w=%3C%22x%22%3E%5E%60"
                                    << "";
    QTest::newRow("international host")
        << "http://b\u00fccher.test/" << V::Open << "http://xn--bcher-kva.test/"
        << "";
    QTest::newRow("colons, no file") << "::Apple" << V::Invalid << ""
                                     << "";
    QTest::newRow("path, no file") << "/home/user/page.html" << V::Invalid << ""
                                   << "";
    QTest::newRow("http without host") << "http:///page" << V::Invalid << ""
                                       << "";
    QTest::newRow("chrome") << "chrome://inducebrowsercrashforrealz" << V::RefusedScheme << ""
                            << "chrome";
    QTest::newRow("view-source") << "view-source:http://dict.test/" << V::RefusedScheme << ""
                                 << "view-source";
    QTest::newRow("javascript") << "javascript:alert(1)" << V::RefusedScheme << ""
                                << "javascript";
    QTest::newRow("data") << "data:text/html,hi" << V::RefusedScheme << ""
                          << "data";
    QTest::newRow("mailto, capitals") << "MailTo:someone@dict.test" << V::RefusedScheme << ""
                                      << "mailto";
    QTest::newRow("ftp") << "ftp://dict.test/" << V::RefusedScheme << ""
                         << "ftp";
    QTest::newRow("drive letter") << "C:\\dict\\page.html" << V::RefusedScheme << ""
                                  << "c";

    // "http://a.test/" is 14 characters; the engine takes 2 MiB of encoded address.
    const QString start = QStringLiteral("http://a.test/");
    QTest::newRow("2 MiB") << start + QString(2097152 - 14, u'a') << V::Open
                           << start + QString(2097152 - 14, u'a') << "";
    QTest::newRow("2 MiB + 1") << start + QString(2097153 - 14, u'a') << V::TooLong << ""
                               << "";
    // Each \u00e9 is six characters encoded ("%C3%A9").
    QTest::newRow("encoded length counts") << start + QString(349524, u'\u00e9') << V::TooLong << ""
                                           << "";
    QTest::newRow("too long without scheme") << QString(2097153, u'a') << V::TooLong << ""
                                             << "";
}

void LookupAddressTest::addressesAreTakenAsTyped()
{
    QFETCH(QString, address);
    const address_rule::Verdict verdict = address_rule::classify(address);
    QTEST(verdict.kind, "kind");
    QTEST(verdict.url.toString(QUrl::FullyEncoded), "url");
    QTEST(verdict.scheme, "scheme");
}

void LookupAddressTest::pageNavigationsStayInTheBrowser_data()
{
    using V = address_rule::Verdict;
    QTest::addColumn<QString>("url");
    QTest::addColumn<V::Kind>("kind");
    QTest::addColumn<QString>("scheme");

    QTest::newRow("http") << "http://dict.test/" << V::Open << "";
    QTest::newRow("https") << "https://dict.test/" << V::Open << "";
    QTest::newRow("about") << "about:srcdoc" << V::Open << "";
    QTest::newRow("data frame") << "data:text/html,hi" << V::Open << "";
    QTest::newRow("blob") << "blob:http://dict.test/0f3c" << V::Open << "";
    QTest::newRow("empty") << "" << V::Open << "";
    QTest::newRow("mailto") << "mailto:someone@dict.test" << V::RefusedScheme << "mailto";
    QTest::newRow("tel") << "tel:+123" << V::RefusedScheme << "tel";
    QTest::newRow("custom") << "some-app://open" << V::RefusedScheme << "some-app";
}

void LookupAddressTest::pageNavigationsStayInTheBrowser()
{
    QFETCH(QString, url);
    const address_rule::Verdict verdict = address_rule::classifyPageNavigation(url);
    QTEST(verdict.kind, "kind");
    QTEST(verdict.scheme, "scheme");
}

void LookupAddressTest::refusalTexts_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");

    QTest::newRow("chrome") << "chrome://crash"
                            << "Cannot open chrome://crash: \"chrome:\" addresses are not allowed";
    QTest::newRow("mailto") << "mailto:a@dict.test"
                            << "Cannot open mailto:a@dict.test: \"mailto:\" addresses are not "
                               "allowed";
    QTest::newRow("invalid") << "::Apple"
                             << "Cannot open ::Apple: it is not a valid address";
    QTest::newRow("too long") << QString(2097153, u'a')
                              << "Cannot open " + QString(2097153, u'a') +
                                     ": the address is too long";
    QTest::newRow("allowed") << "http://dict.test/"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
}

void LookupAddressTest::refusalTexts()
{
    QFETCH(QString, address);
    QTEST(address_rule::refusalText(address, address_rule::classify(address)), "text");
}

QTEST_GUILESS_MAIN(LookupAddressTest)
#include "tst_lookup_address.moc"
