// The main window with the real browser as a screen reader reads it over AT-SPI, with a screen
// reader reported running on the accessibility bus and nothing else set: every control by its
// role and name, where the focus is, the page's own text, the find bar and the page's menu.

#include "local_http_server.h"
#include "real_window.h"
#include "screen_reader.h"
#include "served_query_strings.h"
#include "wait_until.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QWebEngineView>

namespace {

constexpr int kTimeout = RealWindow::kTimeout;

} // namespace

class ScreenReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void menuItemsAreRead_data();
    void menuItemsAreRead();
    void controlsAreReadInTabOrder();
    void theWordBoxHasTheFocusAtStart();
    void tabIsHeardOnTheNextButton();
    void f10IsHeardOnTheFirstMenu();
    void thePageIsReadAndLeavesTheFocusWhereItWas();
    void theFindBarAndItsResultAreRead();
    void theContextMenuOffersItsLookUpsAloud();

private:
    QLineEdit* wordBox() const { return m_real->control<QLineEdit>("txtWord"); }
    // Looks Apple up and puts the focus in the page.
    bool showApplePage();

    LocalHttpServer m_server;
    std::unique_ptr<RealWindow> m_real;
    AccessibleNode m_tree; // as the window opened
};

void ScreenReaderTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("AT-SPI needs an X11 display (run under xvfb-run)");
    QVERIFY(m_server.listen());
    m_server.setPage("/English?w=Apple", "<!DOCTYPE html><html><body><h1>Apple</h1>"
                                         "<p>A round fruit.</p><p>An apple a day.</p>"
                                         "</body></html>");
    m_real = std::make_unique<RealWindow>();
    QVERIFY2(m_real->startActive(queryStringsServedBy(m_server, QStringLiteral("about:blank"),
                                                      m_server.url("/English?w=%word"))),
             qPrintable(m_real->failure()));
    m_tree = readAccessibleTree();
    QVERIFY2(m_tree.error.isEmpty(), qPrintable(m_tree.error));
}

void ScreenReaderTest::cleanupTestCase()
{
    m_real.reset();
}

void ScreenReaderTest::menuItemsAreRead_data()
{
    // The window's own controls are read, with their roles, by controlsAreReadInTabOrder.
    QTest::addColumn<QString>("name");
    QTest::newRow("Option") << "Option";
    QTest::newRow("query strings") << "Online Dictionary Query String";
    QTest::newRow("Exit") << "Exit";
    QTest::newRow("Help") << "Help";
    QTest::newRow("Website") << "Website";
    QTest::newRow("About") << "About";
}

void ScreenReaderTest::menuItemsAreRead()
{
    QFETCH(QString, name);
    QVERIFY2(m_tree.find(QStringLiteral("menu item"), name), qPrintable(name));
}

void ScreenReaderTest::controlsAreReadInTabOrder()
{
    const AccessibleNode* window =
        m_tree.find(QStringLiteral("frame"), "Lexivo Dictionary II v1.1");
    QVERIFY(window && !window->children.empty());
    QStringList read;
    for (const AccessibleNode& control : window->children.front().children)
        read << control.role + ' ' + control.name;
    QCOMPARE(
        read,
        (QStringList{"label Word:", "text Word:", "push button Chinese", "push button English",
                     "push button Thesaurus", "push button Jananese", "push button Computer (Chi)",
                     "push button Computer (Eng)", "filler Dictionary page", "status bar Status"}));
}

void ScreenReaderTest::theWordBoxHasTheFocusAtStart()
{
    const AccessibleNode* focused = m_tree.focused();
    QVERIFY(focused);
    QCOMPARE(focused->role, QStringLiteral("text"));
    QCOMPARE(focused->name, QStringLiteral("Word:"));
}

void ScreenReaderTest::tabIsHeardOnTheNextButton()
{
    wordBox()->setFocus();
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    QTest::keyClick(wordBox(), Qt::Key_Tab);
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.detail1 == 1 && event.role == QLatin1String("push button") &&
               event.name == QLatin1String("Chinese");
    }));
    wordBox()->setFocus();
}

void ScreenReaderTest::f10IsHeardOnTheFirstMenu()
{
    wordBox()->setFocus();
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused"),
                            QStringLiteral("object:state-changed:selected")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    QTest::keyClick(wordBox(), Qt::Key_F10);
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.detail1 == 1 && event.name == QLatin1String("Option");
    }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.detail1 == 1 && event.name == QLatin1String("Word:");
    }));
    // Nothing inside the menu is heard: F10 only highlights it.
    for (const AccessibleEvent& event : log.events())
        QVERIFY2(event.detail1 == 0 || event.name == QLatin1String("Option") ||
                     event.name == QLatin1String("Word:"),
                 qPrintable(event.role + QStringLiteral(" \"") + event.name + '"'));
}

