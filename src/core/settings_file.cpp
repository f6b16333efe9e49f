#include "core/settings_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace settings_file {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("    ");

// On Windows the system's ANSI code page. Elsewhere Windows-1252 rather than Latin-1, so a file
// from a Western Windows machine reads the same (Latin-1 lacks the euro sign and the typographic
// quotes).
// Stateless: a high surrogate at the end of the text is an error, not half of a character
// kept back for a next call that never comes.
QStringEncoder makeEncoder()
{
#ifdef Q_OS_WIN
    return QStringEncoder(QStringConverter::System, QStringConverter::Flag::Stateless);
#else
    return QStringEncoder("windows-1252", QStringConverter::Flag::Stateless);
#endif
}

QStringDecoder makeDecoder()
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringConverter::System);
#else
    return QStringDecoder("windows-1252");
#endif
}

const QString kTypeTag = QStringLiteral("Type");
const QString kPlainType = QStringLiteral("Option");
const QString kEscapedType = QStringLiteral("Option+escaped");
const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Whether a reader would take the text at `at` for one of the seven keys' opening or closing
// tags, compared as tagValue compares them.
bool startsKeyTag(QStringView text, qsizetype at)
{
    static const QStringList tags = [] {
        QStringList all;
        for (const QueryKey key : kQueryKeys) {
            all << QLatin1Char('<') + keyName(key) + QLatin1Char('>')
                << QStringLiteral("</") + keyName(key) + QLatin1Char('>');
        }
        return all;
    }();
    if (text.at(at) != u'<')
        return false;
    const QStringView rest = text.mid(at);
    for (const QString& tag : tags) {
        if (rest.startsWith(tag, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Whether the '&' at `at` starts "&" ("amp;")* "lt;": text that an escaped file's reader would
// turn into something else, so the escaping must protect it. Linear: the run holds no '&'.
bool startsEscapeLike(QStringView text, qsizetype at)
{
    qsizetype i = at + 1;
    while (text.mid(i).startsWith(u"amp;"))
        i += 4;
    return text.mid(i).startsWith(u"lt;");
}

bool holdsKeyTag(const QString& value)
{
    for (qsizetype i = value.indexOf(u'<'); i >= 0; i = value.indexOf(u'<', i + 1)) {
        if (startsKeyTag(value, i))
            return true;
    }
    return false;
}

QString escapeValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'<' && startsKeyTag(value, i))
            escaped += QStringLiteral("&lt;");
        else if (c == u'&' && startsEscapeLike(value, i))
            escaped += QStringLiteral("&amp;");
        else
            escaped += c;
    }
    return escaped;
}

QString unescapeValue(const QString& value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QStringView rest = QStringView(value).mid(i);
        if (rest.startsWith(u"&lt;")) {
            plain += u'<';
            i += 3;
        } else if (rest.startsWith(u"&amp;") && startsEscapeLike(value, i)) {
            plain += u'&';
            i += 4;
        } else {
            plain += value.at(i);
        }
    }
    return plain;
}

// Lone surrogates, which no encoding can hold, as "?".
QString withoutLoneSurrogates(const QString& text)
{
    QString clean = text;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (c.isHighSurrogate() && i + 1 < clean.size() && clean.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            clean[i] = u'?';
    }
    return clean;
}

QString element(const QString& tag, const QString& value)
{
    return kIndent + QLatin1Char('<') + tag + QLatin1Char('>') + value + QStringLiteral("</") +
           tag + QLatin1Char('>');
}

} // namespace

QString fileName()
{
    return QStringLiteral("lexivo.xml");
}

QString buildSettingsText(const QueryStringSet& values)
{
    bool escaped = false;
    for (const QueryKey key : kQueryKeys)
        escaped = escaped || holdsKeyTag(values[key]);
    QString text = QStringLiteral("<?xml version=\"1.0\"?>") + kLineEnd +
                   QStringLiteral("<LexivoDictionaryII>") + kLineEnd +
                   element(kTypeTag, escaped ? kEscapedType : kPlainType) + kLineEnd;
    for (const QueryKey key : kQueryKeys)
        text += element(keyName(key), escaped ? escapeValue(values[key]) : values[key]) + kLineEnd;
    text += QStringLiteral("</LexivoDictionaryII>");
    return text;
}

