// The main window with a fake browser: start-up in throw-away program folders, its design and
// resizing, the lookups and the status bar driven by browser events.
#include "core/canned_templates.h"
#include "core/design_units.h"
#include "core/interval_timer.h"
#include "design/simple_status_bar.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "main_window_fixture.h"
#include "menu_action.h"
#include "modal_driver.h"
#include "temp_program_folder.h"
#include "wait_until.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

namespace {

const char* const kButtonNames[] = {"cmdEn2Ch", "cmdEn2En",       "cmdEn2Th",
                                    "cmdEn2Jp", "cmdChiComputer", "cmdEngComputer"};

QPushButton* button(MainWindow& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

QLineEdit* wordBox(MainWindow& w)
{
    return w.findChild<QLineEdit*>(QStringLiteral("txtWord"));
}

QString status(MainWindow& w)
{
    return w.statusBarWidget()->text();
}

int pixels(double twips)
{
    return design::twipsToPixels(twips, 96);
}

// Resizes so that the outer frame (whatever the platform draws) has the given size in twips.
void resizeOuter(QWidget& window, int widthTwips, int heightTwips)
{
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(QSize(pixels(widthTwips), pixels(heightTwips)) - frame);
    QCOMPARE(window.frameGeometry().size(), QSize(pixels(widthTwips), pixels(heightTwips)));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    // Start-up
    void firstRunMakesSessionFolderAndUsesDefaults();
    void existingSessionFolderIsLeftAlone();
    void fileNamedSessionCountsAsPresent();
    void settingsFileGivesTheFields_data();
    void settingsFileGivesTheFields();
    void unwritableProgramFolderStillStarts();
    void closingAndExitUnloadTheOptions_data();
    void closingAndExitUnloadTheOptions();

    // Design and resizing
    void designControls();
    void designTabOrderAndMenus();
    void tabOrderHoldsWhenThePageMakesItsContent_data();
    void tabOrderHoldsWhenThePageMakesItsContent();
    void resizeFitsTheRow_data();
    void resizeFitsTheRow();
    void minimisingChangesNothing();

    // Lookups
    void eachButtonUsesItsTemplate_data();
    void eachButtonUsesItsTemplate();
    void lookupEdgeCases_data();
    void lookupEdgeCases();
    void savedTemplateAppliesOnNextClick();
    void enterInWordBoxStartsNoLookup();
    void typingReadiesTheLookupServers();
    void keysPressTheFocusedButton_data();
    void keysPressTheFocusedButton();
    void websiteGoesToMakerSite();
    void lookUpFromThePageRunsThatButton_data();
    void lookUpFromThePageRunsThatButton();
    void lookupNamesItsDictionaryToTheBrowser_data();
    void lookupNamesItsDictionaryToTheBrowser();
    void refusedAddressesSayWhy_data();
    void refusedAddressesSayWhy();
    void refusalEndsTheDots();
    void refusedHomePageSaysWhy_data();
    void refusedHomePageSaysWhy();

    // Browser events and the status bar
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

void MainWindowTest::initTestCase()
{
    // Geometry checks below assume 15 twips a pixel.
    QWidget probe;
    if (probe.logicalDpiX() != 96 || probe.logicalDpiY() != 96)
        QSKIP("needs a 96 dpi screen (the offscreen platform)");
}

void MainWindowTest::cleanup()
{
    // No dialog may outlive its test.
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void MainWindowTest::firstRunMakesSessionFolderAndUsesDefaults()
{
    MainWindowFixture started;

    QVERIFY(QFileInfo(started.folder.sessionPath()).isDir());
    QCOMPARE(started.window->sessionFolder(),
             started.folder.path() + QDir::separator() + QStringLiteral("session"));
    QCOMPARE(started.window->options()->values(), canned_templates::defaults());
    QCOMPARE(started.browser->navigations, QStringList{QStringLiteral("about:blank")});
    QCOMPARE(started.window->currentUrl(), QStringLiteral("about:blank"));
    QVERIFY(
        !QFileInfo::exists(started.folder.settingsPath())); // start-up never writes the settings
    QVERIFY(status(*started.window).isEmpty());
    QVERIFY(started.window->options()->isHidden());
}

void MainWindowTest::existingSessionFolderIsLeftAlone()
{
    MainWindowFixture started(MainWindowFixture::Unstarted);
    started.folder.makeSessionFolder();
    started.start();
    QCOMPARE(started.window->options()->values(), canned_templates::defaults());
    QVERIFY(QDir(started.folder.sessionPath()).isEmpty());
}

void MainWindowTest::fileNamedSessionCountsAsPresent()
{
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QFile file(started.folder.sessionPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    started.start();
    QVERIFY(QFileInfo(started.folder.sessionPath()).isFile());
    QCOMPARE(started.window->options()->values(), canned_templates::defaults());
    QCOMPARE(started.browser->navigations, QStringList{QStringLiteral("about:blank")});
}

void MainWindowTest::settingsFileGivesTheFields_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("fields"); // Home ... EngComputer

    QTest::newRow("empty file: all empty") << QByteArray() << QStringList(7, QString());
    QTest::newRow("missing Japanese")
        << QByteArray(
               "<Home>h</Home><Chinese>c</Chinese><English>e</English>"
               "<Thesaurus>t</Thesaurus><ChiComputer>cc</ChiComputer><EngComputer>ec</EngComputer>")
        << QStringList{"h", "c", "e", "t", "", "cc", "ec"};
    QTest::newRow("empty Home, no fallback") << QByteArray("<Home></Home><Chinese>c</Chinese>")
                                             << QStringList{"", "c", "", "", "", "", ""};
    QTest::newRow("Home not trimmed")
        << QByteArray("<home> x.org </HOME>") << QStringList{" x.org ", "", "", "", "", "", ""};
    QTest::newRow("noise only") << QByteArray("\0\1\2garbage", 10) << QStringList(7, QString());
    QTest::newRow("code page") << QByteArray("<Home>x.test/caf\xe9 \x80</Home>")
                               << QStringList{
                                      QStringLiteral("x.test/café €"), "", "", "", "", "", ""};
}

void MainWindowTest::settingsFileGivesTheFields()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, fields);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    started.folder.writeSettingsBytes(file);
    started.start();
    QStringList actual;
    for (const QueryKey key : kQueryKeys)
        actual << started.window->options()->text(key);
    QCOMPARE(actual, fields);
    QCOMPARE(started.browser->navigations, QStringList{fields.first()});
    QCOMPARE(started.folder.settingsBytes(), file); // left exactly as it was
}

void MainWindowTest::unwritableProgramFolderStillStarts()
{
    // A program folder in which the session folder cannot be made.
    TempProgramFolder parent;
    const QString missing = parent.path() + QStringLiteral("/no/such/folder");
    auto window = std::make_unique<MainWindow>(missing, std::make_unique<FakeBrowser>());
    QVERIFY(!QFileInfo::exists(window->sessionFolder()));
    QCOMPARE(window->options()->values(), canned_templates::defaults());
}

void MainWindowTest::closingAndExitUnloadTheOptions_data()
{
    QTest::addColumn<bool>("viaExit");
    QTest::newRow("close box") << false;
    QTest::newRow("Exit") << true;
}

void MainWindowTest::closingAndExitUnloadTheOptions()
{
    QFETCH(bool, viaExit);
    MainWindowFixture started;
    started.window->show();
    if (viaExit)
        started.window->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    else
        QVERIFY(started.window->close());
    QVERIFY(!started.window->isVisible());
    QCOMPARE(started.window->options(), nullptr);
    QVERIFY(!QFileInfo::exists(started.folder.settingsPath())); // nothing saved at exit
}

void MainWindowTest::designControls()
{
    MainWindowFixture started;
    QCOMPARE(started.window->windowTitle(), QStringLiteral("Lexivo Dictionary II v1.1"));

    const QStringList captions{"Chinese",  "English",        "Thesaurus",
                               "Jananese", "Computer (Chi)", "Computer (Eng)"};
    const QList<double> fontSizes{9.75, 9.75, 9.75, 9.75, 8.25, 8.25};
    for (int i = 0; i < 6; ++i) {
        QPushButton* b = button(*started.window, kButtonNames[i]);
        QVERIFY(b);
        QCOMPARE(b->text(), captions[i]);
        QCOMPARE(b->font().pointSizeF(), fontSizes[i]);
        QVERIFY(!b->isDefault() && !b->autoDefault());
        QCOMPARE(b->height(), pixels(495));
        QCOMPARE(b->y(), pixels(240));
    }
    QCOMPARE(wordBox(*started.window)->font().pointSizeF(), 13.5);
    auto* label = started.window->findChild<QLabel*>(QStringLiteral("Label2"));
    QCOMPARE(label->text(), QStringLiteral("Word:"));
    QCOMPARE(label->geometry(), QRect(pixels(120), pixels(270), pixels(855), pixels(375)));
    QCOMPARE(started.window->font().pointSizeF(), 8.25);

    // Design position of the client area, and its size.
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    QWidget* client = started.window->centralWidget();
    QCOMPARE(client->mapToGlobal(QPoint(0, 0)), QPoint(pixels(1050), pixels(750)));
    QCOMPARE(client->size(), QSize(pixels(13155), pixels(10395)));

    // The status bar is docked full width along the bottom.
    QCOMPARE(started.window->statusBarWidget()->geometry(),
             QRect(0, client->height() - pixels(420), client->width(), pixels(420)));
    QCOMPARE(QApplication::focusWidget(), wordBox(*started.window));
}

void MainWindowTest::designTabOrderAndMenus()
{
    MainWindowFixture started;
    QWidget* w = wordBox(*started.window);
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(started.window.get()))
            w = w->nextInFocusChain();
    }
    QCOMPARE(order.mid(0, 8),
             (QStringList{"txtWord", "cmdEn2Ch", "cmdEn2En", "cmdEn2Th", "cmdEn2Jp",
                          "cmdChiComputer", "cmdEngComputer", "WebBrowser1"}));

