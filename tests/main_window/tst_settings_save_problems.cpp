// When "Save" cannot simply replace the settings file: the file is not as this copy left it, the
// folder is gone or read-only, the disk is full. Driven through the real modal dialogs.
#include "core/canned_templates.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window_fixture.h"
#include "permissions_enforced.h"
#include "settings_command_driver.h"
#include "temp_program_folder.h"
#include "tmpfs_mount.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

// While the program ran, something took the settings file's place.
enum class Replaced { ByAnotherCopy, Removed, Folder, Link, LinkToNothing, LinkToFolder };

} // namespace

Q_DECLARE_METATYPE(Replaced) // before its first use as a test column

class SaveProblemsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void failedSaveWarnsAndKeepsNewValues_data();
    void failedSaveWarnsAndKeepsNewValues();
    void readOnlyProgramFolderSaysWhy();
    void saveSaysWhatTookTheFilesPlace_data();
    void saveSaysWhatTookTheFilesPlace();
    void fullDiskSaveWarnsAndKeepsOldFile_data();
    void fullDiskSaveWarnsAndKeepsOldFile();
};

void SaveProblemsTest::cleanup()
{
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void SaveProblemsTest::failedSaveWarnsAndKeepsNewValues_data()
{
    QTest::addColumn<bool>("folderAtFilePath");
    QTest::addColumn<QString>("reason");
    QTest::newRow("session folder removed")
        << false
        << "The folder does not exist: it was removed, or it could not be made because the "
           "program's folder is read-only.";
    QTest::newRow("a folder where the file goes") << true << "A folder has the file's name.";
}

void SaveProblemsTest::failedSaveWarnsAndKeepsNewValues()
{
    QFETCH(bool, folderAtFilePath);
    MainWindowFixture started;
    if (folderAtFilePath)
        QVERIFY(QDir().mkdir(started.folder.settingsPath()));
    else
        QVERIFY(QDir(started.folder.sessionPath()).removeRecursively());

    QString warning;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        field(dialog, "txtThesaurus")->setText(QStringLiteral("http://t.test/%word"));
        modals.whenModal(
            [&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box)) {
                    warning = message->text();
                    icon = message->icon();
                    message->button(QMessageBox::Ok)->click();
                }
            },
            dialog);
        click(dialog, "cmdSave");
    });
    chooseMenuItem(*started.window, "mnuQueryString");

    QCOMPARE(icon, QMessageBox::Warning);
    QVERIFY2(warning.contains(QDir::toNativeSeparators(started.folder.settingsPath())),
             qPrintable(warning));
    QFETCH(QString, reason);
    QVERIFY2(warning.contains(QStringLiteral("\n\n") + reason + QStringLiteral("\n\n")),
             qPrintable(warning));
    QVERIFY2(warning.endsWith(QStringLiteral("The new values stay in use until the program ends.")),
             qPrintable(warning));
    QCOMPARE(started.window->options()->text(QueryKey::Thesaurus),
             QStringLiteral("http://t.test/%word"));
    QCOMPARE(QFileInfo(started.folder.settingsPath()).isDir(), folderAtFilePath);
    QVERIFY(!QFileInfo(started.folder.settingsPath()).isFile());

    // The program goes on: a lookup still works with the new template.
    started.window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(QStringLiteral("w"));
    QTest::mouseClick(started.window->findChild<QPushButton*>(QStringLiteral("cmdEn2Th")),
                      Qt::LeftButton);
    QCOMPARE(started.browser->navigations.last(), QStringLiteral("http://t.test/w"));
}

