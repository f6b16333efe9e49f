#include "webengine/renderer_watchdog.h"

#include "core/error_page.h"
#include "webengine/browser_page.h"
#include "webengine/navigation_tracker.h"

#include <QPointer>
#include <QWebEngineScript>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#endif

#include <utility>

namespace {

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

RendererWatchdog::RendererWatchdog(BrowserPage* page)
    : QObject(page), m_page(page), m_navigations(page->navigations())
{
    m_ticker.setInterval(kUnresponsiveMs / 3);
    connect(&m_ticker, &QTimer::timeout, this, &RendererWatchdog::check);
    connect(m_navigations, &NavigationTracker::started, this,
            [this](const QUrl& url, bool isMainFrame) {
                if (isMainFrame)
                    watch(url);
            });
    connect(m_navigations, &NavigationTracker::loadingChanged, this, [this](bool loading) {
        if (!loading)
            m_ticker.stop();
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &RendererWatchdog::onRenderProcessTerminated);
}

void RendererWatchdog::watch(const QUrl& url)
{
    // Only the renderer of the page being left can hold the navigation: one that answers now is
    // left alone, also if the new page then keeps it busy (that page is the user's to leave).
    m_ticker.stop();
    m_pendingUrl = url;
    // The page's first navigation leaves only its initial empty document, which runs no script;
    // a probe sent to it held that navigation up (the home page came 100-200 ms later).
    if (std::exchange(m_firstNavigation, false))
        return;
    m_probedPid = m_page->renderProcessPid();
    if (m_probedPid <= 0)
        return; // no renderer yet, or it is gone already
    m_silent.start();
    probe();
    m_ticker.start();
}

void RendererWatchdog::probe()
{
    // "0" gives the page nothing to see or answer, so it runs in the page's own world: a world of
    // its own would keep the renderer busy after the page (see browser_page.cpp).
    QPointer<RendererWatchdog> self(this);
    const qint64 pid = m_probedPid;
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::MainWorld,
                          [self, pid](const QVariant&) {
                              if (self && self->m_probedPid == pid)
                                  self->m_ticker.stop();
                          });
}

void RendererWatchdog::check()
{
    // Over: the navigation ended or was refused, or another renderer took it.
    if (!m_navigations->isLoading() || m_page->renderProcessPid() != m_probedPid) {
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
    // Deferred, as above. The page is the program's own: it ends any waiting for a page.
    QTimer::singleShot(0, this, [this] {
        m_page->setHtml(error_page::rendererEndedHtml(m_page->errorPageColors()));
    });
}
