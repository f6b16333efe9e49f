// The main window's keyboard focus with the real engine, whose content widget (the page's focus
// proxy) appears only once the engine has started, after the window was built.

#include "real_window.h"
#include "wait_until.h"

#include <QAccessible>
#include <QLineEdit>
#include <QWebEngineView>

class RealWindowFocusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tabFollowsTheDesignOrder_data();
    void tabFollowsTheDesignOrder();
    void pageIsNamedForScreenReaders();

private:
    std::unique_ptr<RealWindow> m_real;
};

void RealWindowFocusTest::init()
{
    m_real = std::make_unique<RealWindow>();
    QVERIFY2(m_real->startActive(), qPrintable(m_real->failure()));
}

void RealWindowFocusTest::cleanup()
{
    m_real.reset();
    QVERIFY(RealWindow::allWindowsGone());
}

void RealWindowFocusTest::tabFollowsTheDesignOrder_data()
{
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QStringList>("order"); // from the word box, one Tab at a time

    QTest::newRow("Tab") << false << QStringList{"txtWord",        "cmdEn2Ch",    "cmdEn2En",
                                                 "cmdEn2Th",       "cmdEn2Jp",    "cmdChiComputer",
                                                 "cmdEngComputer", "WebBrowser1", "txtWord"};
    QTest::newRow("Shift+Tab") << true
                               << QStringList{"txtWord",        "WebBrowser1", "cmdEngComputer",
                                              "cmdChiComputer", "cmdEn2Jp",    "cmdEn2Th",
                                              "cmdEn2En",       "cmdEn2Ch",    "txtWord"};
}

void RealWindowFocusTest::tabFollowsTheDesignOrder()
{
    QFETCH(bool, backwards);
    QFETCH(QStringList, order);
    m_real->control<QLineEdit>("txtWord")->setFocus();
    QStringList seen{m_real->focusName()};
    for (int step = 1; step < order.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        // The page passes the focus on through its renderer, so that step takes a moment.
        waitUntil([&] { return m_real->focusName() == order.at(step); }, 5000);
        seen << m_real->focusName();
    }
    QCOMPARE(seen, order);
}

void RealWindowFocusTest::pageIsNamedForScreenReaders()
{
    // The engine's view lies in the window's browser area, which carries the name.
    QAccessibleInterface* named = QAccessible::queryAccessibleInterface(m_real->page());
    while (named && named->text(QAccessible::Name).isEmpty())
        named = named->parent();
    QVERIFY(named);
    QCOMPARE(named->text(QAccessible::Name), QStringLiteral("Dictionary page"));
}

LEXIVO_REAL_WINDOW_MAIN(RealWindowFocusTest)
#include "tst_real_window_focus.moc"
