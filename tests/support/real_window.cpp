#include "real_window.h"

#include "browser/deferred_browser.h"
#include "browser/engine_loader.h"
#include "browser/opengl_sharing.h"
#include "design/simple_status_bar.h"
#include "wait_until.h"
#include "webengine/engine_module_digest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineView>

namespace {

// The engine lives as long as the process, as in the program; it is loaded once.
BrowserEngine* loadedEngine(QString* failure)
{
    static BrowserEngine* engine = nullptr;
    static QString loadFailure;
    if (engine || !loadFailure.isEmpty()) {
        *failure = loadFailure;
        return engine;
    }
    EngineLoader loader(QStringLiteral("lexivo-webengine.so"),
                        {QStringLiteral(LEXIVO_TEST_ENGINE_MODULE)}, engineModuleDigest());
    bool done = false;
    QObject::connect(&loader, &EngineLoader::ready, &loader, [&](BrowserEngine* ready) {
        engine = ready;
        done = true;
    });
    QObject::connect(&loader, &EngineLoader::failed, &loader, [&](const QString& reason) {
        loadFailure = reason;
        done = true;
    });
    loader.start();
    if (!waitUntil([&] { return done; }, RealWindow::kTimeout))
        loadFailure = QStringLiteral("the engine module did not load in time");
    *failure = loadFailure;
    return engine;
}

} // namespace

RealWindow::RealWindow() = default;

RealWindow::~RealWindow()
{
    window.reset();
}

bool RealWindow::start(const std::optional<QueryStringSet>& queryStrings)
{
    BrowserEngine* engine = loadedEngine(&m_failure);
    if (!engine)
        return false;
    if (queryStrings)
        folder.writeSettings(*queryStrings);

    auto deferred = std::make_unique<DeferredBrowser>();
    browser = deferred.get();
    bool engineStarted = false;
    connect(browser, &DeferredBrowser::engineStarted, this, [&] { engineStarted = true; });
    window = std::make_unique<MainWindow>(folder.path(), std::move(deferred));
    // Made after the window's own connection, this one sees the status the window left.
    connect(browser, &Browser::documentComplete, this, [this](const QString& url) {
        completed.append(url);
        statusAtComplete.append(status());
    });
    browser->setEngine(engine);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) {
        m_failure = QStringLiteral("the window was not shown");
        return false;
    }
    if (!waitUntil([&] { return engineStarted; }, kTimeout)) {
        m_failure = QStringLiteral("the engine's view did not come into the window");
        return false;
    }
    disconnect(browser, &DeferredBrowser::engineStarted, this, nullptr);
    // A lookup made before the home page is complete would race with it.
    if (!waitForPages(1)) {
        m_failure = QStringLiteral("the home page did not complete");
        return false;
    }
    return true;
}

bool RealWindow::startActive(const std::optional<QueryStringSet>& queryStrings)
{
    if (!start(queryStrings))
        return false;
    window->activateWindow(); // with no window manager nobody else activates it
    if (!QTest::qWaitForWindowActive(window.get())) {
        m_failure = QStringLiteral("the window did not become active");
        return false;
    }
    return true;
}

QWebEngineView* RealWindow::page() const
{
    return window ? window->findChild<QWebEngineView*>() : nullptr;
}

QString RealWindow::status() const
{
    auto* bar = control<SimpleStatusBar>("StatusBar1");
    return bar ? bar->text() : QStringLiteral("<no status bar>");
}

QString RealWindow::focusName() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return QStringLiteral("<none>");
    QWidget* area = control("WebBrowser1");
    if (area && (area == focus || area->isAncestorOf(focus)))
        return QStringLiteral("WebBrowser1");
    return focus->objectName();
}

bool RealWindow::lookUp(const QString& word, const char* button)
{
    auto* wordBox = control<QLineEdit>("txtWord");
    auto* pressed = control<QPushButton>(button);
    if (!wordBox || !pressed)
        return false;
    const int before = int(completed.size());
    wordBox->setText(word);
    QTest::mouseClick(pressed, Qt::LeftButton);
    return waitForPages(before + 1);
}

bool RealWindow::waitForPages(int count, int timeout)
{
    return waitUntil([&] { return completed.size() >= count; }, timeout);
}

bool RealWindow::allWindowsGone()
{
    // The view's content widget goes with a deferred delete.
    return waitUntil([] { return QApplication::topLevelWidgets().isEmpty(); }, 5000);
}

void RealWindow::prepareProcess()
{
    opengl_sharing::requestBeforeApplication();
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP * ~NOTFOUND, EXCLUDE 127.0.0.1\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}