// A page's text reaches the screen reader; it neither moves the focus nor says it has it.
void ScreenReaderTest::thePageIsReadAndLeavesTheFocusWhereItWas()
{
    wordBox()->setFocus();
    wordBox()->setText(QStringLiteral("Apple"));
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    m_real->control<QPushButton>("cmdEn2En")->click(); // leaves the focus in the word box
    QVERIFY(m_real->waitForPages(2));

    AccessibleNode tree;
    // The engine hands its page's tree over a moment after the document is complete.
    waitUntil(
        [&] {
            tree = readAccessibleTree();
            return !tree.error.isEmpty() || tree.find(QStringLiteral("heading"), "Apple");
        },
        kTimeout);
    QVERIFY2(tree.error.isEmpty(), qPrintable(tree.error));
    const AccessibleNode* page = tree.find(QStringLiteral("document web"));
    QVERIFY(page);
    QVERIFY(page->find(QStringLiteral("heading"), QStringLiteral("Apple")));
    QVERIFY(page->findIf([](const AccessibleNode& node) {
        return node.name == QLatin1String("A round fruit.") ||
               node.text == QLatin1String("A round fruit.");
    }));

    const AccessibleNode* focused = tree.focused();
    QVERIFY(focused);
    QCOMPARE(focused->name, QStringLiteral("Word:"));
    for (const AccessibleEvent& event : log.events())
        QVERIFY2(event.detail1 == 0 || event.name == QLatin1String("Word:"),
                 qPrintable(event.role + QStringLiteral(" \"") + event.name + "\" took the focus"));
    QEXPECT_FAIL("", "the engine (Qt 6.4) marks its document focused whatever has the focus",
                 Continue);
    QVERIFY(!page->has(QStringLiteral("focused")));
}

bool ScreenReaderTest::showApplePage()
{
    if (!m_real->lookUp(QStringLiteral("Apple")))
        return false;
    m_real->page()->setFocus();
    return waitUntil([&] { return m_real->page()->focusProxy()->hasFocus(); }, kTimeout);
}

// Ctrl+F is heard on the find box; each result is read with it, as its description.
void ScreenReaderTest::theFindBarAndItsResultAreRead()
{
    QVERIFY(showApplePage());
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused"),
                            QStringLiteral("object:property-change:accessible-description")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    const auto closeBar =
        qScopeGuard([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.type == QLatin1String("object:state-changed:focused") && event.detail1 == 1 &&
               event.role == QLatin1String("text") && event.name == QLatin1String("Find in page");
    }));

    // The field itself, focused (the engine marks its document focused whatever has the focus).
    const auto readsResult = [](const QString& result) {
        const AccessibleNode* field = nullptr;
        AccessibleNode tree;
        waitUntil(
            [&] {
                tree = readAccessibleTree();
                field = tree.find(QStringLiteral("text"), QStringLiteral("Find in page"));
                return !tree.error.isEmpty() || (field && field->description == result);
            },
            kTimeout);
        return field && field->has(QStringLiteral("focused")) && field->description == result;
    };
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("apple"));
    QVERIFY(readsResult(QStringLiteral("1 of 2")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(readsResult(QStringLiteral("2 of 2")));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zzz"));
    QVERIFY(readsResult(QStringLiteral("Not found")));
    // Each change is told as it happens, on the box that has the focus.
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.type == QLatin1String("object:property-change:accessible-description") &&
               event.name == QLatin1String("Find in page");
    }));
}

// The menu of the page, opened on a selected word: the keys a keyboard user presses in it are
// heard on its lookup entries.
void ScreenReaderTest::theContextMenuOffersItsLookUpsAloud()
{
    QVERIFY(showApplePage());
    QWebEngineView* page = m_real->page();
    bool selected = false;
    page->page()->runJavaScript(
        QStringLiteral("window.getSelection().selectAllChildren(document.querySelector('h1'))"),
        [&](const QVariant&) { selected = true; });
    QVERIFY(waitUntil([&] { return selected; }, kTimeout));
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused"),
                            QStringLiteral("object:state-changed:selected")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    const auto closeMenus = qScopeGuard([] {
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });

    QTest::mouseClick(page->focusProxy(), Qt::RightButton, {}, QPoint(30, 40));
    QVERIFY(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }, kTimeout));
    const auto heard = [&](const QString& name) {
        return log.waitFor(
            [&](const AccessibleEvent& event) { return event.detail1 == 1 && event.name == name; });
    };
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Down);
    QVERIFY(heard(QStringLiteral("Look up \"Apple\"")));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QVERIFY(heard(QStringLiteral("Chinese")));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Down);
    QVERIFY(heard(QStringLiteral("English")));

    // And read: the open menu is in the tree, in the page's area, its lookups with it.
    const AccessibleNode tree = readAccessibleTree();
    QVERIFY2(tree.error.isEmpty(), qPrintable(tree.error));
    const AccessibleNode* area = tree.find(QStringLiteral("filler"), "Dictionary page");
    QVERIFY(area);
    const AccessibleNode* lookUp =
        area->find(QStringLiteral("menu item"), QStringLiteral("Look up \"Apple\""));
    QVERIFY(lookUp);
    QStringList dictionaries;
    for (const char* name :
         {"Chinese", "English", "Thesaurus", "Jananese", "Computer (Chi)", "Computer (Eng)"}) {
        if (lookUp->find(QStringLiteral("menu item"), QLatin1String(name)))
            dictionaries << QLatin1String(name);
    }
    QCOMPARE(dictionaries.size(), 6);
}

int main(int argc, char** argv)
{
    ScreenReaderSession session;
    RealWindow::prepareProcess();
    QApplication app(argc, argv);
    if (!session.failure().isEmpty())
        qFatal("%s", qPrintable(session.failure()));
    ScreenReaderTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_screen_reader.moc"
