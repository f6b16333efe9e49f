// The session's settings file as one copy of the program keeps it: read at start, saved only
// over the file it last read or wrote, and nothing else beside it touched.
//
// The race between copies runs this same executable as the copies: "--copy" (see main()).
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "core/settings_save_lock.h"
#include "core/settings_session.h"
#include "permissions_enforced.h"
#include "settings_test_files.h"
#include "slow_case.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace settings_file;
using Status = SettingsSession::SaveStatus;

namespace {

const char kCopyArgument[] = "--copy";

// A copy of the program: starts (loads), says "loaded", waits for a line on its input, then
// saves `english` as its English template and says how that went.
int runCopy(const QString& home, const QString& english)
{
    PermissionsEnforced enforced; // as root, folders refuse files as they do for a user
    SettingsSession session(home);
    session.load();
    std::puts("loaded");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 2;
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::English] = english;
    const SettingsSession::SaveResult result = session.save(values);
    std::puts(result.status == Status::Saved           ? "saved"
              : result.status == Status::ChangedOnDisk ? "asked"
                                                       : qPrintable(result.error));
    return 0;
}

enum class LockPlace { Writable, KilledCopysLock, RefusesNewFiles, NoFolder };

} // namespace

Q_DECLARE_METATYPE(LockPlace)
Q_DECLARE_METATYPE(SaveLock::State)

class SettingsSessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsWhatStartFinds_data();
    void loadsWhatStartFinds();
    void readFailureSaysWhy_data();
    void readFailureSaysWhy();
    void fingerprintNoticesAnotherSave();
    void saveLock_data();
    void saveLock();
    void simultaneousSavesNeverLoseOne_data();
    void simultaneousSavesNeverLoseOne();
    void startRemovesNothingBesideTheFile();
};

void SettingsSessionTest::loadsWhatStartFinds_data()
{
    // At session/lexivo.xml: "", "file", "empty", "folder", "marked" (a byte-order mark and a
    // Windows-1252 letter, as a Windows-1252 editor leaves a file the program wrote as UTF-8).
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("home");
    QTest::newRow("no file: the defaults") << QString() << QStringLiteral("about:blank");
    QTest::newRow("a file: its values") << "file" << QStringLiteral("http://home.test/");
    QTest::newRow("an empty file: empty values") << "empty" << QString();
    QTest::newRow("a folder is no file: the defaults") << "folder" << QStringLiteral("about:blank");
    QTest::newRow("a mark, then the code page") << "marked" << QStringLiteral("caf\u00E9");
}

void SettingsSessionTest::loadsWhatStartFinds()
{
    QFETCH(QString, found);
    QTemporaryDir home;
    SettingsSession session(home.path());
    QCOMPARE(session.filePath(), home.path() + QStringLiteral("/session/lexivo.xml"));
    if (!found.isEmpty())
        QVERIFY(QDir().mkdir(session.folder()));
    if (found == QLatin1String("file"))
        QVERIFY(writeBytes(session.filePath(), "<Home>http://home.test/</Home>"));
    if (found == QLatin1String("marked"))
        QVERIFY(writeBytes(session.filePath(), "\xEF\xBB\xBF<Home>caf\xE9</Home>"));
    if (found == QLatin1String("empty"))
        QVERIFY(writeBytes(session.filePath(), {}));
    if (found == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(session.filePath()));

    const SettingsSession::Loaded loaded = session.load();
    QVERIFY(QFileInfo(session.folder()).isDir());
    QTEST(loaded.values[QueryKey::Home], "home");
    QCOMPARE(loaded.values[QueryKey::English] == canned_templates::defaults()[QueryKey::English],
             found.isEmpty() || found == QLatin1String("folder"));
    QCOMPARE(loaded.failure, QString());
    if (found != QLatin1String("folder"))
        QCOMPARE(filesIn(session.folder()),
                 found.isEmpty() ? QStringList() : QStringList{fileName()});
}

// What lies at the settings file's path when it is read.
enum class ReadSituation { NoPermission, Empty, Folder, Missing };
Q_DECLARE_METATYPE(ReadSituation)

void SettingsSessionTest::readFailureSaysWhy_data()
{
    QTest::addColumn<ReadSituation>("situation");
    QTest::addColumn<QString>("failure");
    QTest::newRow("no read permission")
        << ReadSituation::NoPermission << "There is no permission to read the file.";
    QTest::newRow("empty file: no failure") << ReadSituation::Empty << "";
    QTest::newRow("a folder") << ReadSituation::Folder << "A folder has the file's name.";
    QTest::newRow("missing") << ReadSituation::Missing << "No such file or directory";
}

