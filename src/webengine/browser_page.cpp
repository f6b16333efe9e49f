#include "webengine/browser_page.h"

#include "core/address_rule.h"
#include "core/error_page.h"
#include "webengine/navigation_tracker.h"
#include "webengine/renderer_watchdog.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#include <QWebEngineQuotaRequest>
#endif

namespace {

// Chromium's code for a navigation given up for another one (net::ERR_ABORTED).
constexpr int kAborted = -3;

// The engine reports loads of the top page only. This script, run in every frame but the top
// one, logs a marker and the frame's address when the frame has loaded; the page picks the
// message up by its source, the script's name, and by the marker. It runs in the page's own
// world: a script in a world of its own brings the renderer's after-page work forward into the
// seconds after each page, while the user reads it (17 ms and some 150 wake-ups in the 10 s after
// a lookup, which a bare engine window does some 15 s after its page). There a frame can see the
// script but not pass for it: the messages of its own code carry its address as their source, so
// at most it hides or hastens the report of its own load.
const QString kFrameScriptName = QStringLiteral("lexivo-frame-loaded");

QWebEngineScript frameLoadScript(const QString& marker)
{
    QWebEngineScript script;
    script.setName(kFrameScriptName);
    script.setWorldId(QWebEngineScript::MainWorld);
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

// A profile of the page's own. Off the record, like the engine's default profile: cookies, cache
// and site data stay in memory and go when the program ends, so a lookup leaves nothing on disk
// (a stored profile would keep a site's log-in between runs, which a dictionary does not need).
// Being the page's own, the download refusal touches no other page of the process.
QWebEngineProfile* privateProfile()
{
    auto* profile = new QWebEngineProfile;
    // Left to the engine, the in-memory HTTP cache grows to 2 % of the machine's memory (50 MB
    // from 2.5 GB up) as lookups go on; the style sheets, scripts and fonts that the pages of six
    // sites share need far less, and result pages are seldom asked for twice.
    profile->setHttpCacheMaximumSize(8 * 1024 * 1024);
    return profile;
}

bool isLocal(const QUrl& url)
{
    return url.scheme() == QLatin1String("file");
}

// A local page may be shown, but it may not talk to a server: the engine already keeps its
// requests from other origins, but not its WebSockets, which would carry whatever it holds out.
class LocalPageInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeWebSocket &&
            (isLocal(info.firstPartyUrl()) || isLocal(info.initiator())))
            info.block(true);
    }
};

// Refuses to authenticate: an authenticator left as the engine passes it would send an empty
// user name and password, which a server may take for an anonymous log-in.
void refuse(QAuthenticator* authenticator)
{
    *authenticator = QAuthenticator();
}

// The text the engine confirms with when a page's beforeunload handler asks to stay.
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

} // namespace

BrowserPage::BrowserPage(QObject* parent)
    : QWebEnginePage(privateProfile(), parent), m_navigations(new NavigationTracker(this)),
      m_frameMarker(QStringLiteral("frame loaded %1 ")
                        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')))
{
    // Deleted after the page: a profile must outlive its pages.
    profile()->setParent(this);
    scripts().insert(frameLoadScript(m_frameMarker));
    // No page reads local files: a local page could otherwise read any of them and pass it on.
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // A scripted window.open fails at once. Allowed, each call makes the engine build a page
    // that createWindow then refuses (10-20 ms each), and a page calling it in a loop keeps the
    // program busy; a link or script acting on a click still asks createWindow.
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    setUrlRequestInterceptor(new LocalPageInterceptor(this));
    refuseRequests();
    connect(this, &QWebEnginePage::loadingChanged, this, &BrowserPage::showErrorPage);
    new RendererWatchdog(this);
}

// Each request is answered at once: unanswered, a permission request would stay pending in the
// page.
void BrowserPage::refuseRequests()
{
    // Nothing is ever saved to disk: every download, from a link or from a response, is
    // cancelled before it starts, so no file is created.
    connect(profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                download->cancel();
                m_navigations->downloadRefused(download->url());
            });
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
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator) { refuse(authenticator); });
    connect(
        this, &QWebEnginePage::proxyAuthenticationRequired, this,
        [](const QUrl&, QAuthenticator* authenticator, const QString&) { refuse(authenticator); });
}

