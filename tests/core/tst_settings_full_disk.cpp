// Saving the settings on a disk that is really full: a small tmpfs of the test's own, filled up.
// Mounting needs root; elsewhere the test skips (the same failures are simulated at the device
// level in tst_settings_write).
#include "core/canned_templates.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "settings_test_files.h"
#include "tmpfs_mount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace settings_file;

class SettingsFullDiskTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();
    void saveFitsAgainOnceThereIsRoom();
};

void SettingsFullDiskTest::initTestCase()
{
    if (!TmpfsMount::available())
        QSKIP(
            "mounting a small tmpfs needs root; the device-level cases run in tst_settings_write");
}

void SettingsFullDiskTest::fullDiskKeepsOldFile_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<qint64>("leaveFree");
    QTest::addColumn<int>("padding"); // characters added to the Chinese template

    QTest::newRow("full before the first byte") << QByteArray("size=64k") << qint64(0) << 0;
    QTest::newRow("full after the first buffer (16 KiB free)")
        << QByteArray("size=64k") << qint64(16384) << 20000;
    QTest::newRow("a value larger than the buffer, full half way")
        << QByteArray("size=256k") << qint64(65536) << 150000;
    QTest::newRow("no room for another file")
        << QByteArray("size=64k,nr_inodes=3") << qint64(8192) << 0;
}

void SettingsFullDiskTest::fullDiskKeepsOldFile()
{
    QFETCH(QByteArray, options);
    QFETCH(qint64, leaveFree);
    QFETCH(int, padding);
    QTemporaryDir dir;
    const TmpfsMount disk(dir.path(), options);
    QVERIFY2(disk.mounted(), qPrintable(disk.error()));
    const QString path = dir.filePath(fileName());

    QueryStringSet old = canned_templates::defaults();
    old[QueryKey::Home] = QStringLiteral("http://home.test/");
    QVERIFY(writeTextFile(path, buildSettingsText(old)).ok);
    const QByteArray before = readBytes(path);
    QVERIFY(disk.fill(dir.filePath(QStringLiteral("filler")), leaveFree));

    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] += QString(padding, QLatin1Char('x'));
    const QString text = buildSettingsText(values);
    const WriteResult result = writeTextFile(path, text);
    const QByteArray after = readBytes(path);
    qInfo("%s: old file %lld bytes, save of %lld bytes with %lld bytes free -> %s; file now %lld "
          "bytes, %s",
          QTest::currentDataTag(), qint64(before.size()), qint64(text.size()), leaveFree,
          result.ok ? "saved" : qPrintable(QStringLiteral("failed: ") + result.error),
          qint64(after.size()), after == before ? "byte-identical" : "CHANGED");

    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("The disk is full."));
    QCOMPARE(after, before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{QStringLiteral("filler"), fileName()}));
}

void SettingsFullDiskTest::saveFitsAgainOnceThereIsRoom()
{
    QTemporaryDir dir;
    const TmpfsMount disk(dir.path(), "size=64k");
    QVERIFY2(disk.mounted(), qPrintable(disk.error()));
    const QString path = dir.filePath(fileName());
    const QString filler = dir.filePath(QStringLiteral("filler"));
    QVERIFY(writeTextFile(path, QStringLiteral("old")).ok);
    QVERIFY(disk.fill(filler));
    QVERIFY(!writeTextFile(path, QStringLiteral("new")).ok);
    QVERIFY(QFile::remove(filler));
    QVERIFY(writeTextFile(path, QStringLiteral("new")).ok);
    QCOMPARE(readBytes(path), QByteArray("new"));
}

QTEST_GUILESS_MAIN(SettingsFullDiskTest)
#include "tst_settings_full_disk.moc"
