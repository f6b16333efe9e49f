// The session's settings file as one copy of the program keeps it: read at start, saved only
// over the file it last read or wrote, and nothing else beside it touched.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "core/settings_leftovers.h"
#include "core/settings_session.h"
#include "permissions_enforced.h"
#include "settings_test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace settings_file;
using Status = SettingsSession::SaveStatus;

class SettingsSessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsWhatStartFinds_data();
    void loadsWhatStartFinds();
    void readFailureSaysWhy_data();
    void readFailureSaysWhy();
    void fingerprintNoticesAnotherSave();
    void twoCopiesAskBeforeReplacingEachOther();
    void staleTemporaryFiles_data();
    void staleTemporaryFiles();
    void removesOnlyStaleTemporaryFiles();
};

void SettingsSessionTest::loadsWhatStartFinds_data()
{
    QTest::addColumn<QString>("found"); // at session/lexivo.xml: "", "file", "empty", "folder"
    QTest::addColumn<QString>("home");
    QTest::newRow("no file: the defaults") << ""
                                           << "about:blank";
    QTest::newRow("a file: its values") << "file"
                                        << "http://home.test/";
    QTest::newRow("an empty file: empty values") << "empty"
                                                 << "";
    QTest::newRow("a folder is no file: the defaults") << "folder"
                                                       << "about:blank";
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

void SettingsSessionTest::readFailureSaysWhy_data()
{
    QTest::addColumn<int>("situation");
    QTest::addColumn<QString>("failure");
    QTest::newRow("no read permission") << 0 << "There is no permission to read the file.";
    QTest::newRow("empty file: no failure") << 1 << "";
    QTest::newRow("a folder") << 2 << "A folder has the file's name.";
    QTest::newRow("missing") << 3 << "No such file or directory";
}

void SettingsSessionTest::readFailureSaysWhy()
{
    QFETCH(int, situation);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    if (situation == 0) {
        QVERIFY(writeBytes(path, "<Home>x</Home>"));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    }
    if (situation == 1)
        QVERIFY(writeBytes(path, {}));
    if (situation == 2)
        QVERIFY(QDir(dir.path()).mkdir(fileName()));

    PermissionsEnforced enforced;
    if (situation == 0 && !enforced.enforced())
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
    QCOMPARE(fingerprintFile(path), Fingerprint()); // a folder is no file
}

void SettingsSessionTest::twoCopiesAskBeforeReplacingEachOther()
{
    QTemporaryDir home;
    SettingsSession first(home.path());
    SettingsSession second(home.path());
    first.load();
    second.load();
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::English] = QStringLiteral("http://second.test/%word");
    QCOMPARE(second.save(values).status, Status::Saved);

    values[QueryKey::English] = QStringLiteral("http://first.test/%word");
    const SettingsSession::SaveResult asked = first.save(values);
    QCOMPARE(asked.status, Status::ChangedOnDisk);
    QCOMPARE(asked.found, fingerprintOf(readBytes(first.filePath())));
    QVERIFY(readBytes(first.filePath()).contains("http://second.test/"));
    // Once the user agreed: replaced; the first copy's own saves then ask nothing.
    QCOMPARE(first.saveOver(values, asked.found).status, Status::Saved);
    QVERIFY(readBytes(first.filePath()).contains("http://first.test/"));
    QCOMPARE(first.save(values).status, Status::Saved);
    QCOMPARE(second.save(values).status, Status::ChangedOnDisk);
}

void SettingsSessionTest::staleTemporaryFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("stale");
    QTest::newRow("older than a minute") << "lexivo.xml.nyKwfU" << 61 << true;
    QTest::newRow("digits") << "lexivo.xml.a1b2c3" << 3600 << true;
    QTest::newRow("a minute or younger: a save may be running")
        << "lexivo.xml.nyKwfU" << 60 << false;
    QTest::newRow("five characters") << "lexivo.xml.nyKwf" << 3600 << false;
    QTest::newRow("seven characters") << "lexivo.xml.nyKwfUx" << 3600 << false;
    QTest::newRow("a word in small letters") << "lexivo.xml.backup" << 3600 << false;
    QTest::newRow("not a letter or digit") << "lexivo.xml.nyKw-U" << 3600 << false;
    QTest::newRow("the file itself") << "lexivo.xml" << 3600 << false;
    QTest::newRow("another file's") << "other.xml.nyKwfU" << 3600 << false;
}

void SettingsSessionTest::staleTemporaryFiles()
{
    QFETCH(QString, name);
    QFETCH(int, ageSeconds);
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    QTEST(isStaleTemporaryFile(name, QStringLiteral("lexivo.xml"), now.addSecs(-ageSeconds), now),
          "stale");
}

void SettingsSessionTest::removesOnlyStaleTemporaryFiles()
{
    QTemporaryDir dir;
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-3600);
    const QStringList names = {QStringLiteral("lexivo.xml"), QStringLiteral("lexivo.xml.Ab12Cd"),
                               QStringLiteral("lexivo.xml.XYZ789"),
                               QStringLiteral("lexivo.xml.fresh1"),
                               QStringLiteral("lexivo.xml.backup")};
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(
            name.endsWith(QStringLiteral("fresh1")) ? QDateTime::currentDateTimeUtc() : old,
            QFileDevice::FileModificationTime));
    }
    QCOMPARE(removeStaleTemporaryFiles(dir.path(), fileName()), 2);
    QCOMPARE(filesIn(dir.path()),
             (QStringList{QStringLiteral("lexivo.xml"), QStringLiteral("lexivo.xml.backup"),
                          QStringLiteral("lexivo.xml.fresh1")}));
}

QTEST_GUILESS_MAIN(SettingsSessionTest)
#include "tst_settings_session.moc"
