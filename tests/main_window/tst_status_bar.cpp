// The main window's status bar with a fake browser: addresses it refuses and why, the texts and
// dots that follow the browser's events, and a text too long for the bar.
#include "core/canned_templates.h"
#include "core/interval_timer.h"
#include "dialogs/options_dialog.h"
#include "main_window_fixture.h"
#include "menu_action.h"
#include "modal_driver.h"
#include "window_controls.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

class StatusBarTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();

    void refusedAddressesSayWhy_data();
    void refusedAddressesSayWhy();
    void refusalEndsTheDots();
    void refusedHomePageSaysWhy_data();
    void refusedHomePageSaysWhy();
    void timerIsSilentBeforeFirstNavigation();
    void statusFollowsANavigation();
    void newLookupDuringDotsStartsAgain();
    void firstDotsComeOneSecondAfterANavigation();
    void firstDocumentCompleteEndsAnimation();
    void menuStatusTipsDoNotClearTheStatus();
    void eventsArriveWhileModalDialogIsOpen();
    void pageLinksToOtherProgramsAreRefused_data();
    void pageLinksToOtherProgramsAreRefused();
    void longStatusTextIsShownShortened();
};

void StatusBarTest::cleanup()
{
    // No dialog may outlive its test.
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void StatusBarTest::refusedAddressesSayWhy_data()
{
    QTest::addColumn<QString>("chineseTemplate");
    QTest::addColumn<QString>("address"); // for the word "Apple"
    QTest::addColumn<QString>("text");    // the status text after the lookup

    QTest::newRow("chrome") << "chrome://inducebrowsercrashforrealz"
                            << "chrome://inducebrowsercrashforrealz"
                            << "Cannot open chrome://inducebrowsercrashforrealz: \"chrome:\" "
                               "addresses are not allowed";
    QTest::newRow("view-source") << "view-source:http://dict.test/%word"
                                 << "view-source:http://dict.test/Apple"
                                 << "Cannot open view-source:http://dict.test/Apple: "
                                    "\"view-source:\" addresses are not allowed";
    QTest::newRow("javascript") << "javascript:alert('%word')"
                                << "javascript:alert('Apple')"
                                << "Cannot open javascript:alert('Apple'): \"javascript:\" "
                                   "addresses are not allowed";
    QTest::newRow("no file by accident") << "::%word"
                                         << "::Apple"
                                         << "Cannot open ::Apple: it is not a valid address";
    const QString tail(2097152, u'x');
    QTest::newRow("too long") << "http://dict.test/%word" + tail << "http://dict.test/Apple" + tail
                              << "Cannot open http://dict.test/Apple" + tail +
                                     ": the address is too long";
}

void StatusBarTest::refusedAddressesSayWhy()
{
    QFETCH(QString, chineseTemplate);
    QFETCH(QString, address);
    QFETCH(QString, text);
    MainWindowFixture started;
    started.window->options()->field(QueryKey::Chinese)->setText(chineseTemplate);
    wordBox(*started.window)->setText(QStringLiteral("Apple"));

    QTest::mouseClick(button(*started.window, "cmdEn2Ch"), Qt::LeftButton);

    QCOMPARE(started.browser->navigations, QStringList{QStringLiteral("about:blank")}); // not asked
    QCOMPARE(status(*started.window), text);
    QCOMPARE(started.window->currentUrl(), address);
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void StatusBarTest::refusalEndsTheDots()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    started.window->options()->field(QueryKey::English)->setText(QStringLiteral("mailto:%word"));
    wordBox(*started.window)->setText(QStringLiteral("me"));

    QTest::mouseClick(button(*started.window, "cmdEn2En"), Qt::LeftButton);

    QCOMPARE(status(*started.window),
             QStringLiteral("Cannot open mailto:me: \"mailto:\" addresses are "
                            "not allowed"));
    QVERIFY(!started.window->dotTimer()->isTicking());
    // The page that was loading still completes and clears the text.
    started.browser->raiseDocumentComplete(QStringLiteral("http://a.test/"));
    QCOMPARE(status(*started.window), QString());
}

void StatusBarTest::refusedHomePageSaysWhy_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QStringList>("navigations");
    QTest::addColumn<QString>("text");

    QTest::newRow("crashing page") << "chrome://inducebrowsercrashforrealz" << QStringList()
                                   << "Cannot open chrome://inducebrowsercrashforrealz: "
                                      "\"chrome:\" addresses are not allowed";
    QTest::newRow("data") << "data:text/html,hi" << QStringList()
                          << "Cannot open data:text/html,hi: \"data:\" addresses are not allowed";
    QTest::newRow("no scheme: allowed") << "x.org" << QStringList{"x.org"} << "";
    QTest::newRow("empty: as before") << "" << QStringList{""} << "";
}

