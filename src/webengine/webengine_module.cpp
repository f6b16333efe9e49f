// The engine module: the plugin the program loads once its window is on screen, so that the
// program itself does not link QtWebEngine and its window does not wait for it.

#include "browser/browser_engine.h"
#include "webengine/webengine_browser.h"

#include <QQuickWindow>

class WebEngineModule : public QObject, public BrowserEngine
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LexivoBrowserEngine_iid)
    Q_INTERFACES(BrowserEngine)

public:
    void prepare() override
    {
        // The engine's view is a Qt Quick item. Composed with OpenGL, any repaint of a widget in
        // the window redraws the whole window through OpenGL, which is slow and memory-hungry
        // wherever OpenGL is software (a lookup's button press and status texts delayed its
        // request by tens of milliseconds). Dictionary pages need no GPU; QT_QUICK_BACKEND still
        // chooses otherwise. Set before the first view makes the first Qt Quick window.
        if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    std::unique_ptr<Browser> createBrowser() override
    {
        return std::make_unique<WebEngineBrowser>();
    }
};

#include "webengine_module.moc"
