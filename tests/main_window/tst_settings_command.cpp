// "Online Dictionary Query String", driven through the real modal dialogs.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "main_window_fixture.h"
#include "menu_action.h"
#include "modal_driver.h"
#include "permissions_enforced.h"
#include "temp_program_folder.h"
#include "tmpfs_mount.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

void click(QWidget* dialog, const char* name)
{
    auto* button = childNamed<QPushButton>(dialog, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QLineEdit* field(QWidget* dialog, const char* name)
{
    return childNamed<QLineEdit>(dialog, name);
}

// Opens the options dialog of `window`, lets `edit` change it, presses "Save", and answers the
// message box that follows, if any, with `answer`; gives that box's text (empty when none
// came). Every box is closed, also when an assertion fails.
QString saveAndAnswer(MainWindow& window, const std::function<void(QWidget*)>& edit,
                      QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    QString boxText;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        edit(dialog);
        // A save that asks nothing finishes at once: the look-out for a box goes with this call.
        modals.whenModal(
            [&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box)) {
                    boxText = message->text();
                    QAbstractButton* button = message->button(answer);
                    (button ? button : message->buttons().constFirst())->click();
                }
            },
            dialog);
        click(dialog, "cmdSave");
    });
    chooseMenuItem(window, "mnuQueryString");
    return boxText;
}

} // namespace

class QueryStringCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void saveWritesTheFileAndNextStartReadsIt();
    void saveUnchangedStillWrites();
    void cancelAndCloseBoxRestoreEveryField_data();
    void cancelAndCloseBoxRestoreEveryField();
    void failedSaveWarnsAndKeepsNewValues_data();
    void failedSaveWarnsAndKeepsNewValues();
    void emptiedFieldStaysEmptyAfterRestart();
    void dialogIsCentredAndModal();
    void readOnlyProgramFolderSaysWhy();
    void valuesWithTagsAndAnyCharacterSurviveRestart();
    void anotherCopysSaveIsNotReplacedSilently_data();
    void anotherCopysSaveIsNotReplacedSilently();
    void ownSavesAskNothing();
    void fullDiskSaveWarnsAndKeepsOldFile_data();
    void fullDiskSaveWarnsAndKeepsOldFile();
};

void QueryStringCommandTest::cleanup()
{
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void QueryStringCommandTest::saveWritesTheFileAndNextStartReadsIt()
{
    MainWindowFixture started;
    ModalDriver modals;
    modals.whenModal([](QWidget* dialog) {
        field(dialog, "txtHome")->setText(QStringLiteral("http://home.test/"));
        field(dialog, "txtEnglish")->setText(QStringLiteral("http://e.test/?q=%word&x=1"));
        click(dialog, "cmdSave");
    });
    chooseMenuItem(*started.window, "mnuQueryString");

    QueryStringSet expected = canned_templates::defaults();
    expected[QueryKey::Home] = QStringLiteral("http://home.test/");
    expected[QueryKey::English] = QStringLiteral("http://e.test/?q=%word&x=1");
    QCOMPARE(started.window->options()->values(), expected);
    QCOMPARE(started.folder.settingsBytes(),
             settings_file::encodeFileText(settings_file::buildSettingsText(expected)));

    FakeBrowser* nextBrowser = nullptr;
    auto next = started.folder.start(&nextBrowser);
    QCOMPARE(next->options()->values(), expected);
    QCOMPARE(nextBrowser->navigations, QStringList{QStringLiteral("http://home.test/")});
}

void QueryStringCommandTest::saveUnchangedStillWrites()
{
    MainWindowFixture started;
    ModalDriver modals;
    modals.whenModal([](QWidget* dialog) { click(dialog, "cmdSave"); });
    chooseMenuItem(*started.window, "mnuQueryString");
    QCOMPARE(started.window->options()->result(), int(QDialog::Accepted));
    QCOMPARE(started.folder.settingsBytes(),
             settings_file::encodeFileText(
                 settings_file::buildSettingsText(canned_templates::defaults())));
}

void QueryStringCommandTest::cancelAndCloseBoxRestoreEveryField_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void QueryStringCommandTest::cancelAndCloseBoxRestoreEveryField()
{
    QFETCH(bool, closeBox);
    MainWindowFixture started;
    const QueryStringSet before = started.window->options()->values();

    QString chosenInDialog;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            edit->setText(QStringLiteral("typed"));
        // Choose a template through "Select" too: tick the second provider and confirm.
        modals.whenModal(
            [](QWidget* suggestion) {
                childNamed<QCheckBox>(suggestion, "Check2")->setChecked(true);
                click(suggestion, "cmdOK");
            },
            dialog);
        click(dialog, "cmdChiComputer");
        chosenInDialog = field(dialog, "txtChiComputer")->text();
        if (closeBox)
            dialog->close();
        else
            click(dialog, "cmdCancel");
    });
    chooseMenuItem(*started.window, "mnuQueryString");

    QVERIFY(chosenInDialog.contains(QStringLiteral("trad=gb")));
    QCOMPARE(started.window->options()->result(), int(QDialog::Rejected));
    QCOMPARE(started.window->options()->values(), before);
    QVERIFY(!QFileInfo::exists(started.folder.settingsPath()));

    // The next lookup uses the old template.
    started.window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(QStringLiteral("x"));
    QTest::mouseClick(started.window->findChild<QPushButton*>(QStringLiteral("cmdChiComputer")),
                      Qt::LeftButton);
    QVERIFY(started.browser->navigations.last().contains(QStringLiteral("trad=b5")));
}

