#pragma once

#include "local_http_server.h"
#include "main_window/main_window.h"
#include "page_driver.h"
#include "temp_program_folder.h"
#include "webengine/webengine_browser.h"

#include <QObject>
#include <QStringList>

#include <memory>

class QMenu;

// The main window with the program's QtWebEngine browser in it, made here rather than loaded as
// the engine module, so that a test can reach the browser's parts (its actions, find bar and
// printer). Its settings are served by the suite's server; what the browser reports is recorded.
class BrowserWindow : public QObject
{
public:
    explicit BrowserWindow(const LocalHttpServer& server) : m_server(server) {}

    // A page of words to find, select and look up, with a field that counts its Escapes.
    static QByteArray wordsPage();
    ~BrowserWindow() override;

    // Starts the window, in place of the one before, with the home page and the English template
    // given (every other lookup "/<Key>?w=%word" on the server), shown and active.
    bool start(const QString& home, const QString& englishTemplate);
    // Closes the window; true once it and its views have gone.
    bool stop();

    QString status() const;
    QWebEngineView* view() const { return browser->webView(); }
    // A part of the browser, found in its view.
    template <typename T> T* part() const { return browser->view()->findChild<T*>(); }
    QWidget* content() const;

    // Waits until url has completed count times and the status text is clear.
    bool waitForComplete(const QString& url, int count = 1);
    // Types word into the word box and clicks the button; returns at once.
    void lookUp(const char* button, const QString& word);
    // Loads the server's page at target and waits for it.
    bool loadPage(const QString& target);
    QVariant evaluate(const QString& script)
    {
        return page_driver::evaluate(view()->page(), script);
    }
    QString pageText() { return page_driver::text(view()->page()); }
    bool focusPage();
    // A key pressed where the focus is.
    static void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // Right-clicks the page at pos and returns the menu that opens, or null.
    QMenu* openContextMenu(QPoint pos);

    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<MainWindow> window;
    WebEngineBrowser* browser = nullptr; // owned by the window
    QStringList before;                  // navigationStarting URLs, in order
    QStringList completed;               // documentComplete URLs, in order

private:
    const LocalHttpServer& m_server;
};
