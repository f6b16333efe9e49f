// Rules of the main window that need no widgets: layout arithmetic, centring, URL templates,
// the status-bar dots and the design timer.
#include "core/address_rule.h"
#include "core/design_units.h"
#include "core/form_layout.h"
#include "core/interval_timer.h"
#include "core/status_dots.h"
#include "core/url_template.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using layout::MainRow;

class CoreRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fitMainRow_data();
    void fitMainRow();
    void fitMainRowLeavesUnfittableWindowsAlone_data();
    void fitMainRowLeavesUnfittableWindowsAlone();
    void centredPosition_data();
    void centredPosition();
    void fitIntoArea_data();
    void fitIntoArea();
    void twipsConversion_data();
    void twipsConversion();

    void lookupAddress_data();
    void lookupAddress();
    void expandReplacesFirstCharBeforeWord();

    void addressesAreTakenAsTyped_data();
    void addressesAreTakenAsTyped();
    void pageNavigationsStayInTheBrowser_data();
    void pageNavigationsStayInTheBrowser();
    void refusalTexts_data();
    void refusalTexts();

    void dotsRunAWholeCycle_data();
    void dotsRunAWholeCycle();
    void dotsNeverExceedTwentyOne();

    void timerTicksOnlyWhenEnabledWithInterval();
    void timerCountdownAfterASetting_data();
    void timerCountdownAfterASetting();
};

void CoreRulesTest::fitMainRow_data()
{
    QTest::addColumn<float>("outerWidth");
    QTest::addColumn<float>("outerHeight");
    QTest::addColumn<float>("wordWidth");
    QTest::addColumn<float>("firstButtonLeft");
    QTest::addColumn<float>("lastButtonLeft");
    QTest::addColumn<float>("browserWidth");
    QTest::addColumn<float>("browserHeight");

    QTest::newRow("15000x12000") << 15000.f << 12000.f << 5810.f << 6870.f << 13445.f << 14600.f
                                 << 9700.f;
    QTest::newRow("one twip wide")
        << 9191.f << 12000.f << 1.f << 1061.f << 7636.f << 8791.f << 9700.f;
    QTest::newRow("height 2300: browser 0")
        << 15000.f << 2300.f << 5810.f << 6870.f << 13445.f << 14600.f << 0.f;
    QTest::newRow("low window: never negative")
        << 15000.f << 1000.f << 5810.f << 6870.f << 13445.f << 14600.f << 0.f;
}

void CoreRulesTest::fitMainRow()
{
    QFETCH(float, outerWidth);
    QFETCH(float, outerHeight);
    const MainRow row =
        layout::fitMainRow(layout::designMainRow(), {13155, 10395}, {outerWidth, outerHeight});
    QTEST(row.wordWidth, "wordWidth");
    QCOMPARE(row.wordLeft, 960.f);
    QTEST(row.buttonLeft[0], "firstButtonLeft");
    QTEST(row.buttonLeft[5], "lastButtonLeft");
    for (int i = 1; i < layout::kLookupButtonCount; ++i)
        QCOMPARE(row.buttonLeft[i], row.buttonLeft[i - 1] + 1215.f + 100.f);
    QCOMPARE(row.buttonWidth, layout::designMainRow().buttonWidth);
    QTEST(row.browserWidth, "browserWidth");
    QTEST(row.browserHeight, "browserHeight");
}

void CoreRulesTest::fitMainRowLeavesUnfittableWindowsAlone_data()
{
    QTest::addColumn<float>("clientWidth");
    QTest::addColumn<float>("clientHeight");
    QTest::addColumn<float>("outerWidth");

    QTest::newRow("minimised") << 0.f << 0.f << 15000.f;
    QTest::newRow("9190 wide") << 9000.f << 9000.f << 9190.f;
    QTest::newRow("very narrow") << 100.f << 9000.f << 500.f;
}

void CoreRulesTest::fitMainRowLeavesUnfittableWindowsAlone()
{
    QFETCH(float, clientWidth);
    QFETCH(float, clientHeight);
    QFETCH(float, outerWidth);
    MainRow before = layout::designMainRow();
    before.wordWidth = 1234; // a previous layout, to see that it survives
    const MainRow after =
        layout::fitMainRow(before, {clientWidth, clientHeight}, {outerWidth, 12000});
    QCOMPARE(after.wordWidth, before.wordWidth);
    QCOMPARE(after.buttonLeft, before.buttonLeft);
    QCOMPARE(after.browserWidth, before.browserWidth);
    QCOMPARE(after.browserHeight, before.browserHeight);
}