void QueryStringCommandTest::failedSaveWarnsAndKeepsNewValues_data()
{
    QTest::addColumn<bool>("folderAtFilePath");
    QTest::addColumn<QString>("reason");
    QTest::newRow("session folder removed")
        << false
        << "The folder does not exist: it was removed, or it could not be made because the "
           "program's folder is read-only.";
    QTest::newRow("a folder where the file goes") << true << "A folder has the file's name.";
}

void QueryStringCommandTest::failedSaveWarnsAndKeepsNewValues()
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

void QueryStringCommandTest::emptiedFieldStaysEmptyAfterRestart()
{
    MainWindowFixture started;
    ModalDriver modals;
    modals.whenModal([](QWidget* dialog) {
        field(dialog, "txtJapanese")->clear();
        click(dialog, "cmdSave");
    });
    chooseMenuItem(*started.window, "mnuQueryString");
    QVERIFY(started.folder.settingsBytes().contains("    <Japanese></Japanese>\r\n"));

    FakeBrowser* nextBrowser = nullptr;
    auto next = started.folder.start(&nextBrowser);
    QCOMPARE(next->options()->text(QueryKey::Japanese), QString());
    QCOMPARE(next->options()->text(QueryKey::English),
             canned_templates::defaults()[QueryKey::English]);
}

void QueryStringCommandTest::dialogIsCentredAndModal()
{
    MainWindowFixture started;
    QRect frame;
    QRect screen;
    bool modal = false;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        frame = dialog->frameGeometry();
        screen = dialog->screen()->geometry();
        modal = dialog->isModal();
        click(dialog, "cmdCancel");
    });
    chooseMenuItem(*started.window, "mnuQueryString");
    QVERIFY(modal);
    // Before its first showing a window's frame is not known yet; allow for its thickness.
    QVERIFY2((frame.center() - screen.center()).manhattanLength() <= 8,
             qPrintable(QStringLiteral("frame %1,%2 %3x%4 on screen %5x%6")
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(screen.width())
                            .arg(screen.height())));
    QVERIFY(started.window->options()->isHidden());
}

void QueryStringCommandTest::readOnlyProgramFolderSaysWhy()
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

