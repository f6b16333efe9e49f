#pragma once

#include "browser/browser.h"

#include <QPointer>
#include <QUrl>
#include <QWebEngineView>

class BrowserActions;
class ConnectionWarmer;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;

// The program's browser: a QWebEngineView whose page reports every navigation, refuses the page
// navigations address_rule refuses and every new window, turning QtWebEngine's signals into the
// signals of Browser. Pages shown in it cannot save files or obtain permissions (see the .cpp).
class WebEngineBrowser : public Browser
{
    Q_OBJECT
public:
    explicit WebEngineBrowser(QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    QWebEngineView* view() override { return m_view; }
    void navigate(const QString& address, const QString& lookupCaption = QString()) override;
    void preconnect(const QList<QUrl>& origins) override;

Q_SIGNALS:
    // The page asked for a new window; none opens.
    void newWindowRefused();

private:
    bool acceptNavigation(const QUrl& url, bool isMainFrame);
    bool acceptRedirect(const QUrl& url, bool isMainFrame);
    bool reportNavigation(const QUrl& url);
    void reportDocument(const QUrl& url);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onDownloadRefused(const QWebEngineDownloadRequest* download);
    // Ends the main frame's latest navigation, which brought no document, if it is url's.
    void endPendingMainNavigation(const QUrl& url);

    QPointer<QWebEngineView> m_view;                // ours until a window adopts it
    ConnectionWarmer* m_connectionWarmer = nullptr; // a child, gone before the view's profile
    QPointer<BrowserActions> m_actions; // the view's keys, menu, find bar and error page
    QUrl m_reportedMainUrl;             // reported before its load started
    QUrl m_pendingMainUrl;              // the main frame's latest navigation, until it ends
    QUrl m_externalLoadUrl;             // a mailto: (or the like) load, reported when it started
    QList<QUrl> m_pendingFrameUrls;     // frames' navigations, until their documents load
};
