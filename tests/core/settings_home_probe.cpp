// Starts as the program does, then saves the defaults where the program would: prints the
// folder chosen to hold session/.
#include "core/canned_templates.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "core/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Dictionary II"));
    const QString home = settings_location::settingsHome(settings_location::programFolder(), true);
    const QString session = home + QStringLiteral("/session");
    if (!QFileInfo::exists(session))
        QDir().mkdir(session);
    const QString file = session + QLatin1Char('/') + settings_file::fileName();
    settings_file::writeTextFile(file,
                                 settings_file::buildSettingsText(canned_templates::defaults()));
    std::printf("%s\n", qUtf8Printable(home));
    return QFileInfo(file).isFile() ? 0 : 1;
}
