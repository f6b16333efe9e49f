#include "webengine_browser.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

namespace {

// Decides, for the view, whether a navigation goes ahead and whether a new window opens; the
// browser answers through the signals. Once the browser is gone (the window deletes the view
// after it) nobody is connected and everything goes ahead.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

Q_SIGNALS:
    void navigationRequested(const QUrl& url, bool isMainFrame, bool& cancel);
    void newWindowRequested(bool& cancel);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // A redirect continues a navigation that was reported when it started.
        if (type == NavigationTypeRedirect)
            return true;
        bool cancel = false;
        Q_EMIT navigationRequested(url, isMainFrame, cancel);
        return !cancel;
    }

    QWebEnginePage* createWindow(WebWindowType) override
    {
        bool cancel = false;
        Q_EMIT newWindowRequested(cancel);
        // The program has a single browser: whatever the answer, no window opens.
        return nullptr;
    }
};

} // namespace

WebEngineBrowser::WebEngineBrowser(QObject* parent)
    : WebBrowserControl(parent), m_view(new QWebEngineView)
{
    auto* page = new BrowserPage(m_view);
    m_view->setPage(page);
    connect(page, &BrowserPage::navigationRequested, this,
            [this](const QUrl& url, bool isMainFrame, bool& cancel) {
                if (isMainFrame)
                    m_reportedMainUrl = url;
                Q_EMIT BeforeNavigate2(url.toString(), cancel);
            });
    connect(page, &BrowserPage::newWindowRequested, this, &WebBrowserControl::NewWindow2);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
}

WebEngineBrowser::~WebEngineBrowser()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

void WebEngineBrowser::Navigate(const QString& address)
{
    if (address.isEmpty())
        return;
    // As an address bar does: "example.com" becomes "http://example.com".
    const QUrl url = QUrl::fromUserInput(address);
    if (url.isValid())
        m_view->load(url);
}

// The engine announces a main-frame navigation in two ways, in this order: the page's
// acceptNavigationRequest (every network or data: URL, but never about:blank) and then
// loadingChanged(LoadStartedStatus) (every load, about:blank included, but only when the view
// was idle: a navigation that replaces a load still in progress starts no new load). So the
// page raises BeforeNavigate2 for what it is asked, and a load start raises it only for a URL
// the page was not just asked about. Such a navigation can no longer be refused, so a cancel
// stops it instead. A finished load raises DocumentComplete; a stopped one (cancelled) does not.
void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus: {
        const bool reported = info.url() == m_reportedMainUrl;
        m_reportedMainUrl.clear();
        if (reported)
            return;
        bool cancel = false;
        Q_EMIT BeforeNavigate2(info.url().toString(), cancel);
        if (cancel)
            m_view->stop();
        return;
    }
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        Q_EMIT DocumentComplete(info.url().toString());
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        return;
    }
}

#include "webengine_browser.moc"