QString tagValue(const QString& text, const QString& tagName)
{
    const QString openingTag = QLatin1Char('<') + tagName + QLatin1Char('>');
    const QString closingTag = QStringLiteral("</") + tagName + QLatin1Char('>');
    const qsizetype open = text.indexOf(openingTag, 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    // Searching from the character after '<' keeps the closing tag from overlapping the opening
    // one.
    const qsizetype close = text.indexOf(closingTag, open + 1, Qt::CaseInsensitive);
    if (close < 0)
        return {};
    const qsizetype start = open + openingTag.size();
    const qsizetype length = close - start;
    return length > 0 ? text.mid(start, length) : QString();
}

QueryStringSet parseSettingsText(const QString& text)
{
    // Only a file whose first Type element is exactly the marker is escaped; every file written
    // without escaping has "Option" there and reads exactly as it always did.
    const bool escaped = tagValue(text, kTypeTag) == kEscapedType;
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys) {
        const QString value = tagValue(text, keyName(key));
        values[key] = escaped ? unescapeValue(value) : value;
    }
    return values;
}

QByteArray encodeAnsi(const QString& text)
{
    QStringEncoder encoder = makeEncoder();
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;

    // The code page lacks some character: encode one character at a time so that exactly those
    // become "?". A surrogate pair is one character (one "?"); a lone surrogate is none at all.
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSurrogate()) {
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i; // no single-byte code page holds characters beyond the BMP
            bytes += '?';
            continue;
        }
        QStringEncoder single = makeEncoder(); // an encoder's error flag never clears
        const QByteArray encoded = single.encode(QStringView(&c, 1));
        bytes += single.hasError() ? QByteArray("?") : encoded;
    }
    return bytes;
}

QString decodeAnsi(const QByteArray& bytes)
{
    QStringDecoder decoder = makeDecoder();
    return decoder.decode(bytes);
}

QByteArray encodeFileText(const QString& text)
{
    const QString clean = withoutLoneSurrogates(text);
    QStringEncoder encoder = makeEncoder();
    const QByteArray ansi = encoder.encode(clean);
    if (!encoder.hasError())
        return ansi;
    return kUtf8Bom + clean.toUtf8();
}

QString decodeFileText(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.constData() + kUtf8Bom.size(),
                                 bytes.size() - kUtf8Bom.size());
    return decodeAnsi(bytes);
}

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
    case FileProblem::Other:
        break;
    }
    return systemText.isEmpty() ? QStringLiteral("An unknown error occurred.") : systemText;
}

namespace {

// Reading: the problem, and its sentence, for a read that failed with errno `errorNumber`.
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

} // namespace

bool readTextFile(const QString& path, QString& text, QString* failure, Fingerprint* seen)
{
    QByteArray bytes;
    const bool read = readAllBytes(path, bytes, failure);
    if (seen)
        *seen = read ? fingerprintOf(bytes) : Fingerprint{Fingerprint::Unreadable, {}};
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

WriteResult writeTextFile(const QString& path, const QString& text)
{
    SaveFile file(path);
    return writeBytes(file, encodeFileText(text));
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

Fingerprint fingerprintOf(const QByteArray& bytes)
{
    // Change detection, not security: any digest of the content will do.
    return {Fingerprint::Content, QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256)};
}

Fingerprint fingerprintFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return {};
    QByteArray bytes;
    if (!readAllBytes(path, bytes, nullptr))
        return {Fingerprint::Unreadable, {}};
    return fingerprintOf(bytes);
}

bool isStaleTemporaryFile(const QString& name, const QString& target, const QDateTime& modified,
                          const QDateTime& now)
{
    // Qt draws the six characters from letters and digits. One all in small letters is left
    // alone: more likely a name someone chose ("lexivo.xml.backup") than a leftover.
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    static const QRegularExpression notAWord(QStringLiteral("[A-Z0-9]"));
    const QString rest = name.mid(target.size());
    return name.startsWith(target) && suffix.match(rest).hasMatch() &&
           notAWord.match(rest).hasMatch() && modified.msecsTo(now) > 60 * 1000;
}

int removeStaleTemporaryFiles(const QString& folder, const QString& target)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int removed = 0;
    const QFileInfoList candidates = QDir(folder).entryInfoList(
        {target + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : candidates) {
        if (isStaleTemporaryFile(info.fileName(), target, info.lastModified().toUTC(), now) &&
            QFile::remove(info.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace settings_file