    QStringList menus;
    for (QAction* top : started.window->menuBar()->actions()) {
        menus << top->text();
        for (QAction* item : top->menu()->actions())
            menus << (item->isSeparator() ? QStringLiteral("-")
                                          : QStringLiteral("  ") + item->text());
    }
    QCOMPARE(menus, (QStringList{"Option", "  Online Dictionary Query String", "-", "  Exit",
                                 "Help", "  Website", "-", "  About"}));
    QVERIFY(started.window->findChild<QAction*>(QStringLiteral("mnuSep1"))->isSeparator());
    QVERIFY(started.window->findChild<QAction*>(QStringLiteral("mnuSep2"))->isSeparator());
}

void MainWindowTest::tabOrderHoldsWhenThePageMakesItsContent_data()
{
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QStringList>("order"); // from the word box, one key press at a time

    QTest::newRow("Tab") << false << QStringList{"txtWord",        "cmdEn2Ch",    "cmdEn2En",
                                                 "cmdEn2Th",       "cmdEn2Jp",    "cmdChiComputer",
                                                 "cmdEngComputer", "FakeContent", "txtWord"};
    QTest::newRow("Shift+Tab") << true
                               << QStringList{"txtWord",        "FakeContent", "cmdEngComputer",
                                              "cmdChiComputer", "cmdEn2Jp",    "cmdEn2Th",
                                              "cmdEn2En",       "cmdEn2Ch",    "txtWord"};
}

