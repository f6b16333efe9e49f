#include "core/engine_module.h"

#include <QDir>

namespace engine_module {

QStringList candidatePaths(const QString& programFolder, const QString& moduleFolder,
                           const QString& fileName)
{
    if (programFolder.isEmpty())
        return {};
    QStringList paths;
    for (const QString& folder : {QDir(programFolder).filePath(moduleFolder), programFolder}) {
        const QString path = QDir::cleanPath(QDir(folder).filePath(fileName));
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

QString notFoundReason(const QString& fileName, const QStringList& candidates)
{
    if (candidates.isEmpty())
        return fileName + QStringLiteral(" cannot be looked for: the program's folder is unknown");
    return fileName + QStringLiteral(" is missing (looked for ") +
           candidates.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString unreadableReason(const QString& path, const QString& error)
{
    return path + QStringLiteral(" cannot be read: ") + error;
}

QString damagedReason(const QString& path)
{
    return path + QStringLiteral(" is damaged or belongs to another version of the program; "
                                 "install the program again");
}

QString unavailablePageText(const QString& reason)
{
    return QStringLiteral("The web browser could not be started, so dictionary pages cannot be "
                          "shown. The menus still work.\n\n") +
           reason;
}

QString unavailableStatusText(const QString& reason)
{
    return QStringLiteral("The web browser could not be started: ") + reason;
}

QString refusalText(const QString& address)
{
    return QStringLiteral("Cannot open ") + address +
           QStringLiteral(": the web browser could not be started");
}

} // namespace engine_module
