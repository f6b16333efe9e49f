// Saving the settings file: atomic where the folder allows it, in place where only the file may
// be written, and on any failure the old file kept and the reason said in plain words.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "permissions_enforced.h"
#include "settings_test_files.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace settings_file;

namespace {

#ifdef Q_OS_UNIX
ino_t inodeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
#endif

// A save file on a disk that fails on cue, as the system reports it: the writes take `room`
// more bytes (a short write), then fail with `errorNumber`; or go to another device (such as
// /dev/full); or the sync refuses the bytes.
class FailingSaveFile : public SaveFile
{
public:
    using SaveFile::SaveFile;

    qint64 room = -1; // -1: no limit
    int errorNumber = ENOSPC;
    QFile* device = nullptr;
    int syncError = 0;
    std::function<void()> beforeFirstWrite;

    bool syncToDisk() override
    {
        if (syncError == 0)
            return SaveFile::syncToDisk();
        errno = syncError;
        return false;
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        if (beforeFirstWrite)
            std::exchange(beforeFirstWrite, nullptr)();
        if (device)
            return device->write(data, len);
        if (room == 0) {
            errno = errorNumber;
            return -1;
        }
        const qint64 written = SaveFile::writeData(data, room < 0 ? len : qMin(len, room));
        if (room > 0 && written > 0)
            room -= written;
        return written;
    }
};

QByteArray oldSettings()
{
    return encodeFileText(buildSettingsText(canned_templates::defaults()));
}

enum class Disk { DevFull, Room, SyncRefused };

} // namespace

Q_DECLARE_METATYPE(Disk)

class SettingsWriteTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savesStayAtomicWhereTheFolderIsWritable();
    void writeFailureKeepsOldFileAndSaysWhy_data();
    void writeFailureKeepsOldFileAndSaysWhy();
    void problemWords_data();
    void problemWords();
    void failedWriteKeepsOldFileAndSaysWhy_data();
    void failedWriteKeepsOldFileAndSaysWhy();
    void commitRefusedKeepsOldFile();
    void writesInPlaceWhenOnlyTheFileIsWritable();
    void failedInPlaceWritePutsOldBytesBack();
};

void SettingsWriteTest::savesStayAtomicWhereTheFolderIsWritable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    QVERIFY(writeBytes(path, QByteArray(4096, 'x')));
#ifdef Q_OS_UNIX
    const ino_t before = inodeOf(path);
#endif
    QVERIFY(writeTextFile(path, QStringLiteral("short")).ok);
    QCOMPARE(readBytes(path), QByteArray("short"));
    QCOMPARE(filesIn(dir.path()), QStringList{fileName()}); // no temporary file left behind
#ifdef Q_OS_UNIX
    // A new file took the old one's place; the old one was never opened for writing.
    QVERIFY(inodeOf(path) != before);
#endif
}

// What stands in a save's way.
enum class WriteSituation { FolderRemoved, FolderReadOnly, FolderAtPath, FileWriteProtected };
Q_DECLARE_METATYPE(WriteSituation)

void SettingsWriteTest::writeFailureKeepsOldFileAndSaysWhy_data()
{
    QTest::addColumn<WriteSituation>("situation");
    QTest::addColumn<QString>("words");
    QTest::newRow("folder removed") << WriteSituation::FolderRemoved
                                    << "The folder does not exist: it was removed, or it could not "
                                       "be made because the program's folder is read-only.";
    QTest::newRow("folder read-only, no file yet")
        << WriteSituation::FolderReadOnly << "The folder is not writable.";
    QTest::newRow("a folder at the file's path")
        << WriteSituation::FolderAtPath << "A folder has the file's name.";
    QTest::newRow("file write-protected")
        << WriteSituation::FileWriteProtected << "The file is write-protected.";
}

void SettingsWriteTest::writeFailureKeepsOldFileAndSaysWhy()
{
    QFETCH(WriteSituation, situation);
    QTemporaryDir dir;
    const QString session = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(session));
    const QString path = session + QStringLiteral("/lexivo.xml");
    const QByteArray old = "old settings";
    switch (situation) {
    case WriteSituation::FolderRemoved:
        QVERIFY(QDir(session).removeRecursively());
        break;
    case WriteSituation::FolderReadOnly:
        QVERIFY(QFile::setPermissions(session, QFile::ReadOwner | QFile::ExeOwner));
        break;
    case WriteSituation::FolderAtPath:
        QVERIFY(QDir().mkdir(path));
        break;
    case WriteSituation::FileWriteProtected:
        // Qt asks access(), which lets root write any file whatever the capabilities say.
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP("root may write a write-protected file");
#endif
        QVERIFY(writeBytes(path, old));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        break;
    }

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if ((situation == WriteSituation::FolderReadOnly ||
             situation == WriteSituation::FileWriteProtected) &&
            !enforced.enforced())
            QSKIP("running with privileges that ignore permissions");
        result = writeTextFile(path, QStringLiteral("new settings"));
    }
    QFile::setPermissions(session, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!result.ok);
    QTEST(result.error, "words");
    if (situation == WriteSituation::FolderReadOnly)
        QCOMPARE(filesIn(session), QStringList());
    if (situation == WriteSituation::FolderAtPath)
        QVERIFY(QFileInfo(path).isDir());
    if (situation == WriteSituation::FileWriteProtected)
        QCOMPARE(readBytes(path), old);
}

