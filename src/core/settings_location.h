#pragma once

#include <QString>

// Where the settings folder "session" is kept. A portable program keeps it beside itself, so the
// whole program folder can be copied elsewhere; when that folder cannot hold it (an installed
// program, a read-only folder, a folder whose name cannot be opened) the user's own configuration
// folder holds it instead, in the same format.
namespace settings_location {

enum class Place { ProgramFolder, PerUser };

// What start-up finds out about the program's folder.
struct ProgramFolderFacts
{
    bool portableLayout = true;         // built to keep its settings beside itself
    bool folderKnown = false;           // the program's own folder was found
    bool settingsFileExists = false;    // session/lexivo.xml there is an ordinary file
    bool sessionFolderWritable = false; // session/ there is a folder that can be written
};

// A settings file beside a portable program is always used, so a prepared portable folder is
// never passed over; otherwise the program's folder is used only when it can be written.
Place choose(const ProgramFolderFacts& facts);

// The running program's folder as a path that can be opened. On Linux, a folder whose name is
// not valid UTF-8 has no faithful QString: QCoreApplication::applicationDirPath() is then empty,
// and the folder is reached through a descriptor kept open for the program's lifetime
// ("/proc/self/fd/<n>"). Empty when the folder cannot be found at all.
QString programFolder();

// Looks at the session folder in programFolder, creating it when nothing of that name exists
// (start-up makes it anyway). An empty programFolder is an unknown folder: nothing is touched.
ProgramFolderFacts examine(const QString& programFolder, bool portableLayout);

// The per-user folder that holds session/ when the program's folder cannot:
// QStandardPaths::AppConfigLocation.
QString perUserFolder();

// The folder in which the main window keeps session/lexivo.xml. Creates the per-user folder when
// that is the one chosen, and warns when the program's own folder could not be found.
QString settingsHome(const QString& programFolder, bool portableLayout);

} // namespace settings_location
