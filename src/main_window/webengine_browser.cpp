#include "webengine_browser.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

namespace {

// Decides, for the view, whether a navigation goes ahead and whether a new window opens; the
// browser answers through the signals. Once the browser is gone (a window deletes the view after
// it) nobody is connected and everything goes ahead.
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

// How each navigation is reported once. The engine announces a main-frame navigation in two
// ways, in this order: the page's acceptNavigationRequest (network and data: URLs, never an
// about: page) and then loadingChanged(LoadStartedStatus) (about: pages too, but only
// when the view was idle: a navigation that replaces a load still in progress starts no new
// load). So the page's request is reported, and a load start only when its URL was not just
// reported. An about: page is shown by the time its load starts, too late to refuse it: one we
// navigate to ourselves is reported before loading, so that a cancel keeps it out.

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
    if (!url.isValid())
        return;
    if (url.scheme() == QLatin1String("about")) {
        bool cancel = false;
        Q_EMIT BeforeNavigate2(url.toString(), cancel);
        if (cancel)
            return;
        m_reportedMainUrl = url;
    }
    m_view->load(url);
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus: {
        // The engine drops the fragment of an about: URL when it starts the load.
        const bool reported = info.url().adjusted(QUrl::RemoveFragment) ==
                              m_reportedMainUrl.adjusted(QUrl::RemoveFragment);
        m_reportedMainUrl.clear();
        if (!reported) {
            bool cancel = false; // too late to act on, see above
            Q_EMIT BeforeNavigate2(info.url().toString(), cancel);
        }
        return;
    }
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        Q_EMIT DocumentComplete(info.url().toString());
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus: // refused or stopped: nothing was loaded
        return;
    }
}

#include "webengine_browser.moc"
