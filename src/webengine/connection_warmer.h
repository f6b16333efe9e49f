#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QWebEnginePage;
class QWebEngineProfile;

// Readies the way to servers the browser is likely to go to next. The engine has no call for it,
// but a page's resource hints do it: a hidden page of the browser's own profile (so the same
// host cache and socket pool its navigations use) holds a dns-prefetch and a preconnect hint for
// each server. The engine of Qt 6.4 resolves the names and ignores the preconnect hints (its
// handler of them does nothing; seen with a local server); later versions of Chromium act on them
// and open a connection, through which nothing is sent until a navigation uses it. The
// page, and the renderer process it needs, go as soon as the hints have been read: nothing of it
// stays running.
class ConnectionWarmer : public QObject
{
    Q_OBJECT
public:
    explicit ConnectionWarmer(QWebEngineProfile* profile, QObject* parent = nullptr);
    ~ConnectionWarmer() override;

    // Asks for the hints; while a page still reads the last ones, they are not asked again.
    void warmUp(const QList<QUrl>& origins);

    // Whether a hidden page is still there.
    bool busy() const { return m_page != nullptr; }

    // How long the page stays after it has loaded: its renderer hands the names over shortly
    // after, and a page closed at once takes them with it (seen: none resolved at 0 ms, all at
    // 20 ms).
    static constexpr int kHintsReadMs = 500;
    // How long a page may take to load before it is given up.
    static constexpr int kLoadLimitMs = 10000;

private:
    void finish();

    QWebEngineProfile* m_profile;
    QPointer<QWebEnginePage> m_page;
};
