#include "webengine/navigation_tracker.h"

#include "core/address_rule.h"
#include "core/error_page.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

#include <utility>

namespace {

// The engine drops the fragment of an about: URL when it starts the load.
bool sameDocument(const QUrl& a, const QUrl& b)
{
    return a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
}

} // namespace

NavigationTracker::NavigationTracker(QWebEnginePage* page) : QObject(page)
{
    connect(page, &QWebEnginePage::loadingChanged, this, &NavigationTracker::onLoadingChanged);
}

void NavigationTracker::programNavigates(const QUrl& url, const QString& lookupCaption)
{
    m_program = url;
    m_programCaption = lookupCaption;
    m_stoppedProgramUrl.clear();
    m_lateStop = QDeadlineTimer();
    if (url.scheme() == QLatin1String("about"))
        startNavigation(url, true);
    else
        setMainUrl(url);
}

void NavigationTracker::stopRequested()
{
    if (!m_program.isEmpty() && m_mainUrl == m_program) {
        m_stoppedProgramUrl = std::exchange(m_program, QUrl());
        m_programCaption.clear();
        setMainUrl(QUrl());
        Q_EMIT ended(m_stoppedProgramUrl);
    } else if (!isLoading()) {
        m_lateStop.setRemainingTime(kLateStopMs);
    }
}

bool NavigationTracker::takeStopped(const QUrl& url)
{
    if (!m_stoppedProgramUrl.isEmpty() && url == m_stoppedProgramUrl) {
        m_stoppedProgramUrl.clear();
        return true;
    }
    if (m_lateStop.hasExpired() || isProgramNavigation(url))
        return false;
    m_lateStop = QDeadlineTimer();
    return true;
}

bool NavigationTracker::takeRefusedLoad(const QUrl& url)
{
    if (m_refusedLoad.isEmpty() || url != m_refusedLoad)
        return false;
    m_refusedLoad.clear();
    return true;
}

void NavigationTracker::startNavigation(const QUrl& url, bool isMainFrame)
{
    if (isMainFrame) {
        m_reportedUrl = url;
        beginMainNavigation(url);
    } else {
        m_pendingFrames.append(url);
    }
    Q_EMIT started(url, isMainFrame);
}

void NavigationTracker::refuseNavigation(const QUrl& url, bool isMainFrame, const QString& reason)
{
    if (isMainFrame)
        m_reportedUrl = url;
    Q_EMIT refused(url, reason);
}

void NavigationTracker::continueRedirect(const QUrl& url, bool isMainFrame)
{
    if (isMainFrame)
        setMainUrl(url);
    else
        m_pendingFrames.append(url);
}

void NavigationTracker::endAtRedirect(const QUrl& url, bool isMainFrame)
{
    if (isMainFrame)
        setMainUrl(QUrl());
    Q_EMIT ended(url);
}

void NavigationTracker::frameLoaded(const QUrl& url)
{
    m_pendingFrames.removeOne(url);
    // A frame shown empty or from its own text (about:blank, about:srcdoc) loads without a
    // reported navigation.
    if (url.scheme() != QLatin1String("about"))
        Q_EMIT ended(url);
}

// A navigation whose response is a file to save stops without a document, and the engine asks
// for the download; whichever comes first ends the navigation. A frame's ends with the download.
void NavigationTracker::downloadRefused(const QUrl& url)
{
    if (m_pendingFrames.removeOne(url))
        Q_EMIT ended(url);
    else
        endMainNavigation(url);
}

void NavigationTracker::beginMainNavigation(const QUrl& url)
{
    m_lookupCaption = m_program.isEmpty() ? QString() : m_programCaption;
    m_program.clear();
    m_programCaption.clear();
    m_pendingFrames.clear(); // the frames go with their page
    m_stoppedProgramUrl.clear();
    m_lateStop = QDeadlineTimer();
    setMainUrl(url);
}

void NavigationTracker::setMainUrl(const QUrl& url)
{
    const bool wasLoading = isLoading();
    m_mainUrl = url;
    if (isLoading() != wasLoading)
        Q_EMIT loadingChanged(isLoading());
}

void NavigationTracker::endMainNavigation(const QUrl& url)
{
    if (m_mainUrl.isEmpty() || !sameDocument(url, m_mainUrl))
        return;
    setMainUrl(QUrl());
    Q_EMIT ended(url);
}

void NavigationTracker::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    const QUrl url = info.url();
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus: {
        const bool reported = sameDocument(url, m_reportedUrl);
        m_reportedUrl.clear();
        if (reported || error_page::isErrorPage(url))
            return;
        // Too late to stop the load, see above. A link to mailto: and the like, which the engine
        // stops by itself, is refused: no end to wait for.
        const address_rule::Verdict verdict = address_rule::classifyPageNavigation(url.toString());
        if (verdict.refused()) {
            m_refusedLoad = url;
            Q_EMIT refused(url, address_rule::refusalText(url.toString(), verdict));
            return;
        }
        beginMainNavigation(url);
        Q_EMIT started(url, true);
        return;
    }
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        // The program's page for a site that cannot be reached follows the failed navigation,
        // which has ended already. Its page for a crashed renderer ends any waiting.
        if (error_page::isUnreachableSitePage(url))
            return;
        if (error_page::isErrorPage(url) || sameDocument(url, m_mainUrl))
            setMainUrl(QUrl());
        Q_EMIT ended(url);
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // A redirect to mailto: and the like is not always asked about: the engine stops at it.
        if (isLoading() && address_rule::classifyPageNavigation(url.toString()).refused()) {
            setMainUrl(QUrl());
            Q_EMIT ended(url);
            return;
        }
        endMainNavigation(url);
        return;
    }
}