// An address that would leave the browser for another program (mailto: and the like) is
// refused; every other navigation goes ahead, and is reported once.
bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (error_page::isErrorPage(url))
        return true; // shown by the program in place of another page: no navigation
    if (type == NavigationTypeRedirect)
        return acceptRedirect(url, isMainFrame);
    // A link to mailto: and the like starts a load that the engine stops; clicked by the user,
    // it is also asked about, to hand it to another program. Its load reported it already.
    if (isMainFrame && m_navigations->takeRefusedLoad(url))
        return false;
    // Stopped by the user before the engine asked: it ends as if it had never started.
    if (isMainFrame && m_navigations->takeStopped(url))
        return false;
    if (!m_navigations->isProgramNavigation(url)) {
        const QString address = url.toString();
        const address_rule::Verdict verdict = address_rule::classifyPageNavigation(address);
        if (verdict.refused()) {
            m_navigations->refuseNavigation(url, isMainFrame,
                                            address_rule::refusalText(address, verdict));
            return false;
        }
    }
    m_navigations->startNavigation(url, isMainFrame);
    return true;
}

// A redirect continues a navigation reported when it started; one to mailto: and the like ends
// it there.
bool BrowserPage::acceptRedirect(const QUrl& url, bool isMainFrame)
{
    if (address_rule::classifyPageNavigation(url.toString()).refused()) {
        m_navigations->endAtRedirect(url, isMainFrame);
        return false;
    }
    m_navigations->continueRedirect(url, isMainFrame);
    return true;
}

// The program has a single browser: no window opens.
QWebEnginePage* BrowserPage::createWindow(WebWindowType)
{
    Q_EMIT newWindowRefused();
    return nullptr;
}

void BrowserPage::javaScriptAlert(const QUrl&, const QString&) {}

bool BrowserPage::javaScriptConfirm(const QUrl&, const QString& msg)
{
    // The engine asks the same question when a page's beforeunload handler wants to keep the
    // user: the answer is to leave, so that no page can hold a navigation.
    return msg == leavePageQuestion();
}

bool BrowserPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false; // cancelled
}

// No file dialog: a chosen file could be read by the page, or written to, in place of a refused
// download. A form's file input stays empty as a result.
QStringList BrowserPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    return {};
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString& message, int lineNumber,
                                           const QString& sourceId)
{
    if (sourceId == QLatin1String("userscript:") + kFrameScriptName &&
        message.startsWith(m_frameMarker)) {
        m_navigations->frameLoaded(QUrl(message.mid(m_frameMarker.size())));
        return;
    }
    QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceId);
}

error_page::Colors BrowserPage::errorPageColors() const
{
    const QWebEngineView* view = QWebEngineView::forPage(this);
    const QPalette palette = view ? view->palette() : QGuiApplication::palette();
    const QColor background = palette.color(QPalette::Base);
    return {palette.color(QPalette::Text).name(), background.name(), background.lightness() < 128};
}

void BrowserPage::showErrorPage(const QWebEngineLoadingInfo& info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus ||
        error_page::isErrorPage(info.url()))
        return;
    // An HTTP error status comes with the site's own page, shown as it is; a navigation given
    // up for another one has nothing to say.
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ||
        info.errorDomain() == QWebEngineLoadingInfo::NoErrorDomain || info.errorCode() == kAborted)
        return;
    const QString html = error_page::unreachableSiteHtml(
        {m_navigations->lookupCaption(), info.url(), info.errorCode(), info.errorString()},
        errorPageColors());
    // Once the engine has finished with the failed load; not if another page is on its way.
    QTimer::singleShot(0, this, [this, html, failed = info.url()] {
        if (url() == failed && !m_navigations->isLoading())
            setHtml(html);
    });
}