void SettingsSessionTest::readFailureSaysWhy()
{
    QFETCH(ReadSituation, situation);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    if (situation == ReadSituation::NoPermission) {
        QVERIFY(writeBytes(path, "<Home>x</Home>"));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    }
    if (situation == ReadSituation::Empty)
        QVERIFY(writeBytes(path, {}));
    if (situation == ReadSituation::Folder)
        QVERIFY(QDir(dir.path()).mkdir(fileName()));

    PermissionsEnforced enforced;
    if (situation == ReadSituation::NoPermission && !enforced.enforced())
        QSKIP("cannot drop the capabilities that override file permissions");
    QString text = QStringLiteral("untouched");
    QString failure = QStringLiteral("not set");
    QVERIFY(!readTextFile(path, text, &failure));
    QCOMPARE(text, QStringLiteral("untouched"));
    QTEST(failure, "failure");
}

void SettingsSessionTest::fingerprintNoticesAnotherSave()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    QCOMPARE(fingerprintFile(path).kind, Fingerprint::Missing);
    QVERIFY(writeBytes(path, "first"));
    const Fingerprint first = fingerprintFile(path);
    QCOMPARE(first.kind, Fingerprint::Content);
    QCOMPARE(first, fingerprintOf("first"));
    QVERIFY(writeTextFile(path, QStringLiteral("other")).ok);
    QVERIFY(fingerprintFile(path) != first);
    QCOMPARE(fingerprintFile(path), fingerprintOf("other"));
    QVERIFY(fingerprintOf("") != Fingerprint());

    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    PermissionsEnforced enforced;
    if (enforced.enforced())
        QCOMPARE(fingerprintFile(path).kind, Fingerprint::Unreadable);
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir(dir.path()).mkdir(fileName()));
    QCOMPARE(fingerprintFile(path).kind, Fingerprint::Folder);
}

void SettingsSessionTest::saveLock_data()
{
    QTest::addColumn<LockPlace>("place");
    QTest::addColumn<SaveLock::State>("first");
    QTest::addColumn<SaveLock::State>("second"); // while the first is held
    QTest::addColumn<bool>("lockFile");          // the first's lock file beside the settings
    using State = SaveLock::State;
    QTest::newRow("a writable folder: a lock file")
        << LockPlace::Writable << State::Held << State::Busy << true;
    QTest::newRow("a lock left by a killed copy is taken over")
        << LockPlace::KilledCopysLock << State::Held << State::Busy << true;
#ifdef Q_OS_UNIX
    QTest::newRow("a folder that refuses new files: the file itself")
        << LockPlace::RefusesNewFiles << State::Held << State::Busy << false;
#endif
    QTest::newRow("no folder: nothing to lock")
        << LockPlace::NoFolder << State::Unavailable << State::Unavailable << false;
}

