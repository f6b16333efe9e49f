#include "main_window/frm_browser.h"
#include "main_window/runtime_error.h"
#include "main_window/webengine_browser.h"

#include <QCoreApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Dictionary II"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
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
