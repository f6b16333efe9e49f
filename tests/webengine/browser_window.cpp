#include "browser_window.h"

#include "design/simple_status_bar.h"
#include "served_query_strings.h"
#include "wait_until.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

BrowserWindow::~BrowserWindow()
{
    stop();
}

QByteArray BrowserWindow::wordsPage()
{
    return "<!DOCTYPE html><html><body style='margin:0'>"
           "<p id='w' style='font-size:60px;margin:0'>Apple</p>"
           "<p>apple pie, apple tart, Apple</p>"
           "<input id='i' style='font-size:40px' value='banana split' "
           "onkeydown='if (event.key === \"Escape\") ++window.escapes'>"
           "<script>window.escapes = 0;</script>"
           "<p id='long'>" +
           QByteArray(150, 'x') + "</p></body></html>";
}

bool BrowserWindow::stop()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    window.reset(); // before its folder
    folder.reset();
    browser = nullptr;
    before.clear();
    completed.clear();
    // The view's content widget goes with a deferred delete.
    return waitUntil([] { return QApplication::topLevelWidgets().isEmpty(); },
                     page_driver::kTimeout);
}

bool BrowserWindow::start(const QString& home, const QString& englishTemplate)
{
    stop();
    folder = std::make_unique<TempProgramFolder>();
    folder->writeSettings(queryStringsServedBy(m_server, home, englishTemplate));
    auto made = std::make_unique<WebEngineBrowser>();
    browser = made.get();
    connect(browser, &Browser::navigationStarting, this,
            [this](const QString& url) { before.append(url); });
    connect(browser, &Browser::documentComplete, this,
            [this](const QString& url) { completed.append(url); });
    window = std::make_unique<MainWindow>(folder->path(), std::move(made));
    window->show();
    window->activateWindow(); // with no window manager nobody else activates it
    return QTest::qWaitForWindowActive(window.get());
}

QString BrowserWindow::status() const
{
    return window->statusBarWidget()->text();
}

QWidget* BrowserWindow::content() const
{
    return view()->focusProxy();
}

bool BrowserWindow::waitForComplete(const QString& url, int count)
{
    return waitUntil([&] { return completed.count(url) >= count && status().isEmpty(); },
                     page_driver::kTimeout);
}

void BrowserWindow::lookUp(const char* button, const QString& word)
{
    window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(word);
    window->findChild<QPushButton*>(QLatin1String(button))->click();
}

bool BrowserWindow::loadPage(const QString& target)
{
    const QString url = m_server.url(target);
    const int count = completed.count(url);
    browser->navigate(url);
    return waitForComplete(url, count + 1);
}

bool BrowserWindow::focusPage()
{
    if (!content())
        return false;
    view()->setFocus();
    return waitUntil([&] { return content()->hasFocus(); }, page_driver::kTimeout);
}

void BrowserWindow::key(int key, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
}

QMenu* BrowserWindow::openContextMenu(QPoint pos)
{
    QTest::mouseClick(content(), Qt::RightButton, {}, pos);
    QMenu* menu = nullptr;
    waitUntil(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        },
        page_driver::kTimeout);
    return menu;
}
