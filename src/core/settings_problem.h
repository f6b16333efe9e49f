#pragma once

#include <QString>

// Why reading or writing the settings file failed, and the sentence the program says about it.
namespace settings_file {

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
    SaveInProgress,    // another copy of the program is saving the file and has not finished
    Other,
};

// The problem an error number (errno) of a failed system call stands for; Other when unknown
// or 0. EACCES and EPERM give FolderNotWritable: the caller knows whether it was the file.
FileProblem problemFromErrno(int errorNumber);

// One sentence for the user. systemText, the system's own wording, is used only for Other.
QString problemText(FileProblem problem, const QString& systemText);

} // namespace settings_file
