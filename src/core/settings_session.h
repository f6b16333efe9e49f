#pragma once

#include "core/query_string_set.h"
#include "core/settings_io.h"

#include <QString>

// The settings as one running copy of the program keeps them: the session folder and the
// settings file in it, read once at start and written by each save. The copy remembers the file
// as it last read or wrote it, so that a save notices when another copy has saved in between.
class SettingsSession
{
public:
    // home holds the session folder: the program's own folder, or the user's when that cannot
    // hold it (settings_location::settingsHome).
    explicit SettingsSession(const QString& home);

    // home, the platform's separator and "session"; the separator is added even after one that
    // already ends home.
    static QString folderIn(const QString& home);

    QString folder() const { return m_folder; }
    QString filePath() const;

    // Makes the session folder when nothing has its name (a file named "session" counts as
    // present). Does nothing when it cannot be made: a save then says why.
    void makeFolder() const;

    struct Loaded
    {
        QueryStringSet values;
        QString failure; // why an existing file could not be read; empty otherwise
    };
    // Start-up: makes the folder and reads the file; touches nothing else in the folder. No file
    // gives the built-in defaults; a file that cannot be read gives empty values and a failure, an
    // empty file empty values alone.
    Loaded load();

    enum class SaveStatus { Saved, ChangedOnDisk, Failed };
    struct SaveResult
    {
        SaveStatus status = SaveStatus::Failed;
        QString error;                    // Failed: why, in a sentence
        QString question;                 // ChangedOnDisk: what was found; replace it?
        settings_file::Fingerprint found; // ChangedOnDisk: the file as found
    };
    // Writes the values, unless the file has changed since this copy last read or wrote it.
    SaveResult save(const QueryStringSet& values);
    // Writes the values over the file that a save found changed (the user agreed to replace
    // it), unless it has changed again since.
    SaveResult saveOver(const QueryStringSet& values, const settings_file::Fingerprint& found);

private:
    SaveResult saveIfUnchanged(const QueryStringSet& values,
                               const settings_file::Fingerprint& expected);

    QString m_folder;
    settings_file::Fingerprint m_seen; // the file as this copy last read or wrote it
};
