#pragma once

#include "core/query_string_set.h"

#include <QByteArray>
#include <QDateTime>
#include <QSaveFile>
#include <QString>

// The settings file: XML-like text written by concatenation and read by substring search, with
// CR LF line ends. Values are stored verbatim, except in the rare file where a value holds one of
// the file's own tags (see buildSettingsText); the text is in the ANSI code page unless it holds a
// character the code page lacks (see encodeFileText).
namespace settings_file {

// The file's name inside the session folder.
QString fileName();

// The complete file text for the seven values; no line end after the closing root tag. A value
// that holds something the reader would take for one of the seven tags ("<English>",
// "</home>", in any letter case) would corrupt the file, so then, and only then, the "Type"
// element says "Option+escaped" instead of "Option", and in every value the '<' of such a tag
// is written "&lt;" and an '&' that starts "&lt;" or "&amp;...lt;" gets one more "amp;". Files
// of tag-free values are byte for byte what they always were, and no file written before the
// marker existed has it (their first Type element is always "Option").
QString buildSettingsText(const QueryStringSet& values);

// The text between the first "<tag>" (any letter case) and the next "</tag>" after it, or the
// empty string when either is missing.
QString tagValue(const QString& text, const QString& tagName);

// All seven values out of a settings text; a key that is not found gives the empty string.
// Undoes the escaping of buildSettingsText in a file that is marked for it.
QueryStringSet parseSettingsText(const QString& text);

// The ANSI code page: the system's on Windows, Windows-1252 elsewhere. Characters the code page
// cannot hold are written as "?".
QByteArray encodeAnsi(const QString& text);
QString decodeAnsi(const QByteArray& bytes);

// The file's bytes for a settings text: the ANSI code page when every character fits in it
// (every file the program ever wrote before), otherwise UTF-8 after a byte-order mark, so that
// no character is lost. A lone surrogate, which no encoding can hold, becomes "?" either way.
QByteArray encodeFileText(const QString& text);
// UTF-8 when the bytes start with its byte-order mark, otherwise the ANSI code page.
QString decodeFileText(const QByteArray& bytes);

// Why reading or writing a file failed, in the words the program uses.
enum class FileProblem {
    None,
    DiskFull,          // no space or no room for another file
    QuotaExceeded,     // the user's disk quota
    FolderNotWritable, // no permission to create a file in the folder
    FileNotWritable,   // the file itself is write-protected
    NotReadable,       // no permission to read the file
    ReadOnlyDisk,      // a read-only file system or medium
    FolderMissing,     // the folder the file belongs in does not exist
    IsFolder,          // a folder has the file's name
    DiskError,         // the device reported an input/output error
    Other,
};

// The problem an error number (errno) of a failed system call stands for; Other when unknown
// or 0. EACCES and EPERM give FolderNotWritable: the caller knows whether it was the file.
FileProblem problemFromErrno(int errorNumber);

// One sentence for the user. systemText, the system's own wording, is used only for Other.
QString problemText(FileProblem problem, const QString& systemText);

struct WriteResult
{
    bool ok = false;
    QString error; // a sentence a person can read, when !ok
    FileProblem problem = FileProblem::None;
};

// The save file writeTextFile writes through: QSaveFile plus a checked sync after the last
// write. Tests derive from it to make a write (writeData) or the sync fail the way a full or
// broken disk does.
class SaveFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

    // Makes the disk take the written bytes now (fsync). False, with errno set, when it refuses
    // them; a device that cannot sync at all counts as success.
    virtual bool syncToDisk();
};

// Replaces the file's content with the text (encodeFileText) atomically: the bytes go to a
// temporary file beside it, which replaces the old file only once every byte has been written
// and has reached the disk. Any failure leaves the previous file as it was, removes the
// temporary file, and says why. Only when the folder does not let a temporary file be made but
// the file itself may be written is the file rewritten in place (see writeBytes).
WriteResult writeTextFile(const QString& path, const QString& text);

// writeTextFile's work on a save file the caller made (named after the target file).
WriteResult writeBytes(SaveFile& file, const QByteArray& bytes);

// A file's content as this copy of the program last read or wrote it, to notice that another
// copy has saved over it in between.
struct Fingerprint
{
    enum Kind { Missing, Unreadable, Content } kind = Missing;
    QByteArray digest; // of the content, for Content

    bool operator==(const Fingerprint& other) const
    {
        return kind == other.kind && digest == other.digest;
    }
    bool operator!=(const Fingerprint& other) const { return !(*this == other); }
};

Fingerprint fingerprintOf(const QByteArray& bytes);
// Reads the file now. Something that is not a file (nothing, a folder) counts as Missing.
Fingerprint fingerprintFile(const QString& path);

// Reads the whole file as text (decodeFileText). False, with text untouched, when the file
// cannot be read or is empty; *failure (when given) then says why, and stays empty for an empty
// file, which is not an error. *seen (when given) receives the fingerprint of the bytes read
// (Unreadable when they could not be).
bool readTextFile(const QString& path, QString& text, QString* failure = nullptr,
                  Fingerprint* seen = nullptr);

// Whether a name is one of the temporary files a save of `target` makes beside it
// ("<target>.XXXXXX", six letters or digits, not all small letters), left behind when the
// program was killed at the wrong moment, and old enough that no save can still be running:
// older than a minute.
bool isStaleTemporaryFile(const QString& name, const QString& target, const QDateTime& modified,
                          const QDateTime& now);
// Removes the stale temporary files of `target` from its folder; gives how many.
int removeStaleTemporaryFiles(const QString& folder, const QString& target);

} // namespace settings_file