void MainWindowTest::tabOrderHoldsWhenThePageMakesItsContent()
{
    QFETCH(bool, backwards);
    QFETCH(QStringList, order);
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowActive(started.window.get()));
    started.browser->makeContent();
    QCoreApplication::processEvents(); // the window reorders its chain on its next turn

    wordBox(*started.window)->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int step = 1; step < order.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, order);
}

void MainWindowTest::resizeFitsTheRow_data()
{
    QTest::addColumn<int>("outerWidth"); // twips; multiples of 15 are whole pixels
    QTest::addColumn<int>("outerHeight");
    QTest::addColumn<int>("wordWidth");
    QTest::addColumn<int>("engComputerLeft");
    QTest::addColumn<int>("browserWidth");
    QTest::addColumn<int>("browserHeight");

    QTest::newRow("15000x12000") << 15000 << 12000 << 5810 << 13445 << 14600 << 9700;
    QTest::newRow("maximised-like 28800x20000")
        << 28800 << 20010 << 19610 << 27245 << 28400 << 17710;
    QTest::newRow("low: browser keeps 0") << 15000 << 2250 << 5810 << 13445 << 14600 << 0;
}

void MainWindowTest::resizeFitsTheRow()
{
    QFETCH(int, outerWidth);
    QFETCH(int, outerHeight);
    QFETCH(int, wordWidth);
    QFETCH(int, engComputerLeft);
    QFETCH(int, browserWidth);
    QFETCH(int, browserHeight);
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    resizeOuter(*started.window, outerWidth, outerHeight);

    const layout::MainRow& row = started.window->rowLayout();
    QCOMPARE(row.wordWidth, float(wordWidth));
    QCOMPARE(row.buttonLeft[5], float(engComputerLeft));
    QCOMPARE(row.browserWidth, float(browserWidth));
    QCOMPARE(row.browserHeight, float(browserHeight));
    QCOMPARE(wordBox(*started.window)->geometry(),
             QRect(pixels(960), pixels(240), pixels(wordWidth), pixels(495)));
    QCOMPARE(button(*started.window, "cmdEngComputer")->x(), pixels(engComputerLeft));
    QCOMPARE(started.browser->view()->geometry(),
             QRect(pixels(120), pixels(960), pixels(browserWidth), pixels(browserHeight)));

    // Too narrow for the row: nothing moves.
    const QRect wordBefore = wordBox(*started.window)->geometry();
    resizeOuter(*started.window, 9180, outerHeight);
    QCOMPARE(wordBox(*started.window)->geometry(), wordBefore);
    QCOMPARE(started.window->rowLayout().wordWidth, float(wordWidth));
}

