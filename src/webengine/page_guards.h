#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

class QAuthenticator;
class QWebEngineLoadingInfo;
class QWebEngineNavigationRequest;

// A page that cannot hold the program or the machine: it never shows a script dialog, reads no
// local file, opens no window from a script and sends no credentials. A dictionary page needs
// none of these, and each has been used to lock the program or to carry data away.
class GuardedPage : public QWebEnginePage
{
    Q_OBJECT
public:
    GuardedPage(QWebEngineProfile* profile, QObject* parent);

protected:
    // Each dialog would be application-modal and block the program until answered; a page can
    // show them in a loop. They are answered at once instead, as if the user had said no.
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
};

// Keeps the browser usable when the process that renders its page fails. A renderer that no
// longer answers while a main-frame navigation waits for it is killed, and the engine carries
// the navigation on in a fresh one; a renderer that crashed or ran out of memory leaves a short
// notice in the view. A child of the page it watches.
class RendererWatchdog : public QObject
{
    Q_OBJECT
public:
    explicit RendererWatchdog(QWebEnginePage* page);

    // Whether url is that of the notice shown after a crash: the browser shows it, nobody
    // navigates to it, so it is not reported as a navigation.
    static bool isNotice(const QUrl& url);

    // How long a renderer may leave a waiting navigation unanswered.
    static constexpr int kUnresponsiveMs = 2500;

private:
    void onNavigationRequested(const QWebEngineNavigationRequest& request);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void watch(const QUrl& url);
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void probe();
    void check();

    QWebEnginePage* m_page;
    QTimer m_ticker;        // while a main-frame navigation is pending
    QElapsedTimer m_silent; // since the navigation started
    qint64 m_probedPid = 0; // the renderer being watched
    QUrl m_pendingUrl;      // the navigation waiting
    QUrl m_restartUrl;      // to start again once the renderer killed for it is gone
};
