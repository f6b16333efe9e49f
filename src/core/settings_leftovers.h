#pragma once

#include <QDateTime>
#include <QString>

// Temporary files that a save killed at the wrong moment leaves beside the settings file.
namespace settings_file {

// Whether a name is one of the temporary files a save of `target` makes beside it
// ("<target>.XXXXXX", six letters or digits, not all small letters), left behind when the
// program was killed at the wrong moment, and old enough that no save can still be running:
// older than a minute.
bool isStaleTemporaryFile(const QString& name, const QString& target, const QDateTime& modified,
                          const QDateTime& now);
// Removes the stale temporary files of `target` from its folder; gives how many.
int removeStaleTemporaryFiles(const QString& folder, const QString& target);

} // namespace settings_file
