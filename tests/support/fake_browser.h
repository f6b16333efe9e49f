#pragma once

#include "browser/browser_engine.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// A browser that loads nothing and decides nothing: it records the addresses it was asked to
// navigate to with the lookup captions they came with, and the origins it was asked to
// preconnect to, and lets a test raise the browser's signals.
class FakeBrowser : public Browser
{
    Q_OBJECT
public:
    FakeBrowser();
    ~FakeBrowser() override;

    QWidget* view() override { return m_view; }
    void navigate(const QString& address, const QString& lookupCaption = QString()) override
    {
        navigations.append(address);
        lookupCaptions.append(lookupCaption);
    }
    void preconnect(const QList<QUrl>& origins) override { preconnects.append(origins); }

    // Raise the signals as the real browser would.
    void raiseNavigationStarting(const QString& url);
    void raiseNavigationRefused(const QString& url, const QString& reason);
    void raiseDocumentComplete(const QString& url = QString());
    void raiseLookUpRequested(QueryKey key, const QString& word);

    // Gives the view a content widget as its focus proxy, as the real engine does once it has
    // started (after the window has set its tab order).
    QWidget* makeContent();

    QStringList navigations;
    QStringList lookupCaptions;     // each navigation's, in the order of navigations
    QList<QList<QUrl>> preconnects; // the origins of every preconnect, in order

private:
    QPointer<QWidget> m_view; // owned by the window once placed there
};

// An engine whose browsers are fakes: what a loaded engine module gives, without the module.
class FakeEngine : public BrowserEngine
{
public:
    std::unique_ptr<Browser> createBrowser() override
    {
        auto browser = std::make_unique<FakeBrowser>();
        made.append(browser.get());
        return browser;
    }

    QList<FakeBrowser*> made; // every browser made, owned by whoever took it
};
