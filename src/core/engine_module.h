#pragma once

#include <QString>
#include <QStringList>

// The web engine is a module of its own that the program loads once its window is on screen, so
// that the window never waits for the engine's libraries. These are the rules of finding that
// module and of saying, in the window, that it could not be had.
namespace engine_module {

// The files to try, in order: the module in moduleFolder (a path relative to the program's
// folder, where an installed program keeps it: "../lib/lexivo"), then the module beside the
// program (a portable folder and the build tree keep it there). Each folder is tried once. Empty
// when the program's folder is unknown.
QStringList candidatePaths(const QString& programFolder, const QString& moduleFolder,
                           const QString& fileName);

// The reason given when none of the candidates exists.
QString notFoundReason(const QString& fileName, const QStringList& candidates);

// The reason given when the module at path cannot be read; error is the system's own words.
QString unreadableReason(const QString& path, const QString& error);

// The reason given when the module at path is not the one the program was built with: damaged,
// or from another build.
QString damagedReason(const QString& path);

// The browser area's text when there is no engine; reason is the loader's own words.
QString unavailablePageText(const QString& reason);

// The status bar's text when there is no engine.
QString unavailableStatusText(const QString& reason);

// The status bar's text for an address that cannot be opened because there is no engine.
QString refusalText(const QString& address);

} // namespace engine_module