void MainWindowTest::minimisingChangesNothing()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    resizeOuter(*started.window, 15000, 12000);
    const float before = started.window->rowLayout().wordWidth;
    started.window->showMinimized();
    QCOMPARE(started.window->rowLayout().wordWidth, before);
    started.window->showNormal();
    QCOMPARE(started.window->rowLayout().wordWidth, float(5810));
}

void MainWindowTest::eachButtonUsesItsTemplate_data()
{
    // The default templates, filled with "Apple".
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cmdEn2Ch") << 0 << "http://hk.dictionary.yahoo.com/dict?s=Apple";
    QTest::newRow("cmdEn2En") << 1 << "http://encarta.msn.com/dictionary_/Apple.html";
    QTest::newRow("cmdEn2Th") << 2 << "http://thesaurus.com/search?q=Apple";
    QTest::newRow("cmdEn2Jp") << 3 << "http://www.freedict.com/english/japanese/?word=Apple";
    QTest::newRow("cmdChiComputer")
        << 4
        << "http://www.hkcs.org.hk/search.cgi?query=Apple&trad=b5&text=Text&st=1&dbname=hk&db=none&"
           ".submit=Search";
    QTest::newRow("cmdEngComputer")
        << 5 << "http://foldoc.org/foldoc/foldoc.cgi?query=Apple&action=Search";
}

void MainWindowTest::eachButtonUsesItsTemplate()
{
    QFETCH(int, index);
    QFETCH(QString, expected);
    MainWindowFixture started;
    QTest::keyClicks(wordBox(*started.window), QStringLiteral("  Apple  "));
    QTest::mouseClick(button(*started.window, kButtonNames[index]), Qt::LeftButton);

    QCOMPARE(started.browser->navigations.last(), expected);
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + expected);
    QCOMPARE(started.window->currentUrl(), expected);
    QCOMPARE(wordBox(*started.window)->text(),
             QStringLiteral("  Apple  ")); // the word box is left as typed
}

void MainWindowTest::lookupEdgeCases_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("chineseTemplate");
    QTest::addColumn<QString>("address"); // null: nothing happens at all

    const QString t = QStringLiteral("http://dict.test/q?w=%word&f=%firstchar");
    QTest::newRow("empty word") << "" << t << QString();
    QTest::newRow("spaces only") << "   " << t << QString();
    QTest::newRow("capital first letter") << "Zebra" << t << "http://dict.test/q?w=Zebra&f=Z";
    QTest::newRow("two words") << "ice cream" << t << "http://dict.test/q?w=ice cream&f=i";
    QTest::newRow("AT&T") << "AT&T" << t << "http://dict.test/q?w=AT%26T&f=A";
    QTest::newRow("C#") << "C#" << t << "http://dict.test/q?w=C%23&f=C";
    QTest::newRow("C++") << "C++" << t << "http://dict.test/q?w=C%2B%2B&f=C";
    QTest::newRow("empty template") << "word"
                                    << ""
                                    << "";
    QTest::newRow("template with spaces") << "w"
                                          << "  http://dict.test/%word  "
                                          << "http://dict.test/w";
}

