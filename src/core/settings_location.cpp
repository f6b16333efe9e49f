#include "core/settings_location.h"

#include "core/settings_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#endif

namespace settings_location {

namespace {

#ifdef Q_OS_LINUX
// The folder of /proc/self/exe, opened by its raw bytes, whatever their encoding.
QString folderByDescriptor()
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
    if (length <= 0)
        return QString();
    QByteArray folder(target, int(length));
    const int slash = folder.lastIndexOf('/');
    if (slash < 0)
        return QString();
    folder.truncate(slash == 0 ? 1 : slash);
    // Never closed: the path below names the folder for as long as the program runs. O_PATH
    // needs no read permission on the folder; O_CLOEXEC keeps it out of the browser's helpers.
    const int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    return QStringLiteral("/proc/self/fd/") + QString::number(fd);
}
#endif

} // namespace

Place choose(const ProgramFolderFacts& facts)
{
    if (!facts.portableLayout || !facts.folderKnown)
        return Place::PerUser;
    if (facts.settingsFileExists || facts.sessionFolderWritable)
        return Place::ProgramFolder;
    return Place::PerUser;
}

QString programFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
#ifdef Q_OS_LINUX
    return folderByDescriptor();
#else
    return QString();
#endif
}

ProgramFolderFacts examine(const QString& programFolder, bool portableLayout)
{
    ProgramFolderFacts facts;
    facts.portableLayout = portableLayout;
    facts.folderKnown = !programFolder.isEmpty() && QFileInfo(programFolder).isDir();
    if (!facts.portableLayout || !facts.folderKnown)
        return facts;
    const SettingsSession session(programFolder);
    session.makeFolder();
    const QFileInfo sessionInfo(session.folder());
    facts.sessionFolderWritable = sessionInfo.isDir() && sessionInfo.isWritable();
    facts.settingsFileExists = QFileInfo(session.filePath()).isFile();
    return facts;
}

QString perUserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString settingsHome(const QString& programFolder, bool portableLayout)
{
    const ProgramFolderFacts facts = examine(programFolder, portableLayout);
    if (choose(facts) == Place::ProgramFolder)
        return programFolder;
    const QString home = perUserFolder();
    if (portableLayout && !facts.folderKnown)
        qWarning("Cannot find the program's own folder; the settings are kept in %s instead.",
                 qUtf8Printable(QDir::toNativeSeparators(SettingsSession::folderIn(home))));
    QDir().mkpath(home); // start-up makes only the last level, session/
    return home;
}

} // namespace settings_location
