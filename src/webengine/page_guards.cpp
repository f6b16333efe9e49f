#include "webengine/page_guards.h"

#include "core/browser_rules.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#endif

#include <utility>

namespace {

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

// The notice shown after a crash: local, without scripts, marked so that it can be recognised.
const char kNoticeMarker[] = "<meta name=\"lexivo-notice\" content=\"renderer\">";

QString noticeHtml()
{
    return QLatin1String("<!DOCTYPE html><html><head><meta charset=\"utf-8\">") +
           QLatin1String(kNoticeMarker) +
           QLatin1String("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                         "'none'; style-src 'unsafe-inline'\">"
                         "<title>Page stopped</title></head>"
                         "<body style=\"font-family: sans-serif; margin: 2em\">"
                         "<h3>This page stopped working.</h3>"
                         "<p>The process that showed it ended unexpectedly: it crashed or ran out "
                         "of memory.</p>"
                         "<p>Look the word up again, or choose another dictionary.</p>"
                         "</body></html>");
}

bool endProcess(qint64 pid)
{
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool done = TerminateProcess(process, 1);
    CloseHandle(process);
    return done;
#else
    return ::kill(pid_t(pid), SIGKILL) == 0;
#endif
}

} // namespace

GuardedPage::GuardedPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    // No page reads local files: a local page could otherwise read any of them and pass it on.
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // A scripted window.open fails at once. Allowed, each call makes the engine build a page
    // that createWindow then refuses (10-20 ms each), and a page calling it in a loop keeps the
    // program busy; a link or script acting on a click still asks createWindow.
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    setUrlRequestInterceptor(new LocalPageInterceptor(this));
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator) { refuse(authenticator); });
    connect(
        this, &QWebEnginePage::proxyAuthenticationRequired, this,
        [](const QUrl&, QAuthenticator* authenticator, const QString&) { refuse(authenticator); });
    new RendererWatchdog(this);
}

void GuardedPage::javaScriptAlert(const QUrl&, const QString&) {}

bool GuardedPage::javaScriptConfirm(const QUrl&, const QString& msg)
{
    // The engine asks the same question when a page's beforeunload handler wants to keep the
    // user: the answer is to leave, so that no page can hold a navigation.
    return msg == leavePageQuestion();
}

bool GuardedPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false; // cancelled
}

RendererWatchdog::RendererWatchdog(QWebEnginePage* page) : QObject(page), m_page(page)
{
    m_ticker.setInterval(kUnresponsiveMs / 3);
    connect(&m_ticker, &QTimer::timeout, this, &RendererWatchdog::check);
    connect(page, &QWebEnginePage::navigationRequested, this,
            &RendererWatchdog::onNavigationRequested);
    connect(page, &QWebEnginePage::loadingChanged, this, &RendererWatchdog::onLoadingChanged);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &RendererWatchdog::onRenderProcessTerminated);
}

bool RendererWatchdog::isNotice(const QUrl& url)
{
    return error_page::isOwnPage(url,
                                 error_page::kMarkerPrefix); // this notice's or another of ours
}

void RendererWatchdog::onNavigationRequested(const QWebEngineNavigationRequest& request)
{
    // Asked for after the page accepted it; a load already in progress starts no new load.
    if (request.isMainFrame())
        watch(request.url());
}

void RendererWatchdog::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus && !isNotice(info.url()))
        watch(info.url());
    else
        m_ticker.stop();
}

void RendererWatchdog::watch(const QUrl& url)
{
    // Only the renderer of the page being left can hold the navigation: one that answers now is
    // left alone, also if the new page then keeps it busy (that page is the user's to leave).
    m_ticker.stop();
    m_pendingUrl = url;
    m_probedPid = m_page->renderProcessPid();
    if (m_probedPid <= 0)
        return; // no renderer yet, or it is gone already
    m_silent.start();
    probe();
    m_ticker.start();
}

void RendererWatchdog::probe()
{
    // In a world of its own, so that the page cannot see or answer it.
    QPointer<RendererWatchdog> self(this);
    const qint64 pid = m_probedPid;
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [self, pid](const QVariant&) {
                              if (self && self->m_probedPid == pid)
                                  self->m_ticker.stop();
                          });
}

void RendererWatchdog::check()
{
    // Over: the navigation ended or was refused, or another renderer took it.
    if (!m_page->isLoading() || m_page->renderProcessPid() != m_probedPid) {
        m_ticker.stop();
        return;
    }
    if (m_silent.elapsed() < kUnresponsiveMs) {
        // A probe that reached the page just before it was replaced is never answered.
        probe();
        return;
    }
    // The renderer has been busy for seconds while a navigation waits for it: a script in an
    // endless loop. It would keep every later page of its site waiting as well. The navigation
    // fails with it and is started again, in a new renderer.
    m_ticker.stop();
    if (endProcess(m_probedPid))
        m_restartUrl = m_pendingUrl;
}

void RendererWatchdog::onRenderProcessTerminated(
    QWebEnginePage::RenderProcessTerminationStatus status)
{
    m_ticker.stop();
    if (!m_restartUrl.isEmpty()) {
        // Deferred: the engine is still handling the end of the process.
        QTimer::singleShot(
            0, this, [this, url = std::exchange(m_restartUrl, QUrl())] { m_page->load(url); });
        return;
    }
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    QTimer::singleShot(0, this, [this] { m_page->setHtml(noticeHtml()); });
}