void MainWindowTest::lookupEdgeCases()
{
    QFETCH(QString, word);
    QFETCH(QString, chineseTemplate);
    QFETCH(QString, address);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] = chineseTemplate;
    started.folder.writeSettings(values);
    started.start();
    started.window->statusBarWidget()->setText(QStringLiteral("before"));

    wordBox(*started.window)->setText(word);
    QTest::mouseClick(button(*started.window, "cmdEn2Ch"), Qt::LeftButton);
    if (address.isNull()) {
        QCOMPARE(started.browser->navigations.size(), 1); // the home page only
        QCOMPARE(status(*started.window), QStringLiteral("before"));
    } else {
        QCOMPARE(started.browser->navigations.size(), 2);
        QCOMPARE(started.browser->navigations.last(), address);
        QCOMPARE(status(*started.window), QStringLiteral("goto ") + address);
    }
}

void MainWindowTest::savedTemplateAppliesOnNextClick()
{
    MainWindowFixture started;
    wordBox(*started.window)->setText(QStringLiteral("go"));
    started.window->options()
        ->field(QueryKey::English)
        ->setText(QStringLiteral("http://new.test/%word"));
    QTest::mouseClick(button(*started.window, "cmdEn2En"), Qt::LeftButton);
    QCOMPARE(started.browser->navigations.last(), QStringLiteral("http://new.test/go"));
}

void MainWindowTest::enterInWordBoxStartsNoLookup()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    QTest::keyClicks(wordBox(*started.window), QStringLiteral("apple"));
    QTest::keyClick(wordBox(*started.window), Qt::Key_Return);
    QCOMPARE(started.browser->navigations.size(), 1);
}

void MainWindowTest::typingReadiesTheLookupServers()
{
    MainWindowFixture started;
    const std::pair<QueryKey, const char*> templates[] = {
        {QueryKey::Chinese, "http://ch.test/?w=%word"},
        {QueryKey::English, "http://en.test:8080/%word"},
        {QueryKey::Thesaurus, "http://ch.test/th/%word"},
        {QueryKey::Japanese, "http://%word.jp.test/"},
        {QueryKey::ChiComputer, "https://cc.test/%word"},
        {QueryKey::EngComputer, ""},
    };
    for (const auto& [key, urlTemplate] : templates)
        started.window->options()->field(key)->setText(QString::fromLatin1(urlTemplate));
    QLineEdit* word = wordBox(*started.window);

    word->setText(QStringLiteral("set, not typed"));
    QVERIFY(started.browser->preconnects.isEmpty());
    QTest::keyClicks(word, QStringLiteral("apple"));
    QTest::keyClicks(word, QStringLiteral("pie"));
    // Once for the word, however many keys; the servers only, and no navigation.
    QCOMPARE(started.browser->preconnects,
             QList<QList<QUrl>>({{QUrl(QStringLiteral("http://ch.test")),
                                  QUrl(QStringLiteral("http://en.test:8080")),
                                  QUrl(QStringLiteral("https://cc.test"))}}));
    QCOMPARE(started.browser->navigations.size(), 1); // the home page
}

void MainWindowTest::keysPressTheFocusedButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("address"); // null: no lookup

    QTest::newRow("Enter on Thesaurus")
        << "cmdEn2Th" << int(Qt::Key_Return) << int(Qt::NoModifier) << "http://th.test/?w=kiwi";
    QTest::newRow("keypad Enter on Computer (Eng)")
        << "cmdEngComputer" << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
        << "http://ec.test/?w=kiwi";
    QTest::newRow("Space on Chinese")
        << "cmdEn2Ch" << int(Qt::Key_Space) << int(Qt::NoModifier) << "http://ch.test/?w=kiwi";
    QTest::newRow("Enter in the word box")
        << "txtWord" << int(Qt::Key_Return) << int(Qt::NoModifier) << QString();
    QTest::newRow("keypad Enter in the word box")
        << "txtWord" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << QString();
}

