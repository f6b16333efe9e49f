#pragma once

#include "webengine/webengine_browser.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

#include <memory>

class QWebEnginePage;

// The browser alone, shown and active, to probe what a page shown in it may do. Its probe page
// has a pad, and a click on the pad runs the probe named in window.probe, which reports its
// outcome in window.outcome. Any modal dialog the engine opens (none may) is closed at once and
// recorded.
class ProbeBrowser : public QObject
{
public:
    // Made in a test function (init() included): a warning that a page outlived its profile
    // fails it.
    ProbeBrowser();
    ~ProbeBrowser() override;

    // The probe page, to serve at "/probe".
    static QByteArray probePage();
    // A page that runs script as it loads; the script reports with report(text).
    static QByteArray scriptPage(const QByteArray& script);

    // Shown and active.
    bool show();
    // For a suite's cleanup(): no dialog was shown, and the browser is gone with its windows.
    static void finish(std::unique_ptr<ProbeBrowser>& probe);
    QWebEnginePage* page() const;
    // Loads url and waits for it to complete.
    bool load(const QString& url);
    QVariant evaluate(const QString& script);
    // Waits until the page's window.outcome is set and returns it.
    QString outcome();
    // Clicks the pad with the mouse, once the page takes mouse input.
    bool clickPad();

    QTemporaryDir downloads; // where downloads would go, were any allowed
    std::unique_ptr<WebEngineBrowser> browser;
    QStringList completed; // documentComplete URLs since the last load
    int newWindows = 0;    // newWindowRefused signals
    QStringList dialogs;   // the classes of the dialogs that were shown

private:
    QTimer m_dialogWatch;
};