void QueryStringCommandTest::valuesWithTagsAndAnyCharacterSurviveRestart()
{
    MainWindowFixture started;
    const QString home = QStringLiteral("http://x.test/?q=<english>");
    const QString chinese = QString::fromUtf8("http://c.test/\u65E5\u8A9E?q=%word");
    const QString boxText = saveAndAnswer(*started.window, [&](QWidget* dialog) {
        field(dialog, "txtHome")->setText(home);
        field(dialog, "txtChinese")->setText(chinese);
    });
    QCOMPARE(boxText, QString());

    FakeBrowser* nextBrowser = nullptr;
    auto next = started.folder.start(&nextBrowser);
    QueryStringSet expected = canned_templates::defaults();
    expected[QueryKey::Home] = home;
    expected[QueryKey::Chinese] = chinese;
    QCOMPARE(next->options()->values(), expected);
    QCOMPARE(nextBrowser->navigations, QStringList{home});
}

void QueryStringCommandTest::anotherCopysSaveIsNotReplacedSilently_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("No: the other copy's file stays") << false;
    QTest::newRow("Yes: replaced") << true;
}

void QueryStringCommandTest::anotherCopysSaveIsNotReplacedSilently()
{
    QFETCH(bool, replace);
    TempProgramFolder folder;
    folder.writeSettings(canned_templates::defaults());
    FakeBrowser* browserA = nullptr;
    FakeBrowser* browserB = nullptr;
    auto first = folder.start(&browserA);
    auto second = folder.start(&browserB);

    QCOMPARE(saveAndAnswer(
                 *second,
                 [](QWidget* dialog) {
                     field(dialog, "txtEnglish")->setText(QStringLiteral("http://b.test/%word"));
                 }),
             QString());
    const QByteArray secondsFile = folder.settingsBytes();
    QVERIFY(secondsFile.contains("<English>http://b.test/%word</English>"));

    const QString question = saveAndAnswer(
        *first,
        [](QWidget* dialog) {
            field(dialog, "txtJapanese")->setText(QStringLiteral("http://a.test/%word"));
        },
        replace ? QMessageBox::Yes : QMessageBox::No);
    QVERIFY2(question.contains(QDir::toNativeSeparators(folder.settingsPath())),
             qPrintable(question));
    QVERIFY2(question.contains(
                 QStringLiteral("has changed since this copy of the program read or saved it")),
             qPrintable(question));
    // The first copy's new value is in use either way.
    QCOMPARE(first->options()->text(QueryKey::Japanese), QStringLiteral("http://a.test/%word"));
    if (replace) {
        QVERIFY(folder.settingsBytes().contains("<Japanese>http://a.test/%word</Japanese>"));
        QVERIFY(!folder.settingsBytes().contains("http://b.test/"));
    } else {
        QCOMPARE(folder.settingsBytes(), secondsFile);
    }
}

void QueryStringCommandTest::ownSavesAskNothing()
{
    MainWindowFixture started;
    for (const char* value : {"http://1.test/%word", "http://2.test/%word"}) {
        QCOMPARE(saveAndAnswer(*started.window,
                               [&](QWidget* dialog) {
                                   field(dialog, "txtEnglish")->setText(QLatin1String(value));
                               }),
                 QString());
        QVERIFY(started.folder.settingsBytes().contains(value));
    }
    // Nor after a restart, nor after a file replaced with the same bytes.
    auto next = started.folder.start(&started.browser);
    started.folder.writeSettingsBytes(started.folder.settingsBytes());
    QCOMPARE(saveAndAnswer(*next, [](QWidget*) {}), QString());
}

void QueryStringCommandTest::fullDiskSaveWarnsAndKeepsOldFile_data()
{
    QTest::addColumn<qint64>("leaveFree");
    QTest::addColumn<int>("padding");
    QTest::newRow("full before the first byte") << qint64(0) << 0;
    QTest::newRow("out of space half way") << qint64(8192) << 20000;
}

void QueryStringCommandTest::fullDiskSaveWarnsAndKeepsOldFile()
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

QTEST_MAIN(QueryStringCommandTest)
#include "tst_settings_command.moc"
