#include "app/runtime_error.h"
#include "browser/deferred_browser.h"
#include "browser/engine_loader.h"
#include "browser/opengl_sharing.h"
#include "core/engine_module.h"
#include "core/settings_location.h"
#include "main_window/main_window.h"
#include "webengine/engine_module_digest.h"

#include <QCoreApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Dictionary II"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    opengl_sharing::requestBeforeApplication();
    LexivoApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lexivo.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral(LEXIVO_APP_ID));
    try {
        const QString programFolder = settings_location::programFolder();
        // The engine's libraries load beside the GUI thread while the window is painted; the
        // window shows its browser area empty until then.
        const QString moduleFile = QStringLiteral(LEXIVO_ENGINE_MODULE_FILE);
        EngineLoader engineLoader(
            moduleFile,
            engine_module::candidatePaths(programFolder,
                                          QStringLiteral(LEXIVO_ENGINE_MODULE_FOLDER), moduleFile),
            engineModuleDigest());
        auto browser = std::make_unique<DeferredBrowser>();
        QObject::connect(&engineLoader, &EngineLoader::ready, browser.get(),
                         &DeferredBrowser::setEngine);
        QObject::connect(&engineLoader, &EngineLoader::failed, browser.get(),
                         &DeferredBrowser::setEngineFailed);
        // The settings live beside a portable program; an installed one, or one in a folder it
        // cannot write, keeps them in the user's configuration folder.
        MainWindow window(settings_location::settingsHome(programFolder, LEXIVO_PORTABLE_LAYOUT),
                          std::move(browser));
        window.show();
        // Only once the window is shown: the engine's libraries are mapped under the dynamic
        // loader's lock, which would hold up every plugin the window loads (style, icon
        // engine, image formats) until they are relocated.
        engineLoader.start();
        return app.exec();
    } catch (...) {
        reportCurrentException();
    }
}
