// "Online Dictionary Query String", driven through the real modal dialogs.
#include "dialogs/canned_templates.h"
#include "dialogs/frm_option.h"
#include "fake_browser.h"
#include "main_window/frm_browser.h"
#include "modal_driver.h"
#include "settings/settings_file.h"
#include "temp_program_folder.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

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
};

void QueryStringCommandTest::cleanup()
{
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void QueryStringCommandTest::saveWritesTheFileAndNextStartReadsIt()
{
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    whenModal([](QWidget* dialog) {
        field(dialog, "txtHome")->setText(QStringLiteral("http://home.test/"));
        field(dialog, "txtEnglish")->setText(QStringLiteral("http://e.test/?q=%word&x=1"));
        click(dialog, "cmdSave");
    });
    window->mnuQueryString_Click();

    QueryStringSet expected = canned_templates::defaults();
    expected[QueryKey::Home] = QStringLiteral("http://home.test/");
    expected[QueryKey::English] = QStringLiteral("http://e.test/?q=%word&x=1");
    QCOMPARE(window->options()->values(), expected);
    QCOMPARE(folder.settingsBytes(),
             settings_file::encodeAnsi(settings_file::BuildSettingsXML(expected)));

    FakeBrowser* nextBrowser = nullptr;
    auto next = folder.start(&nextBrowser);
    QCOMPARE(next->options()->values(), expected);
    QCOMPARE(nextBrowser->navigations, QStringList{QStringLiteral("http://home.test/")});
}

void QueryStringCommandTest::saveUnchangedStillWrites()
{
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    whenModal([](QWidget* dialog) { click(dialog, "cmdSave"); });
    window->mnuQueryString_Click();
    QVERIFY(window->options()->bSaveFlag);
    QCOMPARE(folder.settingsBytes(), settings_file::encodeAnsi(settings_file::BuildSettingsXML(
                                         canned_templates::defaults())));
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
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    const QueryStringSet before = window->options()->values();

    QString chosenInDialog;
    whenModal([&](QWidget* dialog) {
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            edit->setText(QStringLiteral("typed"));
        // Choose a template through "Select" too: tick the second provider and confirm.
        whenModal(
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
    window->mnuQueryString_Click();

    QVERIFY(chosenInDialog.contains(QStringLiteral("trad=gb")));
    QVERIFY(!window->options()->bSaveFlag);
    QCOMPARE(window->options()->values(), before);
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));

    // The next lookup uses the old template.
    window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(QStringLiteral("x"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdChiComputer")),
                      Qt::LeftButton);
    QVERIFY(browser->navigations.last().contains(QStringLiteral("trad=b5")));
}

void QueryStringCommandTest::failedSaveWarnsAndKeepsNewValues_data()
{
    QTest::addColumn<bool>("folderAtFilePath");
    QTest::newRow("session folder removed") << false;
    QTest::newRow("a folder where the file goes") << true;
}

void QueryStringCommandTest::failedSaveWarnsAndKeepsNewValues()
{
    QFETCH(bool, folderAtFilePath);
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    if (folderAtFilePath)
        QVERIFY(QDir().mkdir(folder.settingsPath()));
    else
        QVERIFY(QDir(folder.sessionPath()).removeRecursively());

    QString warning;
    whenModal([&](QWidget* dialog) {
        field(dialog, "txtThesaurus")->setText(QStringLiteral("http://t.test/%word"));
        whenModal(
            [&](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                QVERIFY(message);
                warning = message->text();
                QCOMPARE(message->icon(), QMessageBox::Warning);
                message->button(QMessageBox::Ok)->click();
            },
            dialog);
        click(dialog, "cmdSave");
    });
    window->mnuQueryString_Click();

    QVERIFY2(warning.contains(QDir::toNativeSeparators(folder.settingsPath())),
             qPrintable(warning));
    QCOMPARE(window->options()->text(QueryKey::Thesaurus), QStringLiteral("http://t.test/%word"));
    QCOMPARE(QFileInfo(folder.settingsPath()).isDir(), folderAtFilePath);
    QVERIFY(!QFileInfo(folder.settingsPath()).isFile());

    // The program goes on: a lookup still works with the new template.
    window->findChild<QLineEdit*>(QStringLiteral("txtWord"))->setText(QStringLiteral("w"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdEn2Th")), Qt::LeftButton);
    QCOMPARE(browser->navigations.last(), QStringLiteral("http://t.test/w"));
}

void QueryStringCommandTest::emptiedFieldStaysEmptyAfterRestart()
{
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    whenModal([](QWidget* dialog) {
        field(dialog, "txtJapanese")->clear();
        click(dialog, "cmdSave");
    });
    window->mnuQueryString_Click();
    QVERIFY(folder.settingsBytes().contains("    <Japanese></Japanese>\r\n"));

    FakeBrowser* nextBrowser = nullptr;
    auto next = folder.start(&nextBrowser);
    QCOMPARE(next->options()->text(QueryKey::Japanese), QString());
    QCOMPARE(next->options()->text(QueryKey::English),
             canned_templates::defaults()[QueryKey::English]);
}

void QueryStringCommandTest::dialogIsCentredAndModal()
{
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    QRect frame;
    QRect screen;
    bool modal = false;
    whenModal([&](QWidget* dialog) {
        frame = dialog->frameGeometry();
        screen = dialog->screen()->geometry();
        modal = dialog->isModal();
        click(dialog, "cmdCancel");
    });
    window->mnuQueryString_Click();
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
    QVERIFY(window->options()->isHidden());
}

QTEST_MAIN(QueryStringCommandTest)
#include "tst_query_string_command.moc"