void CoreRulesTest::centredPosition_data()
{
    QTest::addColumn<float>("windowWidth");
    QTest::addColumn<float>("windowHeight");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    QTest::newRow("6000x4000") << 6000.f << 4000.f << 6600.f << 5200.f;
    QTest::newRow("wider than screen") << 20000.f << 4000.f << -400.f << 5200.f;
    QTest::newRow("half twips kept") << 6001.f << 4001.f << 6599.5f << 5199.5f;
}

void CoreRulesTest::centredPosition()
{
    QFETCH(float, windowWidth);
    QFETCH(float, windowHeight);
    const layout::PointTwips p =
        layout::centredPosition({19200, 14400}, {windowWidth, windowHeight});
    QTEST(p.left, "left");
    QTEST(p.top, "top");
}

void CoreRulesTest::fitIntoArea_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("fitted"); // within an area of 640 x 450 at (0, 24)

    QTest::newRow("fits: stays") << QRect(70, 50, 365, 206) << QRect(70, 50, 365, 206);
    QTest::newRow("below the bottom: moved up")
        << QRect(350, 273, 365, 206) << QRect(275, 268, 365, 206);
    QTest::newRow("negative centred position")
        << QRect(-79, 49, 797, 351) << QRect(0, 49, 640, 351);
    QTest::newRow("above the area") << QRect(10, 0, 100, 100) << QRect(10, 24, 100, 100);
    QTest::newRow("larger both ways") << QRect(70, 25, 877, 736) << QRect(0, 24, 640, 450);
}

void CoreRulesTest::fitIntoArea()
{
    QFETCH(QRect, window);
    QTEST(layout::fitIntoArea(window, QRect(0, 24, 640, 450)), "fitted");
}

void CoreRulesTest::twipsConversion_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");

    QTest::newRow("96 dpi: 15 twips a pixel") << 13155.0 << 96.0 << 877;
    QTest::newRow("120 dpi: 12 twips a pixel") << 1440.0 << 120.0 << 120;
    QTest::newRow("192 dpi") << 495.0 << 192.0 << 66;
    QTest::newRow("rounds half away from zero") << 7.5 << 96.0 << 1;
}

