#include "app/runtime_error.h"
#include "core/settings_location.h"
#include "main_window/main_window.h"
#include "webengine/webengine_browser.h"

#include <QCoreApplication>
#include <QIcon>
#include <QQuickWindow>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Dictionary II"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    // The engine's view is a Qt Quick item. Composed with OpenGL, any repaint of a widget in the
    // window redraws the whole window through OpenGL, which is slow and memory-hungry wherever
    // OpenGL is software (a lookup's button press and status texts delayed its request by tens
    // of milliseconds). Dictionary pages need no GPU; QT_QUICK_BACKEND still chooses otherwise.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    LexivoApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lexivo.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral(LEXIVO_APP_ID));
    try {
        // The settings live beside a portable program; an installed one, or one in a folder it
        // cannot write, keeps them in the user's configuration folder.
        MainWindow window(settings_location::settingsHome(settings_location::programFolder(),
                                                          LEXIVO_PORTABLE_LAYOUT),
                          std::make_unique<WebEngineBrowser>());
        window.show();
        return app.exec();
    } catch (...) {
        reportCurrentException();
    }
}
