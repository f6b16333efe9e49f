#pragma once

#include "browser/browser.h"
#include "webengine/browser_view.h"

#include <QPointer>
#include <QWebEngineView>

class BrowserPage;
class ConnectionWarmer;

// The program's browser: a QWebEngineView with the program's page (browser_page.h), which
// decides which navigations go ahead and that no window opens, and whose navigation tracker
// reports each navigation once; this class turns those reports into the signals of Browser. Its
// view holds the page's view, the find bar over it, and the browser's keys (browser_actions.h).
class WebEngineBrowser : public Browser
{
    Q_OBJECT
public:
    explicit WebEngineBrowser(QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    QWidget* view() override { return m_view; }
    // The engine's view of the page, inside view().
    QWebEngineView* webView() const { return m_webView; }
    void navigate(const QString& address, const QString& lookupCaption = QString()) override;
    void preconnect(const QList<QUrl>& origins) override;

Q_SIGNALS:
    // The page asked for a new window; none opens.
    void newWindowRefused();

private:
    QPointer<BrowserView> m_view; // ours until a window adopts it
    QPointer<QWebEngineView> m_webView;
    QPointer<BrowserPage> m_page;
    ConnectionWarmer* m_connectionWarmer; // a child, gone before the page's profile
};
