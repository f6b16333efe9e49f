#include "webengine/webengine_browser.h"

#include "core/address_rule.h"
#include "webengine/browser_actions.h"
#include "webengine/connection_warmer.h"
#include "webengine/page_guards.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#include <QWebEngineQuotaRequest>
#endif
#include <QWebEngineRegisterProtocolHandlerRequest>

#include <QRandomGenerator>

#include <functional>

namespace {

// The engine reports loads of the main frame only. This script, run in every frame but the top
// one, in a world of its own that the page cannot see, logs a marker and the frame's address when
// the frame has loaded; the page picks the message up by its source, the script's name, and by
// the marker, which the page cannot know.
const QString kFrameScriptName = QStringLiteral("lexivo-frame-loaded");

QWebEngineScript frameLoadScript(const QString& marker)
{
    QWebEngineScript script;
    script.setName(kFrameScriptName);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(
        QStringLiteral("if (window !== window.top) {"
                       "  const report = function() { console.log('%1' + location.href); };"
                       "  if (document.readyState === 'complete') report();"
                       "  else window.addEventListener('load', report);"
                       "}")
            .arg(marker));
    return script;
}

// The view's page. Whether a navigation goes ahead is the browser's decision, asked through
// decideNavigation; once the browser is gone (a window deletes the view after it) nobody decides
// and every navigation goes ahead. No new window ever opens.
//
// A dictionary page needs nothing beyond showing itself, so the page refuses, without asking
// the user, everything else a site may ask for: devices, location, notifications, pointer lock,
// full screen, protocol handlers, local files and storage quota. Each request is answered at
// once: unanswered, a permission request would stay pending in the page.
class BrowserPage : public GuardedPage
{
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, QObject* parent)
        : GuardedPage(profile, parent),
          m_frameMarker(
              QStringLiteral("frame loaded %1 ")
                  .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')))
    {
        scripts().insert(frameLoadScript(m_frameMarker));
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

    // Answers whether a navigation goes ahead; a redirect continues a navigation that was
    // reported when it started.
    std::function<bool(const QUrl& url, bool isMainFrame, bool isRedirect)> decideNavigation;

Q_SIGNALS:
    // A frame (not the top page) has loaded its document.
    void frameLoaded(const QUrl& url);
    // The page asked for a new window, and got none.
    void newWindowRefused();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        return !decideNavigation ||
               decideNavigation(url, isMainFrame, type == NavigationTypeRedirect);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override
    {
        if (sourceId == QLatin1String("userscript:") + kFrameScriptName &&
            message.startsWith(m_frameMarker)) {
            Q_EMIT frameLoaded(QUrl(message.mid(m_frameMarker.size())));
            return;
        }
        GuardedPage::javaScriptConsoleMessage(level, message, lineNumber, sourceId);
    }

    // No file dialog: a chosen file could be read by the page, or written to, in place of a
    // refused download. A form's file input stays empty as a result.
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        return {};
    }

    QWebEnginePage* createWindow(WebWindowType) override
    {
        // The program has a single browser: no window opens.
        Q_EMIT newWindowRefused();
        return nullptr;
    }

private:
    const QString m_frameMarker;
};

} // namespace

// How each navigation is reported once. The engine announces a main-frame navigation in two
// ways, in this order: the page's acceptNavigationRequest (network and data: URLs, never an
// about: page) and then loadingChanged(LoadStartedStatus) (about: pages too, but only
// when the view was idle: a navigation that replaces a load still in progress starts no new
// load). So the page's request is reported, and a load start only when its URL was not just
// reported. An about: page is shown by the time its load starts, too late to refuse it: one we
// navigate to ourselves is reported before loading, so that a refusal keeps it out.
//
// How each reported navigation ends. A document, the top page's or a frame's, ends it when it
// has loaded, or failed (the engine shows its error page). A main-frame navigation that brings
// no document stops instead: an empty (204) response, a file to save, a navigation the page or
// the engine aborts. Its stop ends it, but only while it is the main frame's latest navigation:
// the one it gave way to also stops the old load, after being reported itself. A frame's
// navigation to a file ends with the download; one answered with an empty response shows no
// sign at all, and ends only with the next document.
// An address the engine would hand to another program (mailto: and the like) is refused, and
// its navigation ends at once.

WebEngineBrowser::WebEngineBrowser(QObject* parent) : Browser(parent), m_view(new QWebEngineView)
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
    m_connectionWarmer = new ConnectionWarmer(profile, this);
    // Nothing is ever saved to disk: every download, from a link or from a response, is
    // cancelled before it starts, so no file is created.
    connect(profile, &QWebEngineProfile::downloadRequested, page,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            &WebEngineBrowser::onDownloadRefused);
    m_view->setPage(page);
    page->decideNavigation = [this](const QUrl& url, bool isMainFrame, bool isRedirect) {
        return isRedirect ? acceptRedirect(url, isMainFrame) : acceptNavigation(url, isMainFrame);
    };
    // A frame shown empty or from its own text (about:blank, about:srcdoc) loads without a
    // reported navigation.
    connect(page, &BrowserPage::frameLoaded, this, [this](const QUrl& url) {
        m_pendingFrameUrls.removeOne(url);
        if (url.scheme() != QLatin1String("about"))
            reportDocument(url);
    });
    connect(page, &BrowserPage::newWindowRefused, this, &WebEngineBrowser::newWindowRefused);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
    m_actions = new BrowserActions(m_view); // keys, zoom, find, print, context menu, error page
    connect(m_actions, &BrowserActions::lookUpRequested, this, &Browser::lookUpRequested);
}