void MainWindowTest::keysPressTheFocusedButton()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, address);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] = QStringLiteral("http://ch.test/?w=%word");
    values[QueryKey::Thesaurus] = QStringLiteral("http://th.test/?w=%word");
    values[QueryKey::EngComputer] = QStringLiteral("http://ec.test/?w=%word");
    started.folder.writeSettings(values);
    started.start();
    started.window->show();
    QVERIFY(QTest::qWaitForWindowActive(started.window.get()));
    wordBox(*started.window)->setText(QStringLiteral("kiwi"));
    auto* target = started.window->findChild<QWidget*>(focus);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (address.isNull()) {
        QCOMPARE(started.browser->navigations, QStringList{QStringLiteral("about:blank")});
    } else {
        QCOMPARE(started.browser->navigations,
                 (QStringList{QStringLiteral("about:blank"), address})); // pressed once
    }
}

void MainWindowTest::websiteGoesToMakerSite()
{
    MainWindowFixture started;
    started.window->findChild<QAction*>(QStringLiteral("mnuWebsite"))->trigger();
    const QString site = started.browser->navigations.last();
    QVERIFY(site.startsWith(QStringLiteral("http://")));
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + site);
}

void MainWindowTest::lookUpFromThePageRunsThatButton_data()
{
    // The default templates, filled with "Apple".
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Chinese") << QueryKey::Chinese << "Apple"
                             << "http://hk.dictionary.yahoo.com/dict?s=Apple";
    QTest::newRow("English") << QueryKey::English << " Apple\t"
                             << "http://encarta.msn.com/dictionary_/Apple.html";
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus << "Apple"
                               << "http://thesaurus.com/search?q=Apple";
    QTest::newRow("Japanese") << QueryKey::Japanese << "Apple"
                              << "http://www.freedict.com/english/japanese/?word=Apple";
    QTest::newRow("ChiComputer")
        << QueryKey::ChiComputer << "Apple"
        << "http://www.hkcs.org.hk/search.cgi?query=Apple&trad=b5&text=Text&st=1&dbname=hk&db=none&"
           ".submit=Search";
    QTest::newRow("EngComputer") << QueryKey::EngComputer << "  Apple  "
                                 << "http://foldoc.org/foldoc/foldoc.cgi?query=Apple&action=Search";
}

// The page's "Look up" entry: the word goes into the word box and that button's lookup runs.
void MainWindowTest::lookUpFromThePageRunsThatButton()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    MainWindowFixture started;
    wordBox(*started.window)->setText(QStringLiteral("pear"));

    started.browser->raiseLookUpRequested(key, word);

    QCOMPARE(wordBox(*started.window)->text(), QStringLiteral("Apple"));
    QCOMPARE(started.browser->navigations, QStringList({QStringLiteral("about:blank"), expected}));
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + expected);
    QCOMPARE(started.window->currentUrl(), expected);
}

void MainWindowTest::lookupNamesItsDictionaryToTheBrowser_data()
{
    QTest::addColumn<QString>("command"); // a button's or a menu entry's object name
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("chineseTemplate");
    QTest::addColumn<QStringList>("captions"); // each navigation's lookup caption, in order
    const QString t = QStringLiteral("http://dict.test/%word");
    QTest::newRow("cmdEn2Ch") << "cmdEn2Ch"
                              << "Apple" << t << QStringList{"Chinese"};
    QTest::newRow("cmdEn2En") << "cmdEn2En"
                              << "Apple" << t << QStringList{"English"};
    QTest::newRow("cmdEn2Th") << "cmdEn2Th"
                              << "Apple" << t << QStringList{"Thesaurus"};
    QTest::newRow("cmdEn2Jp") << "cmdEn2Jp"
                              << "Apple" << t << QStringList{"Jananese"};
    QTest::newRow("cmdChiComputer") << "cmdChiComputer"
                                    << "Apple" << t << QStringList{"Computer (Chi)"};
    QTest::newRow("cmdEngComputer") << "cmdEngComputer"
                                    << "Apple" << t << QStringList{"Computer (Eng)"};
    QTest::newRow("refused lookup") << "cmdEn2Ch"
                                    << "Apple"
                                    << "javascript:%word" << QStringList{};
    QTest::newRow("no word, no lookup") << "cmdEn2Ch"
                                        << "  " << t << QStringList{};
    QTest::newRow("website") << "mnuWebsite"
                             << "Apple" << t << QStringList{""};
}