void SettingsWriteTest::problemWords_data()
{
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("systemText");
    QTest::addColumn<QString>("words");
    QTest::newRow("ENOSPC") << ENOSPC << "No space left on device"
                            << "The disk is full.";
#ifdef EDQUOT
    QTest::newRow("EDQUOT") << EDQUOT << "Disk quota exceeded"
                            << "Your disk quota is used up.";
#endif
    QTest::newRow("EACCES") << EACCES << "Permission denied"
                            << "The folder is not writable.";
    QTest::newRow("EPERM") << EPERM << "Operation not permitted"
                           << "The folder is not writable.";
    QTest::newRow("EROFS") << EROFS << "Read-only file system"
                           << "The disk is read-only.";
    QTest::newRow("ENOENT") << ENOENT << "No such file or directory"
                            << "The folder does not exist: it was removed, or it could not be "
                               "made because the program's folder is read-only.";
    QTest::newRow("EISDIR") << EISDIR << "Is a directory"
                            << "A folder has the file's name.";
    QTest::newRow("EIO") << EIO << "Input/output error"
                         << "The disk reported an error (input/output error).";
    QTest::newRow("other: the system's words") << EMFILE << "Too many open files"
                                               << "Too many open files";
    QTest::newRow("nothing known") << 0 << ""
                                   << "An unknown error occurred.";
}

void SettingsWriteTest::problemWords()
{
    QFETCH(int, errorNumber);
    QFETCH(QString, systemText);
    QTEST(problemText(problemFromErrno(errorNumber), systemText), "words");
}

void SettingsWriteTest::failedWriteKeepsOldFileAndSaysWhy_data()
{
    QTest::addColumn<Disk>("disk");
    QTest::addColumn<qint64>("room");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<int>("valueSize"); // of the Chinese template's padding
    QTest::addColumn<QString>("words");

    QTest::newRow("/dev/full: full before the first byte")
        << Disk::DevFull << qint64(0) << 0 << 0 << "The disk is full.";
    QTest::newRow("full before the first byte")
        << Disk::Room << qint64(0) << ENOSPC << 0 << "The disk is full.";
    QTest::newRow("full after the first buffer")
        << Disk::Room << qint64(16384) << ENOSPC << 20000 << "The disk is full.";
    QTest::newRow("a value larger than the buffer, full half way")
        << Disk::Room << qint64(100000) << ENOSPC << 200000 << "The disk is full.";
#ifdef EDQUOT
    QTest::newRow("quota used up after 100 bytes")
        << Disk::Room << qint64(100) << EDQUOT << 0 << "Your disk quota is used up.";
#endif
    QTest::newRow("input/output error") << Disk::Room << qint64(200) << EIO << 0
                                        << "The disk reported an error (input/output error).";
    QTest::newRow("the sync refuses the bytes")
        << Disk::SyncRefused << qint64(-1) << ENOSPC << 0 << "The disk is full.";
}

void SettingsWriteTest::failedWriteKeepsOldFileAndSaysWhy()
{
    QFETCH(Disk, disk);
    QFETCH(qint64, room);
    QFETCH(int, errorNumber);
    QFETCH(int, valueSize);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    QVERIFY(writeBytes(path, oldSettings()));

    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] += QString(valueSize, QLatin1Char('x'));
    QFile devFull(QStringLiteral("/dev/full"));
    FailingSaveFile file(path);
    switch (disk) {
    case Disk::DevFull:
        QVERIFY(devFull.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        file.device = &devFull;
        break;
    case Disk::Room:
        file.room = room;
        file.errorNumber = errorNumber;
        break;
    case Disk::SyncRefused:
        file.syncError = errorNumber;
        break;
    }
    const WriteResult result = writeBytes(file, encodeFileText(buildSettingsText(values)));

    QVERIFY(!result.ok);
    QTEST(result.error, "words");
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(dir.path()), QStringList{fileName()});
}

void SettingsWriteTest::commitRefusedKeepsOldFile()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    QVERIFY(writeBytes(path, oldSettings()));

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        // Every byte is written; then the folder no longer lets the new file in.
        FailingSaveFile file(path);
        file.beforeFirstWrite = [&] {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        };
        result = writeBytes(file, QByteArrayLiteral("new settings"));
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("The folder is not writable."));
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

void SettingsWriteTest::writesInPlaceWhenOnlyTheFileIsWritable()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    QVERIFY(writeBytes(path, oldSettings()));
    const ino_t before = inodeOf(path);
    WriteResult result;
    {
        // The folder belongs to someone else (as root: to "nobody"), the file to us.
        const FolderRefusingNewFiles refusing(folder);
        QVERIFY(refusing.changed());
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        QVERIFY(!QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly));
        result = writeTextFile(path, QStringLiteral("new settings"));
    }

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readBytes(path), QByteArray("new settings"));
    QCOMPARE(inodeOf(path), before);
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

void SettingsWriteTest::failedInPlaceWritePutsOldBytesBack()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    QVERIFY(writeBytes(path, oldSettings()));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        FailingSaveFile file(path);
        file.room = 10;
        result = writeBytes(file, encodeFileText(buildSettingsText(canned_templates::defaults())) +
                                      "more");
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("The disk is full."));
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

QTEST_GUILESS_MAIN(SettingsWriteTest)
#include "tst_settings_write.moc"
