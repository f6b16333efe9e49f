#include "webengine/connection_warmer.h"

#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

QString hintsPage(const QList<QUrl>& origins)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">");
    for (const QUrl& origin : origins) {
        const QString href = origin.toString(QUrl::FullyEncoded).toHtmlEscaped();
        html += QStringLiteral("<link rel=\"dns-prefetch\" href=\"%1\">"
                               "<link rel=\"preconnect\" href=\"%1\">")
                    .arg(href);
    }
    return html + QStringLiteral("</head></html>");
}

} // namespace

ConnectionWarmer::ConnectionWarmer(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent), m_profile(profile)
{
}

ConnectionWarmer::~ConnectionWarmer()
{
    // Before the profile, which must outlive its pages.
    delete m_page;
}

void ConnectionWarmer::warmUp(const QList<QUrl>& origins)
{
    if (origins.isEmpty() || m_page)
        return;
    m_page = new QWebEnginePage(m_profile, this);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    connect(m_page, &QWebEnginePage::loadFinished, this,
            [this] { QTimer::singleShot(kHintsReadMs, m_page, [this] { finish(); }); });
    QTimer::singleShot(kLoadLimitMs, m_page, [this] { finish(); });
    m_page->setHtml(hintsPage(origins));
}

void ConnectionWarmer::finish()
{
    // Deferred: the page may be in the middle of one of its own signals.
    if (m_page)
        m_page->deleteLater();
    m_page = nullptr;
}
