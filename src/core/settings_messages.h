#pragma once

#include "core/settings_io.h"

#include <QString>

// What the program tells the user about the settings file; `reason` is a sentence of
// settings_file::problemText.
namespace settings_messages {

QString title();

// Saving failed: the file, why, and that the values stay in use.
QString saveFailed(const QString& path, const QString& reason);

// Before saving over a file that is not as this copy saw it when it last read or wrote it:
// replace it or not? Says what was found: a symbolic link that is new or leads elsewhere (with
// where, since a save would write there), no file at all, or other content (another copy of the
// program saved in between).
QString changedOnDisk(const QString& path, const settings_file::Fingerprint& found,
                      const settings_file::Fingerprint& seen);

// Why a save cannot replace what has the file's name: a folder, or a link to one.
QString folderInTheWay(const settings_file::Fingerprint& found);

// At start: the file exists but could not be read, so every setting starts empty.
QString readFailed(const QString& path, const QString& reason);

} // namespace settings_messages
