#pragma once

#include <QString>

// What the program tells the user about the settings file; `reason` is a sentence of
// settings_file::problemText.
namespace settings_messages {

QString title();

// Saving failed: the file, why, and that the values stay in use.
QString saveFailed(const QString& path, const QString& reason);

// Before saving over a file that has changed since this copy read or wrote it (another copy of
// the program saved in between): replace it or not?
QString changedOnDisk(const QString& path);

// At start: the file exists but could not be read, so every setting starts empty.
QString readFailed(const QString& path, const QString& reason);

} // namespace settings_messages
