#pragma once

#include "core/settings_problem.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Reading and writing the settings file's bytes: whole-file reads, atomic writes that say why
// they failed, and fingerprints of the content to notice a save by another copy of the program.
namespace settings_file {

struct WriteResult
{
    bool ok = false;
    QString error; // a sentence a person can read, when !ok
    FileProblem problem = FileProblem::None;
};

// The save file writeBytes writes through: QSaveFile plus a checked sync after the last write.
// Tests derive from it to make a write (writeData) or the sync fail the way a full or broken
// disk does.
class SaveFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

    // Makes the disk take the written bytes now (fsync). False, with errno set, when it refuses
    // them; a device that cannot sync at all counts as success.
    virtual bool syncToDisk();
};

// Replaces the file's content with the bytes atomically: they go to a temporary file beside it,
// which replaces the old file only once every byte has been written and has reached the disk.
// Any failure leaves the previous file as it was, removes the temporary file, and says why. Only
// when the folder does not let a temporary file be made but the file itself may be written is
// the file rewritten in place (the old bytes are put back should that fail).
WriteResult writeBytes(SaveFile& file, const QByteArray& bytes);

// writeBytes of the text's bytes (encodeFileText) to the file at path.
WriteResult writeTextFile(const QString& path, const QString& text);

// A file's content as this copy of the program last read or wrote it, to notice that another
// copy has saved over it in between, or that something else has taken its name.
struct Fingerprint
{
    enum Kind { Missing, Unreadable, Content, Folder } kind = Missing;
    QByteArray digest;  // of the content, for Content
    QString linkTarget; // where the name leads when it is a symbolic link; kind is of the target

    bool operator==(const Fingerprint& other) const
    {
        return kind == other.kind && digest == other.digest && linkTarget == other.linkTarget;
    }
    bool operator!=(const Fingerprint& other) const { return !(*this == other); }
};

// The fingerprint of content read or written through the name `path`.
Fingerprint fingerprintOf(const QByteArray& bytes, const QString& path = {});
// Reads the file now. Nothing, or something that is neither a file nor a folder, counts as
// Missing.
Fingerprint fingerprintFile(const QString& path);

// Reads the whole file as text (decodeFileText). False, with text untouched, when the file
// cannot be read or is empty; *failure (when given) then says why, and stays empty for an empty
// file, which is not an error. *seen (when given) receives the fingerprint of the bytes read
// (Unreadable when they could not be).
bool readTextFile(const QString& path, QString& text, QString* failure = nullptr,
                  Fingerprint* seen = nullptr);

} // namespace settings_file