WebEngineBrowser::~WebEngineBrowser()
{
    delete m_connectionWarmer; // its page before the view's profile
    if (!m_view)
        return;
    // The view may outlive this object inside a window: its page must not ask us any more.
    if (auto* page = qobject_cast<BrowserPage*>(m_view->page()))
        page->decideNavigation = nullptr;
    if (!m_view->parent())
        delete m_view;
}

// The one place a navigation is reported: refused when a page would leave the browser for
// another program (mailto: and the like), otherwise starting.
bool WebEngineBrowser::reportNavigation(const QUrl& url)
{
    const QString address = url.toString();
    const address_rule::Verdict verdict = address_rule::classifyPageNavigation(address);
    if (verdict.refused()) {
        Q_EMIT navigationRefused(address, address_rule::refusalText(address, verdict));
        return false;
    }
    Q_EMIT navigationStarting(address);
    return true;
}

void WebEngineBrowser::reportDocument(const QUrl& url)
{
    Q_EMIT documentComplete(url.toString());
}

bool WebEngineBrowser::acceptNavigation(const QUrl& url, bool isMainFrame)
{
    if (RendererWatchdog::isNotice(url))
        return true;
    // A link to mailto: and the like starts a load that the engine stops; clicked by the user,
    // it is also asked about, to hand it to another program. Its load reported it already.
    if (isMainFrame && !m_externalLoadUrl.isEmpty() && url == m_externalLoadUrl) {
        m_externalLoadUrl.clear();
        return false;
    }
    if (isMainFrame)
        m_reportedMainUrl = url;
    if (!reportNavigation(url))
        return false;
    if (isMainFrame) {
        m_pendingMainUrl = url;
        m_pendingFrameUrls.clear(); // the frames go with their page
    } else {
        m_pendingFrameUrls.append(url);
    }
    return true;
}

// A redirect to mailto: and the like ends its navigation there.
bool WebEngineBrowser::acceptRedirect(const QUrl& url, bool isMainFrame)
{
    if (address_rule::classifyPageNavigation(url.toString()).refused()) {
        if (isMainFrame)
            m_pendingMainUrl.clear();
        reportDocument(url);
        return false;
    }
    if (isMainFrame)
        m_pendingMainUrl = url;
    else
        m_pendingFrameUrls.append(url);
    return true;
}

void WebEngineBrowser::preconnect(const QList<QUrl>& origins)
{
    m_connectionWarmer->warmUp(origins);
}

void WebEngineBrowser::navigate(const QString& address, const QString& lookupCaption)
{
    // As an address bar does: "example.com" becomes "http://example.com". An address that is
    // refused (the window says why) never reaches the engine: some would crash it.
    const address_rule::Verdict verdict = address_rule::classify(address);
    if (verdict.kind != address_rule::Verdict::Open)
        return;
    const QUrl& url = verdict.url;
    if (m_actions)
        m_actions->setLookupContext(lookupCaption);
    if (url.scheme() == QLatin1String("about")) {
        if (!reportNavigation(url))
            return;
        m_reportedMainUrl = url;
        m_pendingMainUrl = url;
    }
    m_view->load(url);
}

namespace {
// The engine drops the fragment of an about: URL when it starts the load.
bool sameDocument(const QUrl& a, const QUrl& b)
{
    return a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
}
} // namespace

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus: {
        const bool reported = sameDocument(info.url(), m_reportedMainUrl);
        m_reportedMainUrl.clear();
        if (!reported && !RendererWatchdog::isNotice(info.url())) {
            if (address_rule::classifyPageNavigation(info.url().toString()).refused())
                m_externalLoadUrl = info.url();
            // Too late to stop the load, see above. Refused (a mailto: link, which the engine
            // stops by itself): no end to wait for.
            if (reportNavigation(info.url()))
                m_pendingMainUrl = info.url();
        }
        return;
    }
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (BrowserActions::isErrorPage(info.url())) // ends the failed navigation, not one more
            return;
        if (sameDocument(info.url(), m_pendingMainUrl))
            m_pendingMainUrl.clear();
        reportDocument(info.url());
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus: // no document: see above
        // A redirect to mailto: and the like is not asked about: the engine stops at it.
        if (!m_pendingMainUrl.isEmpty() &&
            address_rule::classifyPageNavigation(info.url().toString()).refused())
            m_pendingMainUrl = info.url();
        endPendingMainNavigation(info.url());
        return;
    }
}

void WebEngineBrowser::endPendingMainNavigation(const QUrl& url)
{
    if (m_pendingMainUrl.isEmpty() || !sameDocument(url, m_pendingMainUrl))
        return;
    m_pendingMainUrl.clear();
    reportDocument(url);
}

// A navigation whose response is a file to save stops without a document, and the engine asks
// for the download; whichever comes first ends the navigation. A frame's ends with the download.
void WebEngineBrowser::onDownloadRefused(const QWebEngineDownloadRequest* download)
{
    if (m_pendingFrameUrls.removeOne(download->url()))
        reportDocument(download->url());
    else
        endPendingMainNavigation(download->url());
}

#include "webengine_browser.moc"