void StatusBarTest::refusedHomePageSaysWhy()
{
    QFETCH(QString, home);
    QFETCH(QStringList, navigations);
    QFETCH(QString, text);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Home] = home;
    started.folder.writeSettings(values);
    started.start();
    QCOMPARE(started.browser->navigations, navigations);
    QCOMPARE(status(*started.window), text);
    QCOMPARE(started.window->currentUrl(), home);
}

void StatusBarTest::timerIsSilentBeforeFirstNavigation()
{
    MainWindowFixture started;
    QCOMPARE(started.window->dotTimer()->interval(), 0);
    QVERIFY(started.window->dotTimer()->isEnabled());
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void StatusBarTest::statusFollowsANavigation()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/..."));
    QCOMPARE(started.window->dotTimer()->interval(), 1000);
    QVERIFY(started.window->dotTimer()->isTicking());

    // A real tick a second later adds two dots; then each tick two more.
    QSignalSpy ticks(started.window->dotTimer(), &IntervalTimer::timeout);
    QVERIFY(ticks.wait(20000));
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/....."));
    for (int tick = 0; tick < 7; ++tick)
        started.window->dotTimer()->timeout();
    QCOMPARE(status(*started.window),
             QStringLiteral("Going to http://a.test/") + QString(19, u'.'));
    started.window->dotTimer()->timeout();
    started.window->dotTimer()->timeout();
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/."));

    started.browser->raiseDocumentComplete();
    QCOMPARE(status(*started.window), QString());
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void StatusBarTest::newLookupDuringDotsStartsAgain()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    started.window->dotTimer()->timeout();
    started.window->dotTimer()->timeout();
    wordBox(*started.window)->setText(QStringLiteral("kiwi"));
    QTest::mouseClick(button(*started.window, "cmdEn2En"), Qt::LeftButton);
    const QString address = started.browser->navigations.last();
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + address);
    started.browser->raiseNavigationStarting(address);
    QCOMPARE(status(*started.window),
             QStringLiteral("Going to ") + address + QStringLiteral("..."));
    QVERIFY(started.window->dotTimer()->isTicking());
}

void StatusBarTest::firstDotsComeOneSecondAfterANavigation()
{
    // A second navigation 600 ms into the first one: its first two dots come a whole second
    // after it, not when the first navigation's second is up.
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QTest::qSleep(600); // no events meanwhile: no tick comes however slow the machine is
    QVERIFY(started.window->dotTimer()->remainingTime() <= 400);
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    started.browser->raiseNavigationStarting(QStringLiteral("http://b.test/"));
    const int left = started.window->dotTimer()->remainingTime();
    QVERIFY2(left > 1000 - sinceSecond.elapsed() - 2 && left <= 1000,
             qPrintable(QString::number(left)));
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://b.test/..."));
    QTRY_COMPARE_WITH_TIMEOUT(status(*started.window),
                              QStringLiteral("Going to http://b.test/....."), 20000);
    QVERIFY2(sinceSecond.elapsed() >= left - 1, qPrintable(QString::number(sinceSecond.elapsed())));
}

