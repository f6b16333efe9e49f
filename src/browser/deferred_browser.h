#pragma once

#include "browser/browser.h"
#include "browser/browser_export.h"

#include <QPointer>

#include <memory>
#include <optional>

class BrowserEngine;
class EngineArea;

// A browser whose engine comes later, so that the window around it can be on screen before the
// engine has even been loaded. Its view is at once an area that will hold the engine's view.
// Until the engine is there it keeps the latest navigation asked for (a new one replaces it, as a
// new lookup replaces a running one); then it places the engine's view in the area, hands the
// engine that navigation and relays the engine's signals. The engine's browser is made once the
// area has been painted, so that starting the engine never holds up the window's first paint.
// Servers to preconnect to before then are kept too (the latest ones), and handed over after the
// navigation.
// Without an engine, the area says why and every navigation is refused with that reason.
class LEXIVO_BROWSER_EXPORT DeferredBrowser : public Browser
{
    Q_OBJECT
public:
    explicit DeferredBrowser(QObject* parent = nullptr);
    ~DeferredBrowser() override;

    QWidget* view() override;
    void navigate(const QString& address, const QString& lookupCaption = QString()) override;
    void preconnect(const QList<QUrl>& origins) override;

    // The engine is loaded. Its browser is made once the area has been painted (at once if it
    // has been, and at the latest after kPaintWaitMs, for a window that starts hidden).
    void setEngine(BrowserEngine* engine);
    // No engine can be had; reason says why.
    void setEngineFailed(const QString& reason);

    // The engine's browser, once made.
    Browser* engineBrowser() const { return m_engineBrowser.get(); }

    static constexpr int kPaintWaitMs = 1000;

Q_SIGNALS:
    // The engine's view is in place and has been given the navigation that was waiting.
    void engineStarted();

private:
    struct Navigation
    {
        QString address;
        QString lookupCaption;
    };

    void startEngineIfDue();

    QPointer<EngineArea> m_area; // ours until a window adopts it
    BrowserEngine* m_engine = nullptr;
    std::unique_ptr<Browser> m_engineBrowser;
    std::optional<Navigation> m_pending;
    QList<QUrl> m_pendingPreconnect;
    QString m_failure;
    bool m_areaPainted = false;
    bool m_paintWaitOver = false;
};
