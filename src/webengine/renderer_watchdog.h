#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

class BrowserPage;
class NavigationTracker;

// Keeps the browser usable when the process that renders its page fails. A renderer that no
// longer answers while a navigation of the top page waits for it is killed, and the navigation
// is started again in a fresh one; a renderer that crashed or ran out of memory leaves a short
// page of the program's own in the view. A child of the page it watches; the page's navigation
// tracker says which navigation waits.
class RendererWatchdog : public QObject
{
    Q_OBJECT
public:
    explicit RendererWatchdog(BrowserPage* page);

    // How long a renderer may leave a waiting navigation unanswered.
    static constexpr int kUnresponsiveMs = 2500;

private:
    void watch(const QUrl& url);
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void probe();
    void check();

    BrowserPage* m_page;
    const NavigationTracker* m_navigations;
    QTimer m_ticker;               // while a navigation of the top page is under way
    QElapsedTimer m_silent;        // since the navigation started
    qint64 m_probedPid = 0;        // the renderer being watched
    QUrl m_pendingUrl;             // the navigation waiting
    QUrl m_restartUrl;             // to start again once the renderer killed for it is gone
    bool m_firstNavigation = true; // of the top page: none has started yet
};
