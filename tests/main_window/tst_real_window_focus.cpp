// The main window's keyboard focus with the real engine, whose content widget (the page's focus
// proxy) appears only once the engine has started, after the window was built, and sees keys
// before the window: the tab order, the menu bar and the word box reached by keys from anywhere.

#include "real_window.h"
#include "wait_until.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWebEngineView>

Q_DECLARE_METATYPE(Qt::Key)

namespace {

// Where the focus is when a key is pressed.
enum class From { WordBox, Button, Page };

} // namespace

class RealWindowFocusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tabFollowsTheDesignOrder_data();
    void tabFollowsTheDesignOrder();
    void pageIsNamedForScreenReaders();
    void menuBarIsReachedByKeys_data();
    void menuBarIsReachedByKeys();
    void altWithACharacterTypesNothing_data();
    void altWithACharacterTypesNothing();
    void addressKeysSelectTheWord_data();
    void addressKeysSelectTheWord();

private:
    QLineEdit* wordBox() const { return m_real->control<QLineEdit>("txtWord"); }
    // Puts the focus on a control and waits until it is there.
    void focus(From from);
    // The menu bar's highlighted menu, and the menu open under it, by caption.
    QString highlightedMenu() const;
    QString openMenu() const;
    QString focusName() const { return m_real->focusName(); }

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

void RealWindowFocusTest::focus(From from)
{
    switch (from) {
    case From::WordBox:
        wordBox()->setFocus();
        break;
    case From::Button:
        m_real->control("cmdEn2Th")->setFocus();
        break;
    case From::Page:
        m_real->control("WebBrowser1")->setFocus();
        break;
    }
    const QString expected = QStringList{"txtWord", "cmdEn2Th", "WebBrowser1"}.at(int(from));
    QVERIFY(waitUntil([&] { return focusName() == expected; }, 5000));
}

QString RealWindowFocusTest::highlightedMenu() const
{
    const QAction* active = m_real->window->menuBar()->activeAction();
    return active ? active->text() : QString();
}

QString RealWindowFocusTest::openMenu() const
{
    const auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return popup ? popup->title() : QString();
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
    wordBox()->setFocus();
    QStringList seen{focusName()};
    for (int step = 1; step < order.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        // The page passes the focus on through its renderer, so that step takes a moment.
        waitUntil([&] { return focusName() == order.at(step); }, 5000);
        seen << focusName();
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

void RealWindowFocusTest::menuBarIsReachedByKeys_data()
{
    QTest::addColumn<From>("from");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("F10 from the word box") << From::WordBox << Qt::Key_F10;
    QTest::newRow("F10 from a button") << From::Button << Qt::Key_F10;
    QTest::newRow("F10 from the page") << From::Page << Qt::Key_F10;
    QTest::newRow("Alt from the word box") << From::WordBox << Qt::Key_Alt;
    QTest::newRow("Alt from the page") << From::Page << Qt::Key_Alt;
}

// The key highlights "Option" without opening it; Right moves to "Help", Down opens it, Escape
// closes it, and Escape again gives the focus back to where it was.
void RealWindowFocusTest::menuBarIsReachedByKeys()
{
    QFETCH(From, from);
    QFETCH(Qt::Key, key);
    focus(from);
    const QString before = focusName();
    QMenuBar* bar = m_real->window->menuBar();
    const QRect option = bar->actionGeometry(bar->actions().constFirst());
    const QImage plain = bar->grab(option).toImage();
    QTest::keyClick(QApplication::focusWidget(), key);
    QVERIFY(waitUntil([&] { return highlightedMenu() == QLatin1String("Option"); }, 5000));
    QCOMPARE(openMenu(), QString());
    QCOMPARE(QApplication::focusWidget(), bar);
    QVERIFY2(bar->grab(option).toImage() != plain, "the highlighted menu looks as before");

    QTest::keyClick(m_real->window->menuBar(), Qt::Key_Right);
    QCOMPARE(highlightedMenu(), QStringLiteral("Help"));
    QTest::keyClick(m_real->window->menuBar(), Qt::Key_Down);
    QVERIFY(waitUntil([&] { return openMenu() == QLatin1String("Help"); }, 5000));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QVERIFY(waitUntil([&] { return openMenu().isEmpty(); }, 5000));
    QCOMPARE(highlightedMenu(), QStringLiteral("Help"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(waitUntil([&] { return focusName() == before; }, 5000));
    QCOMPARE(highlightedMenu(), QString());
}

void RealWindowFocusTest::altWithACharacterTypesNothing_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Alt+O") << Qt::Key_O;
    QTest::newRow("Alt+H") << Qt::Key_H;
    QTest::newRow("Alt+1") << Qt::Key_1;
}

void RealWindowFocusTest::altWithACharacterTypesNothing()
{
    QFETCH(Qt::Key, key);
    focus(From::WordBox);
    wordBox()->setText(QStringLiteral("Apple"));
    QTest::keyClick(wordBox(), key, Qt::AltModifier);
    QCOMPARE(wordBox()->text(), QStringLiteral("Apple"));
    QCOMPARE(focusName(), QStringLiteral("txtWord"));
    QCOMPARE(openMenu(), QString());
}

void RealWindowFocusTest::addressKeysSelectTheWord_data()
{
    QTest::addColumn<From>("from");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Ctrl+L from a button")
        << From::Button << Qt::Key_L << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Ctrl+L from the page")
        << From::Page << Qt::Key_L << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Alt+D from a button")
        << From::Button << Qt::Key_D << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("Alt+D from the page")
        << From::Page << Qt::Key_D << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("F6 from the word box")
        << From::WordBox << Qt::Key_F6 << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("F6 from the page")
        << From::Page << Qt::Key_F6 << Qt::KeyboardModifiers(Qt::NoModifier);
}

void RealWindowFocusTest::addressKeysSelectTheWord()
{
    QFETCH(From, from);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    wordBox()->setText(QStringLiteral("Apple"));
    wordBox()->setCursorPosition(2);
    focus(from);
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    QVERIFY(waitUntil([&] { return focusName() == QLatin1String("txtWord"); }, 5000));
    QCOMPARE(wordBox()->selectedText(), QStringLiteral("Apple"));
    QCOMPARE(wordBox()->text(), QStringLiteral("Apple"));
}

LEXIVO_REAL_WINDOW_MAIN(RealWindowFocusTest)
#include "tst_real_window_focus.moc"
