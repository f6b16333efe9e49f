#pragma once

#include "core/error_page.h"

#include <QWebEnginePage>

class NavigationTracker;
class QWebEngineLoadingInfo;

// The browser's page: it decides, in its overrides, which navigations go ahead (none that would
// leave the browser for another program) and that no window opens, and it cannot hold the
// program or the machine: it shows no script dialog, reads no local file, saves no file, sends
// no credentials and obtains no permission (devices, location, notifications, pointer lock, full
// screen, protocol handlers, storage quota), all refused at once without asking the user. A
// dictionary page needs none of these, and each has been used to lock the program or to carry
// data away. Its profile is its own, in memory only. When a site cannot be reached it shows the
// program's error page in place of the engine's.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit BrowserPage(QObject* parent = nullptr);

    // The one record of this page's navigations.
    NavigationTracker* navigations() const { return m_navigations; }
    // The colours of the program's error pages: those of the view that shows the page, so that
    // they follow the desktop's style, dark or light.
    error_page::Colors errorPageColors() const;

Q_SIGNALS:
    // The page asked for a new window, and got none.
    void newWindowRefused();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    // Each dialog would be application-modal and block the program until answered; a page can
    // show them in a loop. They are answered at once instead, as if the user had said no.
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override;

private:
    void refuseRequests();
    bool acceptRedirect(const QUrl& url, bool isMainFrame);
    void showErrorPage(const QWebEngineLoadingInfo& info);

    NavigationTracker* m_navigations;
    const QString m_frameMarker; // of the frames' load reports
};
