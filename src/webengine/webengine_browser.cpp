#include "webengine/webengine_browser.h"

#include "core/address_rule.h"
#include "webengine/browser_actions.h"
#include "webengine/browser_page.h"
#include "webengine/browser_view.h"
#include "webengine/connection_warmer.h"
#include "webengine/find_bar.h"
#include "webengine/navigation_tracker.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace {

// The engine builds a page's accessibility tree only while assistive technology runs
// (QAccessible::isActive(), which the accessibility bus reports), and on Linux only when asked
// to through its environment before it starts, which the first page does: ask, unless the user
// has said otherwise. Then the view.
QWebEngineView* newView(QWidget* parent)
{
    const char* const exposePages = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";
    if (!qEnvironmentVariableIsSet(exposePages))
        qputenv(exposePages, "1");
    return new QWebEngineView(parent);
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QObject* parent)
    : Browser(parent), m_view(new BrowserView), m_webView(newView(m_view)),
      m_page(new BrowserPage(m_webView)),
      m_connectionWarmer(new ConnectionWarmer(m_page->profile(), this))
{
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_webView);
    m_view->setFocusProxy(m_webView);
    m_webView->setPage(m_page);

    NavigationTracker* navigations = m_page->navigations();
    connect(navigations, &NavigationTracker::started, this,
            [this](const QUrl& url) { Q_EMIT navigationStarting(url.toString()); });
    connect(navigations, &NavigationTracker::refused, this,
            [this](const QUrl& url, const QString& reason) {
                Q_EMIT navigationRefused(url.toString(), reason);
            });
    connect(navigations, &NavigationTracker::ended, this,
            [this](const QUrl& url) { Q_EMIT documentComplete(url.toString()); });
    connect(m_page, &BrowserPage::newWindowRefused, this, &WebEngineBrowser::newWindowRefused);

    auto* actions =
        new BrowserActions(m_view, m_webView, navigations, new FindBar(m_view, m_webView));
    connect(actions, &BrowserActions::lookUpRequested, this, &Browser::lookUpRequested);
}

WebEngineBrowser::~WebEngineBrowser()
{
    delete m_connectionWarmer; // its page before the profile
    if (m_view && !m_view->parent())
        delete m_view;
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
    if (verdict.kind != address_rule::Verdict::Open || !m_page)
        return;
    m_page->navigations()->programNavigates(verdict.url, lookupCaption);
    m_webView->load(verdict.url);
}