void CoreRulesTest::twipsConversion()
{
    QFETCH(double, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(design::twipsToPixels(twips, dpi), pixels);
    QCOMPARE(design::pixelsToTwips(pixels, dpi), pixels * 1440.0 / dpi);
}

void CoreRulesTest::lookupAddress_data()
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

void CoreRulesTest::lookupAddress()
{
    QFETCH(QString, word);
    QFETCH(QString, urlTemplate);
    QFETCH(QString, address);
    const std::optional<QString> result = url_template::lookupAddress(word, urlTemplate);
    QCOMPARE(result.has_value(), !address.isNull());
    if (result)
        QCOMPARE(*result, address);
}

void CoreRulesTest::expandReplacesFirstCharBeforeWord()
{
    // Text produced by the first replacement takes part in the second one.
    QCOMPARE(url_template::expand(QStringLiteral("%%firstcharord"), QStringLiteral("w"),
                                  QStringLiteral("whole")),
             QStringLiteral("whole"));
}

Q_DECLARE_METATYPE(address_rule::Verdict::Kind)

void CoreRulesTest::addressesAreTakenAsTyped_data()
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

void CoreRulesTest::addressesAreTakenAsTyped()
{
    QFETCH(QString, address);
    const address_rule::Verdict verdict = address_rule::classify(address);
    QTEST(verdict.kind, "kind");
    QTEST(verdict.url.toString(QUrl::FullyEncoded), "url");
    QTEST(verdict.scheme, "scheme");
}

void CoreRulesTest::pageNavigationsStayInTheBrowser_data()
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

void CoreRulesTest::pageNavigationsStayInTheBrowser()
{
    QFETCH(QString, url);
    const address_rule::Verdict verdict = address_rule::classifyPageNavigation(url);
    QTEST(verdict.kind, "kind");
    QTEST(verdict.scheme, "scheme");
}

void CoreRulesTest::refusalTexts_data()
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

void CoreRulesTest::refusalTexts()
{
    QFETCH(QString, address);
    QTEST(address_rule::refusalText(address, address_rule::classify(address)), "text");
}

void CoreRulesTest::dotsRunAWholeCycle_data()
{
    // 3 + the address's own dots, growing by two up to 20 or more, then one, then 3, 5, ...
    QTest::addColumn<QString>("address");
    QTest::addColumn<QList<int>>("dots");
    QTest::newRow("plain address")
        << "http://h/q?w=Apple" << QList<int>{5, 7,  9,  11, 13, 15, 17, 19, 21, 1, 3, 5, 7,
                                              9, 11, 13, 15, 17, 19, 21, 1,  3,  5, 7, 9};
    QTest::newRow("address ending in full stops")
        << "http://h/q?w=etc.." << QList<int>{7,  9,  11, 13, 15, 17, 19, 21, 1, 3, 5, 7, 9,
                                              11, 13, 15, 17, 19, 21, 1,  3,  5, 7, 9, 11};
}

void CoreRulesTest::dotsRunAWholeCycle()
{
    QFETCH(QString, address);
    QFETCH(QList<int>, dots);
    QString text = QStringLiteral("Going to ") + address + QStringLiteral("...");
    QList<int> seen;
    for (int tick = 0; tick < 25; ++tick) {
        text = status_dots::nextTick(text);
        seen << status_dots::trailingDots(text);
    }
    QCOMPARE(seen, dots);
    // At the first reset the address's own full stops go too.
    QVERIFY(text.startsWith(QStringLiteral("Going to http://h/q?w=")));
}

void CoreRulesTest::dotsNeverExceedTwentyOne()
{
    QString text = QStringLiteral("Going to http://h/...");
    int most = 0;
    for (int tick = 0; tick < 10000; ++tick) {
        text = status_dots::nextTick(text);
        most = std::max(most, status_dots::trailingDots(text));
    }
    QCOMPARE(most, 21);
    QCOMPARE(status_dots::trailingDots(QString()), 0);
    QCOMPARE(status_dots::trailingDots(QStringLiteral("...")), 0);
}

void CoreRulesTest::timerTicksOnlyWhenEnabledWithInterval()
{
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::timeout);
    QVERIFY(timer.isEnabled());
    QCOMPARE(timer.interval(), 0);
    QTest::qWait(50);
    QCOMPARE(ticks.count(), 0); // enabled but no interval: silent

    timer.setInterval(10);
    QTRY_VERIFY(ticks.count() >= 2);
    timer.setEnabled(false);
    QVERIFY(!timer.isTicking());
    const int stopped = ticks.count();
    QTest::qWait(50);
    QCOMPARE(ticks.count(), stopped);
}

void CoreRulesTest::timerCountdownAfterASetting_data()
{
    // A 500 ms timer, set again 300 ms after it started; when its first tick comes, counted from
    // that setting.
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("earliest"); // ms
    QTest::addColumn<int>("latest");

    QTest::newRow("same interval: starts again") << "interval 500" << 500 << 900;
    QTest::newRow("other interval: starts again") << "interval 600" << 600 << 1000;
    QTest::newRow("enabled while enabled: keeps its phase") << "enabled" << 150 << 450;
    QTest::newRow("disabled and enabled: starts again") << "disabled, enabled" << 500 << 900;
}

void CoreRulesTest::timerCountdownAfterASetting()
{
    QFETCH(QString, setting);
    QFETCH(int, earliest);
    QFETCH(int, latest);
    IntervalTimer timer;
    QElapsedTimer sinceSetting;
    qint64 firstTick = -1;
    connect(&timer, &IntervalTimer::timeout, this, [&] {
        if (firstTick < 0)
            firstTick = sinceSetting.elapsed();
    });
    timer.setInterval(500);
    QTest::qWait(300);
    QCOMPARE(firstTick, -1);
    sinceSetting.start();
    if (setting == QLatin1String("interval 500")) {
        timer.setInterval(500);
    } else if (setting == QLatin1String("interval 600")) {
        timer.setInterval(600);
    } else if (setting == QLatin1String("enabled")) {
        timer.setEnabled(true);
    } else {
        timer.setEnabled(false);
        timer.setEnabled(true);
    }
    QTRY_VERIFY_WITH_TIMEOUT(firstTick >= 0, 2000);
    QVERIFY2(firstTick >= earliest && firstTick <= latest, qPrintable(QString::number(firstTick)));
}

QTEST_GUILESS_MAIN(CoreRulesTest)
#include "tst_core_rules.moc"
