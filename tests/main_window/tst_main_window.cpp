// The main window with a fake browser: start-up in throw-away program folders, its design and
// resizing.
#include "core/canned_templates.h"
#include "core/design_units.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window_fixture.h"
#include "temp_program_folder.h"
#include "window_controls.h"

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

namespace {

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

    void firstRunMakesSessionFolderAndUsesDefaults();
    void existingSessionFolderIsLeftAlone();
    void fileNamedSessionCountsAsPresent();
    void settingsFileGivesTheFields_data();
    void settingsFileGivesTheFields();
    void unwritableProgramFolderStillStarts();
    void closingAndExitUnloadTheOptions_data();
    void closingAndExitUnloadTheOptions();
    void designControls();
    void designTabOrderAndMenus();
    void tabOrderHoldsWhenThePageMakesItsContent_data();
    void tabOrderHoldsWhenThePageMakesItsContent();
    void resizeFitsTheRow_data();
    void resizeFitsTheRow();
    void minimisingChangesNothing();
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
    // An empty file and one of noise: the bad files' suite.

    QTest::newRow("missing Japanese")
        << QByteArray(
               "<Home>h</Home><Chinese>c</Chinese><English>e</English>"
               "<Thesaurus>t</Thesaurus><ChiComputer>cc</ChiComputer><EngComputer>ec</EngComputer>")
        << QStringList{"h", "c", "e", "t", "", "cc", "ec"};
    QTest::newRow("empty Home, no fallback") << QByteArray("<Home></Home><Chinese>c</Chinese>")
                                             << QStringList{"", "c", "", "", "", "", ""};
    QTest::newRow("Home not trimmed")
        << QByteArray("<home> x.org </HOME>") << QStringList{" x.org ", "", "", "", "", "", ""};
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

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
