// Every window opens within the available area of a small screen (1280 x 900, run by CTest at
// 100 % and 200 %), opened as the user opens it; a dialog whose design does not fit scrolls, so
// that every control can still be reached.
#include "design/simple_status_bar.h"
#include "main_window_fixture.h"
#include "menu_action.h"
#include "modal_driver.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

struct Opened
{
    QRect outer;            // the window's frame
    bool reachable = false; // every control inside the window, or reachable by scrolling
};

Opened measure(QWidget* window)
{
    Opened opened;
    opened.outer = window->frameGeometry();
    const auto* scroll = window->findChild<QScrollArea*>(QStringLiteral("designScroll"));
    if (!scroll) { // the main window lays its controls out for its size
        opened.reachable = true;
        return opened;
    }
    const QSize design = scroll->widget()->size();
    const QSize shown = scroll->viewport()->size();
    opened.reachable = shown.width() + scroll->horizontalScrollBar()->maximum() >= design.width() &&
                       shown.height() + scroll->verticalScrollBar()->maximum() >= design.height();
    return opened;
}

} // namespace

class SmallScreenTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsOpenWithinTheScreen_data();
    void windowsOpenWithinTheScreen();
    void mainWindowRowFitsItsSize();
};

void SmallScreenTest::windowsOpenWithinTheScreen_data()
{
    // The menu item that opens the window, and the "Select" button inside the options dialog
    // that opens a suggestion dialog.
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("selectButton");
    QTest::newRow("frmBrowser") << QString() << QString();
    QTest::newRow("frmOption") << "mnuQueryString" << QString();
    QTest::newRow("frmChinese") << "mnuQueryString"
                                << "cmdChinese";
    QTest::newRow("frmEnglish") << "mnuQueryString"
                                << "cmdEnglish";
    QTest::newRow("frmThesaurus") << "mnuQueryString"
                                  << "cmdThesaurus";
    QTest::newRow("frmJapanese") << "mnuQueryString"
                                 << "cmdJapanese";
    QTest::newRow("frmChiComputer") << "mnuQueryString"
                                    << "cmdChiComputer";
    QTest::newRow("frmEngComputer") << "mnuQueryString"
                                    << "cmdEngComputer";
    QTest::newRow("frmAbout") << "mnuAbout" << QString();
}

void SmallScreenTest::windowsOpenWithinTheScreen()
{
    QFETCH(QString, menuItem);
    QFETCH(QString, selectButton);
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));

    QString openedName;
    Opened opened;
    if (menuItem.isEmpty()) {
        openedName = started.window->objectName();
        opened = measure(started.window.get());
    } else {
        ModalDriver driver;
        const auto measureIt = [&](QWidget* dialog) {
            openedName = dialog->objectName();
            opened = measure(dialog);
        };
        driver.whenModal([&](QWidget* dialog) {
            if (selectButton.isEmpty()) {
                measureIt(dialog);
                return;
            }
            driver.whenModal(measureIt, dialog);
            dialog->findChild<QPushButton*>(selectButton)->click();
        });
        chooseMenuItem(*started.window, qPrintable(menuItem));
    }
    QCOMPARE(openedName, QString::fromLatin1(QTest::currentDataTag()));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(area.contains(opened.outer), qPrintable(QStringLiteral("%1,%2 %3x%4 outside %5x%6")
                                                         .arg(opened.outer.x())
                                                         .arg(opened.outer.y())
                                                         .arg(opened.outer.width())
                                                         .arg(opened.outer.height())
                                                         .arg(area.width())
                                                         .arg(area.height())));
    QVERIFY(opened.reachable);
}

// However small the window has to be, the row of buttons fits in it and the page keeps a height.
void SmallScreenTest::mainWindowRowFitsItsSize()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    const QWidget* client = started.window->centralWidget();
    const auto* last = started.window->findChild<QWidget*>(QStringLiteral("cmdEngComputer"));
    QVERIFY(last->geometry().right() < client->width());
    QVERIFY(started.browser->view()->height() > 0);
    QVERIFY(started.browser->view()->geometry().bottom() <
            started.window->statusBarWidget()->geometry().top());
}

QTEST_MAIN(SmallScreenTest)
#include "tst_small_screen.moc"
