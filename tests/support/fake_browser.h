#pragma once

#include "browser/web_browser_control.h"

#include <QStringList>
#include <QWidget>

// A browser that loads nothing: it records the addresses it was asked to navigate to and lets a
// test raise the browser's events.
class FakeBrowser : public WebBrowserControl
{
    Q_OBJECT
public:
    FakeBrowser();
    ~FakeBrowser() override;

    QWidget* view() override { return m_view; }
    void Navigate(const QString& address) override { navigations.append(address); }

    // Raises the events as the real browser would; return the cancel flag the handlers left.
    bool raiseBeforeNavigate2(const QString& url);
    bool raiseNewWindow2();
    void raiseDocumentComplete(const QString& url = QString());

    // Gives the view a content widget as its focus proxy, as the real engine does once it has
    // started (after the window has set its tab order).
    QWidget* makeContent();

    QStringList navigations;

private:
    QWidget* m_view; // owned by the window once placed there
};
