#pragma once

#include "web_browser_control.h"

#include <QPointer>
#include <QUrl>
#include <QWebEngineView>

class QWebEngineLoadingInfo;

// The program's browser: a QWebEngineView whose page reports every navigation and refuses every
// new window, turning QtWebEngine's signals into the three events of WebBrowserControl.
class WebEngineBrowser : public WebBrowserControl
{
    Q_OBJECT
  public:
    explicit WebEngineBrowser(QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    QWebEngineView* view() override { return m_view; }
    void Navigate(const QString& address) override;

  private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);

    QPointer<QWebEngineView> m_view; // ours until a window adopts it
    QUrl m_reportedMainUrl;          // reported before its load started
};
