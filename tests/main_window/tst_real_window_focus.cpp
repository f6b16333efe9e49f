// The main window's keyboard focus with the real QtWebEngine view, whose content widget (the
// view's focus proxy) appears only once the engine has started, after the window was built.

#include "main_window/main_window.h"
#include "temp_program_folder.h"
#include "wait_until.h"
#include "webengine/webengine_browser.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {

// A first page under Xvfb takes about a second; a loaded machine may take much longer.
constexpr int kTimeout = 20000;

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

private:
    // The design name of the control that has the focus: the page's content counts as the view.
    QString focusName() const;

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MainWindow> m_window;
    WebEngineBrowser* m_browser = nullptr; // owned by the window
};

void RealWindowFocusTest::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    auto browser = std::make_unique<WebEngineBrowser>();
    m_browser = browser.get();
    bool complete = false;
    connect(m_browser, &Browser::documentComplete, this, [&] { complete = true; });
    m_window = std::make_unique<MainWindow>(m_folder->path(), std::move(browser));
    m_window->show();
    m_window->activateWindow(); // with no window manager nobody else activates it
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // The home page (about:blank) has loaded, so the engine has made the view's content widget.
    QVERIFY(waitUntil([&] { return complete; }, kTimeout));
    disconnect(m_browser, nullptr, this, nullptr);
    QVERIFY(m_browser->webView()->focusProxy());
}

void RealWindowFocusTest::cleanup()
{
    m_window.reset();
    m_folder.reset();
    // The view's content widget goes with a deferred delete.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QString RealWindowFocusTest::focusName() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return QStringLiteral("<none>");
    if (m_browser->view()->isAncestorOf(focus))
        return QStringLiteral("WebBrowser1");
    return focus->objectName();
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
    m_window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setFocus();
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
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(m_browser->view());
    QVERIFY(page);
    QCOMPARE(page->text(QAccessible::Name), QStringLiteral("Dictionary page"));
}

int main(int argc, char** argv)
{
    // Only about:blank is loaded; should anything ask for a host, it fails inside the engine.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP * ~NOTFOUND, EXCLUDE 127.0.0.1\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QApplication app(argc, argv);
    RealWindowFocusTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_real_window_focus.moc"