void SaveProblemsTest::readOnlyProgramFolderSaysWhy()
{
    TempProgramFolder folder;
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    QString warning;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        FakeBrowser* browser = nullptr;
        auto window = folder.start(&browser); // cannot make the session folder, starts anyway
        QVERIFY(!QFileInfo::exists(folder.sessionPath()));
        warning = saveAndAnswer(*window, [](QWidget*) {});
    }
    QVERIFY(QFile::setPermissions(folder.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(warning, QStringLiteral("The settings could not be saved to\n%1\n\n"
                                     "The folder does not exist: it was removed, or it could not "
                                     "be made because the program's folder is read-only.\n\n"
                                     "The new values stay in use until the program ends.")
                          .arg(QDir::toNativeSeparators(folder.settingsPath())));
}

void SaveProblemsTest::saveSaysWhatTookTheFilesPlace_data()
{
    QTest::addColumn<Replaced>("replaced");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("says"); // %1 the file, %2 where the link leads
    QTest::addColumn<bool>("saved");
    const QString changed = "\n%1\nhas changed since this copy of the program read or saved it; "
                            "another copy of the program may have saved its settings there.";
    const QString link = "\n%1\nis now a link to\n%2\nsince this copy of the program read or "
                         "saved it.\n\nSave your values into %2, through the link?";
    QTest::newRow("another copy saved; No: its file stays")
        << Replaced::ByAnotherCopy << QMessageBox::No << changed << false;
    QTest::newRow("another copy saved; Yes: replaced")
        << Replaced::ByAnotherCopy << QMessageBox::Yes << changed << true;
    QTest::newRow("removed; Yes: saved again")
        << Replaced::Removed << QMessageBox::Yes
        << "\n%1\nhas been removed since this copy of the program read or saved it.\n\nSave your "
           "values there again?"
        << true;
    QTest::newRow("a folder: a warning")
        << Replaced::Folder << QMessageBox::Ok << "\n\nA folder has the file's name.\n\n"
        << false;
    QTest::newRow("a link; No: nothing written")
        << Replaced::Link << QMessageBox::No << link << false;
    QTest::newRow("a link; Yes: saved where it leads")
        << Replaced::Link << QMessageBox::Yes << link << true;
    QTest::newRow("a link to nothing; No")
        << Replaced::LinkToNothing << QMessageBox::No
        << "\n%1\nis now a link to\n%2\n(which does not exist) since this copy" << false;
    QTest::newRow("a link to a folder: a warning")
        << Replaced::LinkToFolder << QMessageBox::Ok
        << "\n%1\n\nA link to the folder %2 has the file's name.\n\n"
        << false;
}

void SaveProblemsTest::saveSaysWhatTookTheFilesPlace()
{
    QFETCH(Replaced, replaced);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, says);
    QFETCH(bool, saved);
    TempProgramFolder folder;
    folder.writeSettings(canned_templates::defaults());
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    const QString path = folder.settingsPath();
    QTemporaryDir elsewhere;
    const QString target = replaced == Replaced::LinkToFolder
                               ? elsewhere.path()
                               : elsewhere.filePath(QStringLiteral("mine.xml"));
    QueryStringSet other = canned_templates::defaults();
    other[QueryKey::English] = QStringLiteral("http://other.test/%word");
    if (replaced == Replaced::ByAnotherCopy)
        folder.writeSettings(other);
    else
        QVERIFY(QFile::remove(path));
    if (replaced == Replaced::Folder)
        QVERIFY(QDir().mkdir(path));
    QFile targetFile(target);
    if (replaced == Replaced::Link)
        QVERIFY(targetFile.open(QIODevice::WriteOnly) && targetFile.write("<Home>mine</Home>") > 0);
    targetFile.close();
    if (replaced >= Replaced::Link)
        QVERIFY(QFile::link(target, path));
    const QByteArray before = folder.settingsBytes();

    const QString boxText = saveAndAnswer(
        *window,
        [](QWidget* dialog) {
            field(dialog, "txtJapanese")->setText(QStringLiteral("http://ours.test/%word"));
        },
        answer);
    says.replace(QStringLiteral("%1"), QDir::toNativeSeparators(path))
        .replace(QStringLiteral("%2"), QDir::toNativeSeparators(target));
    QVERIFY2(boxText.contains(says), qPrintable(boxText));
    if (saved)
        QVERIFY(folder.settingsBytes().contains("<Japanese>http://ours.test/%word</Japanese>"));
    else
        QCOMPARE(folder.settingsBytes(), before);
    QCOMPARE(QFileInfo(path).isSymLink(), replaced >= Replaced::Link);
    QCOMPARE(QFileInfo::exists(target),
             replaced == Replaced::Link || replaced == Replaced::LinkToFolder);
    // The new value is in use either way.
    QCOMPARE(window->options()->text(QueryKey::Japanese), QStringLiteral("http://ours.test/%word"));
}

void SaveProblemsTest::fullDiskSaveWarnsAndKeepsOldFile_data()
{
    QTest::addColumn<qint64>("leaveFree");
    QTest::addColumn<int>("padding");
    QTest::newRow("full before the first byte") << qint64(0) << 0;
    QTest::newRow("out of space half way") << qint64(8192) << 20000;
}

void SaveProblemsTest::fullDiskSaveWarnsAndKeepsOldFile()
{
    QFETCH(qint64, leaveFree);
    QFETCH(int, padding);
    if (!TmpfsMount::available())
        QSKIP("mounting a small tmpfs needs root");
    MainWindowFixture started(MainWindowFixture::Unstarted);
    const TmpfsMount disk(started.folder.path(), "size=64k");
    QVERIFY2(disk.mounted(), qPrintable(disk.error()));
    started.start();
    QCOMPARE(saveAndAnswer(*started.window, [](QWidget*) {}), QString());
    const QByteArray before = started.folder.settingsBytes();
    QVERIFY(disk.fill(started.folder.path() + QStringLiteral("/filler"), leaveFree));

    const QString english = QStringLiteral("http://e.test/?q=%word&pad=") + QString(padding, u'x');
    const QString warning = saveAndAnswer(
        *started.window, [&](QWidget* dialog) { field(dialog, "txtEnglish")->setText(english); });
    qInfo("%s: file %lld bytes before, %lld after", QTest::currentDataTag(), qint64(before.size()),
          qint64(started.folder.settingsBytes().size()));
    QVERIFY2(warning.contains(QStringLiteral("\n\nThe disk is full.\n\n")), qPrintable(warning));
    QCOMPARE(started.folder.settingsBytes(), before);
    QCOMPARE(
        QDir(started.folder.sessionPath()).entryList(QDir::Files | QDir::Hidden | QDir::System),
        QStringList{QStringLiteral("lexivo.xml")});
    QCOMPARE(started.window->options()->text(QueryKey::English), english);
}

QTEST_MAIN(SaveProblemsTest)
#include "tst_settings_save_problems.moc"
