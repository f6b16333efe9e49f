// The main window under a real window manager (openbox on the test's X display), which frames
// the window only after it is first shown: the layout must follow the outer size once the
// frame is known. Skipped where openbox is not installed or the display is not X11.

#include "core/form_layout.h"
#include "real_window.h"
#include "wait_until.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kTimeout = 10000;

} // namespace

class WindowManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void firstLayoutUsesTheFramedSize();
    void maximiseAndRestoreUseTheFramedSize();

private:
    QProcess m_openbox;
};

void WindowManagerTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X11 display (run under xvfb-run)");
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty())
        QSKIP("openbox is not installed (apt-get install openbox)");
    m_openbox.setProgram(openbox);
    m_openbox.setArguments({QStringLiteral("--sm-disable")});
    m_openbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_openbox.start();
    QVERIFY(m_openbox.waitForStarted());

    // The window manager is up once it frames a window.
    QWidget probe;
    probe.resize(200, 100);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QVERIFY2(waitUntil([&] { return !probe.windowHandle()->frameMargins().isNull(); }, kTimeout),
             "openbox framed no window");
    if (m_openbox.state() == QProcess::NotRunning)
        QSKIP("another window manager runs on this display; the figures below are openbox's");
}

void WindowManagerTest::cleanupTestCase()
{
    if (m_openbox.state() != QProcess::NotRunning) {
        m_openbox.terminate();
        if (!m_openbox.waitForFinished(5000))
            m_openbox.kill();
    }
}

// With openbox's default theme the frame adds 1 px on either side, 20 px above (border and
// caption) and 5 px below: the 877 x 711 px window (13155 x 10665 twips with its menu bar) is
// 879 x 736 px (13185 x 11040 twips) outside; maximised on the 1600 x 1200 screen it has no side
// borders and fills the screen.
void WindowManagerTest::firstLayoutUsesTheFramedSize()
{
    RealWindow real;
    QVERIFY2(real.start(), qPrintable(real.failure()));
    MainWindow& window = *real.window;
    QVERIFY(waitUntil([&] { return !window.windowHandle()->frameMargins().isNull(); }, kTimeout));
    QCOMPARE(window.windowHandle()->frameGeometry().size(), QSize(879, 736));

    // Without the frame the word box would be 3965 twips and the view 8365 twips high.
    waitUntil([&] { return window.rowLayout().wordWidth == 3995.f; }, 3000);
    const layout::MainRow& row = window.rowLayout();
    QCOMPARE(row.wordWidth, 3995.f);
    QCOMPARE(row.buttonLeft[0], 5055.f);
    QCOMPARE(row.buttonLeft[5], 11630.f);
    QCOMPARE(row.browserWidth, 12785.f);
    QCOMPARE(row.browserHeight, 8740.f);
    QCOMPARE(real.control("txtWord")->width(), 266);
    QCOMPARE(real.control("WebBrowser1")->size(), QSize(852, 583));
}

void WindowManagerTest::maximiseAndRestoreUseTheFramedSize()
{
    if (QGuiApplication::primaryScreen()->size() != QSize(1600, 1200))
        QSKIP("the figures below are for a 1600 x 1200 screen");
    RealWindow real;
    QVERIFY2(real.start(), qPrintable(real.failure()));
    MainWindow& window = *real.window;
    QVERIFY(waitUntil([&] { return window.rowLayout().wordWidth == 3995.f; }, kTimeout));

    window.showMaximized();
    QVERIFY(waitUntil([&] { return window.rowLayout().wordWidth == 14810.f; }, kTimeout));
    QCOMPARE(window.windowHandle()->frameGeometry().size(), QSize(1600, 1200));
    QCOMPARE(window.rowLayout().browserWidth, 23600.f);
    QCOMPARE(window.rowLayout().browserHeight, 15700.f);

    window.showNormal();
    QVERIFY(waitUntil([&] { return window.rowLayout().wordWidth == 3995.f; }, kTimeout));
    QCOMPARE(window.rowLayout().browserWidth, 12785.f);
    QCOMPARE(window.rowLayout().browserHeight, 8740.f);
}

LEXIVO_REAL_WINDOW_MAIN(WindowManagerTest)
#include "tst_window_manager.moc"