void SettingsSessionTest::saveLock()
{
    QFETCH(LockPlace, place);
    QTemporaryDir home;
    SettingsSession session(home.path());
    session.load();
    const QString file = session.filePath();
    const QString lockFile = SaveLock::lockFileName(file);
    QCOMPARE(lockFile, session.folder() + QStringLiteral("/lexivo.xml.lock"));
    QVERIFY(writeBytes(file, "<Home>x</Home>"));
    // QLockFile's own format: process id, program name, host name. No process has this id.
    if (place == LockPlace::KilledCopysLock)
        QVERIFY(writeBytes(lockFile,
                           "2147483600\nlexivo\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    if (place == LockPlace::NoFolder)
        QVERIFY(QDir(session.folder()).removeRecursively());
#ifdef Q_OS_UNIX
    std::optional<FolderRefusingNewFiles> refusing;
    if (place == LockPlace::RefusesNewFiles)
        refusing.emplace(session.folder());
#endif
    PermissionsEnforced enforced;
    if (place == LockPlace::RefusesNewFiles && !enforced.enforced())
        QSKIP("cannot drop the capabilities that override folder permissions");

    QElapsedTimer clock;
    clock.start();
    {
        // A wait far longer than any slow machine takes to lock, so that a wait shows.
        const SaveLock first(file, std::chrono::milliseconds(20000));
        QTEST(first.state(), "first");
        QVERIFY2(clock.elapsed() < 10000, "the first lock waited");
        QTEST(QFileInfo::exists(lockFile), "lockFile");
        const SaveLock second(file, std::chrono::milliseconds(50));
        QTEST(second.state(), "second");
    }
    QVERIFY(!QFileInfo::exists(lockFile));
    QCOMPARE(SaveLock(file, std::chrono::milliseconds(50)).state(),
             place == LockPlace::NoFolder ? SaveLock::State::Unavailable : SaveLock::State::Held);
}

void SettingsSessionTest::simultaneousSavesNeverLoseOne_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("atomic saves") << false;
#ifdef Q_OS_UNIX
    QTest::newRow("in place: the folder refuses new files") << true;
#endif
}

// Two copies press Save at the same moment, many times: each time one saves and the other is
// asked, whichever comes first; never do both save, which would silently drop one's values.
void SettingsSessionTest::simultaneousSavesNeverLoseOne()
{
    LEXIVO_SLOW_CASE();
    QFETCH(bool, inPlace);
    constexpr int kRounds = 100;
    int firstSaved = 0, secondSaved = 0, bothSaved = 0, other = 0;
    QStringList others;
    for (int round = 0; round < kRounds; ++round) {
        QTemporaryDir home;
        SettingsSession setup(home.path());
        setup.load();
        QCOMPARE(setup.save(canned_templates::defaults()).status, Status::Saved);
#ifdef Q_OS_UNIX
        std::optional<FolderRefusingNewFiles> refusing;
        if (inPlace)
            refusing.emplace(setup.folder());
#endif
        QProcess copies[2];
        for (int i = 0; i < 2; ++i) {
            copies[i].start(QCoreApplication::applicationFilePath(),
                            {QString::fromLatin1(kCopyArgument), home.path(),
                             QStringLiteral("http://copy%1.test/%word").arg(i)});
            QVERIFY(copies[i].waitForReadyRead(10000));
            QCOMPARE(copies[i].readLine(), QByteArray("loaded\n"));
        }
        // Both told at once (the writes reach the pipes here, not in the waits below), in
        // turns which first.
        for (int i = 0; i < 2; ++i)
            copies[(round + i) % 2].write("go\n");
        for (int i = 0; i < 2; ++i)
            copies[(round + i) % 2].waitForBytesWritten(10000);
        QByteArray said[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY(copies[i].waitForFinished(20000));
            said[i] = copies[i].readAllStandardOutput().trimmed();
        }
        const QByteArray file = readBytes(setup.filePath());
        if (said[0] == "saved" && said[1] == "saved") {
            ++bothSaved;
        } else if (said[0] == "saved" && said[1] == "asked" && file.contains("copy0.test")) {
            ++firstSaved;
        } else if (said[1] == "saved" && said[0] == "asked" && file.contains("copy1.test")) {
            ++secondSaved;
        } else {
            ++other;
            others << QString::fromUtf8(said[0] + " / " + said[1]);
        }
    }
    qInfo("%d rounds: first saved and second asked %d, second saved and first asked %d, both "
          "saved (one lost) %d, other %d %s",
          kRounds, firstSaved, secondSaved, bothSaved, other, qPrintable(others.join(u',')));
    QCOMPARE(bothSaved, 0);
    QCOMPARE(other, 0);
}

// Whatever lies beside the settings file is the user's, however old and whatever its name:
// even a complete copy left by a save killed between naming its file and renaming it.
void SettingsSessionTest::startRemovesNothingBesideTheFile()
{
    QTemporaryDir home;
    QTemporaryDir elsewhere;
    const QString folder = SettingsSession::folderIn(home.path());
    QVERIFY(QDir().mkdir(folder));
    QStringList names = {QStringLiteral("lexivo.xml")};
    for (const char* suffix : {"Backup", "BACKUP", "old123", "200101", "v2copy", "backup", "bak",
                               "orig", "Ab12Cd", "lock"})
        names << QStringLiteral("lexivo.xml.") + QLatin1String(suffix);
    const QString target = elsewhere.filePath(QStringLiteral("mine.xml"));
    QStringList paths = {target};
    for (const QString& name : names)
        paths << folder + QLatin1Char('/') + name;
    const QDateTime hourAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (const QString& path : paths) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("<Home>" + QFileInfo(path).fileName().toUtf8() + "</Home>") > 0);
        QVERIFY(file.flush()); // before the time is set, or the write sets it again
        QVERIFY(file.setFileTime(hourAgo, QFileDevice::FileModificationTime));
    }
    for (const char* link : {"lexivo.xml.Zz9Yy8", "lexivo.xml.link"}) {
        QVERIFY(QFile::link(target, folder + QLatin1Char('/') + QLatin1String(link)));
        names << QLatin1String(link);
    }
    names.sort();

    SettingsSession session(home.path());
    QCOMPARE(session.load().values[QueryKey::Home], QStringLiteral("lexivo.xml"));
    QCOMPARE(filesIn(folder), names);
    QCOMPARE(readBytes(folder + QStringLiteral("/lexivo.xml.Ab12Cd")),
             QByteArray("<Home>lexivo.xml.Ab12Cd</Home>"));
    QCOMPARE(readBytes(target), QByteArray("<Home>mine.xml</Home>"));
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], kCopyArgument) == 0) {
        QCoreApplication app(argc, argv);
        return runCopy(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    SettingsSessionTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settings_session.moc"
