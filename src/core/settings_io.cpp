#include "core/settings_io.h"

#include "core/settings_encoding.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace settings_file {

namespace {

// Reading: the sentence for a read that failed with errno `errorNumber`.
QString readFailure(const QString& path, int errorNumber, const QString& systemText)
{
    FileProblem problem = problemFromErrno(errorNumber);
    if (problem == FileProblem::FolderNotWritable)
        problem = FileProblem::NotReadable;
    else if (QFileInfo(path).isDir())
        problem = FileProblem::IsFolder;
    else if (problem != FileProblem::DiskError && problem != FileProblem::IsFolder)
        problem = FileProblem::Other;
    return problemText(problem, systemText);
}

bool readAllBytes(const QString& path, QByteArray& bytes, QString* failure)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        if (failure)
            *failure = readFailure(path, errno, file.errorString());
        return false;
    }
    errno = 0;
    QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (failure)
            *failure = readFailure(path, errno, file.errorString());
        return false;
    }
    bytes = std::move(all);
    return true;
}

// Whether the open save file writes the target itself (QSaveFile's direct write fallback)
// rather than a temporary file beside it.
bool writesInPlace(const QSaveFile& file, const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat open = {};
    struct stat target = {};
    return ::fstat(file.handle(), &open) == 0 &&
           ::stat(QFile::encodeName(path).constData(), &target) == 0 &&
           open.st_dev == target.st_dev && open.st_ino == target.st_ino;
#else
    Q_UNUSED(file);
    Q_UNUSED(path);
    return false; // QSaveFile falls back to writing in place only on Unix
#endif
}

WriteResult writeFailure(const QString& path, int errorNumber, const QFileDevice& file)
{
    FileProblem problem = problemFromErrno(errorNumber);
    const QFileInfo target(path);
    if (problem == FileProblem::FolderNotWritable && target.isFile() && !target.isWritable())
        problem = FileProblem::FileNotWritable;
    // No error number: Qt's own error kind says at least whether the disk was full.
    if (errorNumber == 0 && file.error() == QFileDevice::ResourceError)
        problem = FileProblem::DiskFull;
    return {false, problemText(problem, file.errorString()), problem};
}

// Writes every byte, going on after a short write (the system may take part of a block before
// the disk fills); the next call then reports why.
bool writeAll(QFileDevice& file, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// After a failed in-place write: the previous bytes back into the file. The space the old
// content took was freed by the truncation, so this normally succeeds even on a full disk.
bool putBack(const QString& path, const QByteArray& previous)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const bool written = writeAll(file, previous) && file.flush();
#ifdef Q_OS_UNIX
    return written && ::fsync(file.handle()) == 0;
#else
    return written;
#endif
}

QString linkTargetOf(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymbolicLink() ? info.symLinkTarget() : QString();
}

} // namespace

bool SaveFile::syncToDisk()
{
#ifdef Q_OS_UNIX
    // Some file systems take written bytes into memory and find out only here that they have
    // no room (or no quota) for them. Devices that cannot sync say so with EINVAL.
    return ::fsync(handle()) == 0 || errno == EINVAL || errno == ENOTSUP;
#else
    return true; // commit() flushes the file's buffers to the disk
#endif
}

WriteResult writeBytes(SaveFile& file, const QByteArray& bytes)
{
    const QString path = file.fileName();
    const QFileInfo target(path);
    if (target.isDir())
        return {false, problemText(FileProblem::IsFolder, {}), FileProblem::IsFolder};

    // Writing in place is allowed only for an existing file, and Qt falls back to it only when
    // the folder refuses the temporary file for lack of permission (a folder of another user,
    // the file ours); everywhere else the save stays atomic. The previous bytes are kept to be
    // put back should the in-place write fail.
    QByteArray previous;
    bool keptPrevious = false;
    if (target.isFile()) {
        file.setDirectWriteFallback(true);
        keptPrevious = readAllBytes(path, previous, nullptr);
    }

    // Unbuffered, so that each write() below reaches the system and its result is the disk's
    // answer. A buffered QSaveFile (Qt 6.4) answers from memory and meets ENOSPC only inside
    // commit(), which then ignores it and renames an empty file over the old one.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeFailure(path, errno, file);
    const bool inPlace = writesInPlace(file, path);

    // Every step is checked: the writes, the flush (a no-op unbuffered, kept for a device that
    // buffers anyway), the sync that makes the disk take the bytes, and Qt's own error state.
    bool written = writeAll(file, bytes);
    if (written) {
        errno = 0;
        written = file.flush();
    }
    if (written) {
        errno = 0;
        written = file.syncToDisk();
    }
    if (written && file.error() != QFileDevice::NoError) {
        errno = 0;
        written = false;
    }
    if (written) {
        errno = 0;
        if (file.commit())
            return {true, {}, FileProblem::None};
    }
    WriteResult failure = writeFailure(path, errno, file);

    if (file.isOpen()) {
        // Discards the temporary file. Closing through commit() rather than the destructor
        // matters in place: the destructor of an open QSaveFile removes the file it writes.
        file.cancelWriting();
        file.commit();
    }
    // In place there is no old file to fall back on: a crash or power cut in the middle leaves
    // a partly written file, and a failed write leaves whatever the put-back manages.
    if (inPlace && keptPrevious && !putBack(path, previous))
        failure.error += QStringLiteral(" The file could not be put back as it was.");
    return failure;
}

WriteResult writeTextFile(const QString& path, const QString& text)
{
    SaveFile file(path);
    return writeBytes(file, encodeFileText(text));
}

Fingerprint fingerprintOf(const QByteArray& bytes, const QString& path)
{
    // Change detection, not security: any digest of the content will do.
    return {Fingerprint::Content, QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256),
            linkTargetOf(path)};
}

Fingerprint fingerprintFile(const QString& path)
{
    const QFileInfo info(path);
    Fingerprint found{Fingerprint::Missing, {}, linkTargetOf(path)};
    QByteArray bytes;
    if (info.isDir())
        found.kind = Fingerprint::Folder;
    else if (info.isFile() && !readAllBytes(path, bytes, nullptr))
        found.kind = Fingerprint::Unreadable;
    else if (info.isFile())
        found = fingerprintOf(bytes, path);
    return found;
}

bool readTextFile(const QString& path, QString& text, QString* failure, Fingerprint* seen)
{
    QByteArray bytes;
    const bool read = readAllBytes(path, bytes, failure);
    if (seen)
        *seen = read ? fingerprintOf(bytes, path)
                     : Fingerprint{Fingerprint::Unreadable, {}, linkTargetOf(path)};
    if (!read)
        return false;
    if (bytes.isEmpty()) {
        if (failure)
            failure->clear();
        return false;
    }
    text = decodeFileText(bytes);
    return true;
}

} // namespace settings_file
