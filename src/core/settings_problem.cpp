#include "core/settings_problem.h"

#include <cerrno>

namespace settings_file {

FileProblem problemFromErrno(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
        return FileProblem::DiskFull;
#ifdef EDQUOT
    case EDQUOT:
        return FileProblem::QuotaExceeded;
#endif
    case EACCES:
    case EPERM:
        return FileProblem::FolderNotWritable;
    case EROFS:
        return FileProblem::ReadOnlyDisk;
    case ENOENT:
    case ENOTDIR:
        return FileProblem::FolderMissing;
    case EISDIR:
        return FileProblem::IsFolder;
    case EIO:
        return FileProblem::DiskError;
    default:
        return FileProblem::Other;
    }
}

QString problemText(FileProblem problem, const QString& systemText)
{
    switch (problem) {
    case FileProblem::None:
        return {};
    case FileProblem::DiskFull:
        return QStringLiteral("The disk is full.");
    case FileProblem::QuotaExceeded:
        return QStringLiteral("Your disk quota is used up.");
    case FileProblem::FolderNotWritable:
        return QStringLiteral("The folder is not writable.");
    case FileProblem::FileNotWritable:
        return QStringLiteral("The file is write-protected.");
    case FileProblem::NotReadable:
        return QStringLiteral("There is no permission to read the file.");
    case FileProblem::ReadOnlyDisk:
        return QStringLiteral("The disk is read-only.");
    case FileProblem::FolderMissing:
        return QStringLiteral("The folder does not exist: it was removed, or it could not be "
                              "made because the program's folder is read-only.");
    case FileProblem::IsFolder:
        return QStringLiteral("A folder has the file's name.");
    case FileProblem::DiskError:
        return QStringLiteral("The disk reported an error (input/output error).");
    case FileProblem::SaveInProgress:
        return QStringLiteral("Another copy of the program is saving this file and has not "
                              "finished. Try again in a moment.");
    case FileProblem::Other:
        break;
    }
    return systemText.isEmpty() ? QStringLiteral("An unknown error occurred.") : systemText;
}

} // namespace settings_file
