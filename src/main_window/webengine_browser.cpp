#include "webengine_browser.h"

#include "page_guards.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#include <QWebEngineQuotaRequest>
#endif
#include <QWebEngineRegisterProtocolHandlerRequest>

namespace {

// Decides, for the view, whether a navigation goes ahead and whether a new window opens; the
// browser answers through the signals. Once the browser is gone (a window deletes the view after
// it) nobody is connected and every navigation goes ahead.
//
// A dictionary page needs nothing beyond showing itself, so the page refuses, without asking
// the user, everything else a site may ask for: devices, location, notifications, pointer lock,
// full screen, protocol handlers, local files and storage quota. Each request is answered at
// once: unanswered, a permission request would stay pending in the page.
class BrowserPage : public GuardedPage
{
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, QObject* parent) : GuardedPage(profile, parent)
    {
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0) // later engines no longer ask
        connect(this, &QWebEnginePage::quotaRequested, this,
                [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    }

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

    // No file dialog: a chosen file could be read by the page, or written to, in place of a
    // refused download. A form's file input stays empty as a result.
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        return {};
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
    // A profile of our own. Off the record, like the engine's default profile: cookies, cache and
    // site data stay in memory and go when the program ends, so a lookup leaves nothing on disk
    // (a stored profile would keep a site's log-in between runs, which a dictionary does not
    // need). Being ours, the download refusal below touches no other page of the process. The
    // page owns it: a profile must outlive its pages, and the view may outlive this object.
    auto* profile = new QWebEngineProfile;
    // Left to the engine, the in-memory HTTP cache grows to 2 % of the machine's memory (50 MB
    // from 2.5 GB up) as lookups go on; the style sheets, scripts and fonts that the pages of six
    // sites share need far less, and result pages are seldom asked for twice.
    profile->setHttpCacheMaximumSize(8 * 1024 * 1024);
    auto* page = new BrowserPage(profile, m_view);
    profile->setParent(page);
    // Nothing is ever saved to disk: every download, from a link or from a response, is
    // cancelled before it starts, so no file is created.
    connect(profile, &QWebEngineProfile::downloadRequested, page,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            &WebEngineBrowser::onDownloadRefused);
    m_view->setPage(page);
    connect(page, &BrowserPage::navigationRequested, this,
            [this](const QUrl& url, bool isMainFrame, bool& cancel) {
                if (RendererWatchdog::isNotice(url))
                    return;
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
        m_stoppedMainUrl.clear();
        if (!reported && !RendererWatchdog::isNotice(info.url())) {
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
        m_stoppedMainUrl = info.url();
        return;
    }
}

// A navigation whose response is a file to save stops without a document, and the engine then
// asks for the download. It was reported when it started, so its end is reported too: the window
// waits for a DocumentComplete after every navigation.
void WebEngineBrowser::onDownloadRefused(const QWebEngineDownloadRequest* download)
{
    if (m_stoppedMainUrl.isEmpty() || download->url() != m_stoppedMainUrl)
        return;
    m_stoppedMainUrl.clear();
    Q_EMIT DocumentComplete(download->url().toString());
}

#include "webengine_browser.moc"