void MainWindowTest::lookupNamesItsDictionaryToTheBrowser()
{
    QFETCH(QString, command);
    QFETCH(QString, word);
    QFETCH(QString, chineseTemplate);
    QFETCH(QStringList, captions);
    MainWindowFixture started;
    QCOMPARE(started.browser->lookupCaptions, QStringList{""}); // the home page is no lookup
    started.browser->lookupCaptions.clear();
    started.window->options()->field(QueryKey::Chinese)->setText(chineseTemplate);
    wordBox(*started.window)->setText(word);

    if (QPushButton* pressed = button(*started.window, qPrintable(command)))
        QTest::mouseClick(pressed, Qt::LeftButton);
    else
        started.window->findChild<QAction*>(command)->trigger();

    QCOMPARE(started.browser->lookupCaptions, captions);
}

void MainWindowTest::refusedAddressesSayWhy_data()
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

void MainWindowTest::refusedAddressesSayWhy()
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

void MainWindowTest::refusalEndsTheDots()
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

void MainWindowTest::refusedHomePageSaysWhy_data()
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

void MainWindowTest::refusedHomePageSaysWhy()
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

void MainWindowTest::timerIsSilentBeforeFirstNavigation()
{
    MainWindowFixture started;
    QCOMPARE(started.window->dotTimer()->interval(), 0);
    QVERIFY(started.window->dotTimer()->isEnabled());
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void MainWindowTest::statusFollowsANavigation()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/..."));
    QCOMPARE(started.window->dotTimer()->interval(), 1000);
    QVERIFY(started.window->dotTimer()->isTicking());

    // Real ticks, a second apart, each adding two dots.
    QTRY_COMPARE_WITH_TIMEOUT(status(*started.window),
                              QStringLiteral("Going to http://a.test/....."), 2500);
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

void MainWindowTest::newLookupDuringDotsStartsAgain()
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

void MainWindowTest::firstDotsComeOneSecondAfterANavigation()
{
    // A second navigation 600 ms into the first one: its first two dots come a whole second
    // after it, not when the first navigation's second is up.
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QTest::qWait(600);
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    started.browser->raiseNavigationStarting(QStringLiteral("http://b.test/"));
    QTest::qWait(900);
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://b.test/..."));
    QTRY_COMPARE_WITH_TIMEOUT(status(*started.window),
                              QStringLiteral("Going to http://b.test/....."), 2000);
    QVERIFY2(sinceSecond.elapsed() >= 1000, qPrintable(QString::number(sinceSecond.elapsed())));
}

void MainWindowTest::firstDocumentCompleteEndsAnimation()
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

void MainWindowTest::menuStatusTipsDoNotClearTheStatus()
{
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    QStatusTipEvent empty{QString()};
    QApplication::sendEvent(started.window.get(), &empty);
    QStatusTipEvent tip{QStringLiteral("some tip")};
    QApplication::sendEvent(started.window.get(), &tip);
    QCOMPARE(status(*started.window), QStringLiteral("Going to http://a.test/..."));
}

void MainWindowTest::eventsArriveWhileModalDialogIsOpen()
{
    MainWindowFixture started;
    started.window->show();
    QString tickedWhileOpen;
    QString seenWhileOpen;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/"));
        // Let a real tick arrive inside the dialog's event loop.
        waitUntil([&] { return status(*started.window).endsWith(QStringLiteral(".....")); }, 2500);
        tickedWhileOpen = status(*started.window);
        started.browser->raiseDocumentComplete();
        seenWhileOpen = status(*started.window) + QStringLiteral("|done");
        QTest::mouseClick(childNamed<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    });
    chooseMenuItem(*started.window, "mnuQueryString");
    QCOMPARE(tickedWhileOpen, QStringLiteral("Going to http://a.test/....."));
    QCOMPARE(seenWhileOpen, QStringLiteral("|done"));
}

void MainWindowTest::pageLinksToOtherProgramsAreRefused_data()
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

void MainWindowTest::pageLinksToOtherProgramsAreRefused()
{
    QFETCH(QString, url);
    QFETCH(QString, reason);
    MainWindowFixture started;
    started.browser->raiseNavigationStarting(QStringLiteral("http://a.test/page"));

    started.browser->raiseNavigationRefused(url, reason);

    QCOMPARE(status(*started.window), reason);
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void MainWindowTest::longStatusTextIsShownShortened()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    auto* label =
        started.window->statusBarWidget()->findChild<QLabel*>(QStringLiteral("SimpleTextLabel"));
    QVERIFY(label);
    const QString url = QStringLiteral("http://a.test/") + QString(1000000, u'w');

    started.browser->raiseNavigationStarting(url);
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

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