void StatusBarTest::firstDocumentCompleteEndsAnimation()
{
    // A page with a frame: two navigations, and the first completed document ends the dots.
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/frames.html"));
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/inner.html"));
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/inner.html..."));
    started.browser->raiseDocumentComplete(QStringLiteral("http://a.test/inner.html"));
    QCOMPARE(status(*started.window), QString());
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void StatusBarTest::menuStatusTipsDoNotClearTheStatus()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QStatusTipEvent empty{QString()};
    QApplication::sendEvent(started.window.get(), &empty);
    QStatusTipEvent tip{QStringLiteral("some tip")};
    QApplication::sendEvent(started.window.get(), &tip);
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/..."));
}

void StatusBarTest::eventsArriveWhileModalDialogIsOpen()
{
    MainWindowFixture started;
    started.window->show();
    QString tickedWhileOpen;
    QString seenWhileOpen;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
        // Let a real tick arrive inside the dialog's event loop.
        QSignalSpy ticks(started.window->dotTimer(), &IntervalTimer::timeout);
        ticks.wait(20000);
        tickedWhileOpen = status(*started.window);
        started.browser->raiseDocumentComplete();
        seenWhileOpen = status(*started.window) + QStringLiteral("|done");
        QTest::mouseClick(childNamed<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    });
    chooseMenuItem(*started.window, "mnuQueryString");
    QCOMPARE(tickedWhileOpen, QStringLiteral("Going to http://a.test/....."));
    QCOMPARE(seenWhileOpen, QStringLiteral("|done"));
}

void StatusBarTest::pageLinksToOtherProgramsAreRefused_data()
{
    // The browser decides (address_rule, tested with the core); the window shows its reason.
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");
    QTest::newRow("mailto") << "mailto:someone@a.test"
                            << "Cannot open mailto:someone@a.test: \"mailto:\" addresses are not "
                               "allowed";
    QTest::newRow("tel") << "tel:+1234"
                         << "Cannot open tel:+1234: \"tel:\" addresses are not allowed";
}

void StatusBarTest::pageLinksToOtherProgramsAreRefused()
{
    QFETCH(QString, url);
    QFETCH(QString, reason);
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/page"));

    started.browser->raiseNavigationRefused(url, reason);

    QCOMPARE(status(*started.window), reason);
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void StatusBarTest::longStatusTextIsShownShortened()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    auto* label =
        started.window->statusBarWidget()->findChild<QLabel*>(QStringLiteral("SimpleTextLabel"));
    QVERIFY(label);
    const QString url = QStringLiteral("http://a.test/") + QString(1000000, u'w');

    started.browser->raiseNavigationStarting(url);
    started.window->dotTimer()->setEnabled(false); // only the ticks below, however slow
    QElapsedTimer clock;
    clock.start();
    for (int tick = 0; tick < 9; ++tick) {
        started.window->dotTimer()->timeout();
        QCoreApplication::processEvents(); // the status bar lays itself out
    }
    const qint64 elapsed = clock.elapsed();

    // The text itself is kept whole; the label shows its start and its dots.
    QCOMPARE(status(*started.window), QStringLiteral("Going to ") + url + QString(21, u'.'));
    QVERIFY2(label->text().size() < 400, qPrintable(QString::number(label->text().size())));
    QVERIFY(label->text().startsWith(QStringLiteral("Going to http://a.test/www")));
    QVERIFY(label->text().endsWith(QStringLiteral("www") + QString(21, u'.')));
    QVERIFY(label->text().contains(QChar(0x2026)));
    QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));

    // A short text is shown whole.
    started.browser->raiseDocumentComplete();
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QCOMPARE(label->text(), QStringLiteral("Going to http://a.test/..."));
}

QTEST_MAIN(StatusBarTest)
#include "tst_status_bar.moc"
