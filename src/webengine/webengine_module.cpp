// The engine module: the plugin the program loads once its window is on screen, so that the
// program itself does not link QtWebEngine and its window does not wait for it.

#include "browser/browser_engine.h"
#include "browser/opengl_sharing.h"
#include "core/engine_switches.h"
#include "webengine/webengine_browser.h"

#include <QLoggingCategory>
#include <QQuickWindow>

#include <mutex>

namespace {

QtMessageHandler g_nextMessageHandler = nullptr;

// The engine looks for an OpenGL configuration in the shared context, which the program leaves
// uncreated (opengl_sharing.h), and warns that it found none; with the software scene graph it
// never draws through OpenGL, so the warning says nothing true. Every other message goes on.
void dropNoOpenGLWarning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg &&
        text.startsWith(QLatin1String("No suitable graphics backend found")))
        return;
    if (g_nextMessageHandler)
        g_nextMessageHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}

// As it starts, the engine reports its set-up (the OpenGL type, its command-line switches) as
// information on standard error: some twenty lines at every start, none of which the user must
// act on. Its warnings still come through, and the user's QT_LOGGING_RULES or QT_LOGGING_CONF
// still turn the report back on.
void quietenSetUpReport()
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

// On the GUI thread, before the first browser starts the engine, which reads its switches then.
void setProgramSwitches()
{
    const char* const name = "QTWEBENGINE_CHROMIUM_FLAGS";
    qputenv(name, engine_switches::withProgramSwitches(qEnvironmentVariable(name)).toLocal8Bit());
}

} // namespace

class WebEngineModule : public QObject, public BrowserEngine
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LexivoBrowserEngine_iid)
    Q_INTERFACES(BrowserEngine)

public:
    void prepare() override
    {
        quietenSetUpReport();
        // The engine's view is a Qt Quick item. Composed with OpenGL, any repaint of a widget in
        // the window redraws the whole window through OpenGL, which is slow and memory-hungry
        // wherever OpenGL is software (a lookup's button press and status texts delayed its
        // request by tens of milliseconds). Dictionary pages need no GPU; QT_QUICK_BACKEND still
        // chooses otherwise. Set before the first view makes the first Qt Quick window.
        if (opengl_sharing::sceneGraphChosenByUser())
            return;
        // Once: a second load of the module finds the same engine.
        static std::once_flag chosen;
        std::call_once(chosen, [] {
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
            g_nextMessageHandler = qInstallMessageHandler(dropNoOpenGLWarning);
        });
    }

    std::unique_ptr<Browser> createBrowser() override
    {
        static std::once_flag switched;
        std::call_once(switched, setProgramSwitches);
        return std::make_unique<WebEngineBrowser>();
    }
};

#include "webengine_module.moc"
