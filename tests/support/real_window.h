#pragma once

#include "core/query_string_set.h"
#include "main_window/main_window.h"
#include "temp_program_folder.h"

#include <QApplication>
#include <QObject>
#include <QStringList>
#include <QTest>

#include <memory>
#include <optional>

class DeferredBrowser;
class QWebEngineView;

// The main window with the real engine, started as the program starts it: the engine module
// loaded by the engine loader (once per process), a deferred browser in the window, a throw-away
// program folder whose settings file holds the given query strings. start() returns once the
// engine's view is in the window and the home page is complete; every page the browser completes is
// recorded with the status text the window left.
//
// Suites that use it link lexivo_real_window and end with LEXIVO_REAL_WINDOW_MAIN, or call
// prepareProcess() in a main() of their own: the process is set up as the program's main() does
// it, and every host but 127.0.0.1 fails inside the engine.
class RealWindow : public QObject
{
public:
    // A first page under Xvfb takes about a second; a loaded machine may take much longer.
    static constexpr int kTimeout = 20000;

    RealWindow();
    ~RealWindow() override;

    // Without query strings the window starts with the built-in ones (about:blank as the home
    // page). False, with failure() saying why, when the engine or the window did not come up.
    bool start(const std::optional<QueryStringSet>& queryStrings = std::nullopt);
    // The same, the window active, as a keyboard user finds it.
    bool startActive(const std::optional<QueryStringSet>& queryStrings = std::nullopt);
    QString failure() const { return m_failure; }

    // A control of the window by its object name ("txtWord", "cmdEn2En", "StatusBar1").
    template <typename T = QWidget> T* control(const char* name) const
    {
        return window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
    }
    // The engine's view, inside the window's browser area ("WebBrowser1").
    QWebEngineView* page() const;
    QString status() const;
    // The name of the control with the focus; anything inside the browser area counts as it.
    QString focusName() const;

    // Types the word into the word box, presses the button and waits for the next complete page.
    bool lookUp(const QString& word, const char* button = "cmdEn2En");
    // Waits until the browser has completed `count` pages since the window started.
    bool waitForPages(int count, int timeout = kTimeout);

    // Once the fixtures are gone: the windows and their views left no window behind.
    static bool allWindowsGone();
    // Before the application object.
    static void prepareProcess();

    TempProgramFolder folder;
    std::unique_ptr<MainWindow> window;
    DeferredBrowser* browser = nullptr; // owned by the window
    QStringList completed;              // documentComplete URLs, in order
    QStringList statusAtComplete;       // the status text once the window has handled each

private:
    QString m_failure;
};

#define LEXIVO_REAL_WINDOW_MAIN(TestObject)                                                        \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        RealWindow::prepareProcess();                                                              \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
