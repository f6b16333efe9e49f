// The main window as a screen reader reads it over AT-SPI: every control by its role and name,
// and where the focus is.

#include "main_window_fixture.h"
#include "screen_reader.h"

#include <QApplication>
#include <QTest>

class ScreenReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void controlsAreReadByRoleAndName_data();
    void controlsAreReadByRoleAndName();
    void theWordBoxHasTheFocusAtStart();
    void tabIsHeardOnTheNextButton();

private:
    std::unique_ptr<MainWindowFixture> m_started;
    AccessibleNode m_tree;
};

void ScreenReaderTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("AT-SPI needs an X11 display (run under xvfb-run)");
    m_started = std::make_unique<MainWindowFixture>();
    m_started->window->show();
    m_started->window->activateWindow(); // with no window manager nobody else activates it
    QVERIFY(QTest::qWaitForWindowActive(m_started->window.get()));
    m_tree = readAccessibleTree();
    QVERIFY2(m_tree.error.isEmpty(), qPrintable(m_tree.error));
}

void ScreenReaderTest::cleanupTestCase()
{
    m_started.reset();
}

void ScreenReaderTest::controlsAreReadByRoleAndName_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("window") << "frame"
                            << "Lexivo Dictionary II v1.1";
    QTest::newRow("word box") << "text"
                              << "Word:";
    QTest::newRow("Chinese") << "push button"
                             << "Chinese";
    QTest::newRow("English") << "push button"
                             << "English";
    QTest::newRow("Thesaurus") << "push button"
                               << "Thesaurus";
    QTest::newRow("Japanese") << "push button"
                              << "Jananese";
    QTest::newRow("Computer (Chi)") << "push button"
                                    << "Computer (Chi)";
    QTest::newRow("Computer (Eng)") << "push button"
                                    << "Computer (Eng)";
    QTest::newRow("page") << "filler"
                          << "Dictionary page";
    QTest::newRow("status bar") << "status bar"
                                << "Status";
    QTest::newRow("Option") << "menu item"
                            << "Option";
    QTest::newRow("query strings") << "menu item"
                                   << "Online Dictionary Query String";
    QTest::newRow("Exit") << "menu item"
                          << "Exit";
    QTest::newRow("Help") << "menu item"
                          << "Help";
    QTest::newRow("Website") << "menu item"
                             << "Website";
    QTest::newRow("About") << "menu item"
                           << "About";
}

void ScreenReaderTest::controlsAreReadByRoleAndName()
{
    QFETCH(QString, role);
    QFETCH(QString, name);
    QVERIFY2(m_tree.find(role, name), qPrintable(role + QStringLiteral(" \"") + name + '"'));
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
    AccessibleEventLog log({QStringLiteral("object:state-changed:focused")});
    QVERIFY2(log.failure().isEmpty(), qPrintable(log.failure()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(log.waitFor([](const AccessibleEvent& event) {
        return event.detail1 == 1 && event.role == QLatin1String("push button") &&
               event.name == QLatin1String("Chinese");
    }));
}

int main(int argc, char** argv)
{
    ScreenReaderSession session;
    QApplication app(argc, argv);
    if (!session.failure().isEmpty())
        qFatal("%s", qPrintable(session.failure()));
    ScreenReaderTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_screen_reader.moc"
