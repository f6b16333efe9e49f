#include "main_window/frm_browser.h"
#include "main_window/runtime_error.h"
#include "main_window/webengine_browser.h"

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
    QGuiApplication::setDesktopFileName(QStringLiteral("lexivo"));
    try {
        // The settings live beside the program, so the program's own folder is the one to use.
        frmBrowser window(QCoreApplication::applicationDirPath(),
                          std::make_unique<WebEngineBrowser>());
        window.show();
        return app.exec();
    } catch (...) {
        reportCurrentException();
    }
}
