// "Online Dictionary Query String", driven through the real modal dialogs: saving, cancelling,
// and what the next start reads.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window_fixture.h"
#include "settings_command_driver.h"

#include <QCheckBox>

class QueryStringCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void saveWritesTheFileAndNextStartReadsIt();
    void saveUnchangedStillWrites();
    void cancelAndCloseBoxRestoreEveryField_data();
    void cancelAndCloseBoxRestoreEveryField();
    void emptiedFieldStaysEmptyAfterRestart();
    void dialogIsCenteredAndModal();
    void valuesWithTagsAndAnyCharacterSurviveRestart();
    void ownSavesAskNothing();
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

void QueryStringCommandTest::dialogIsCenteredAndModal()
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

QTEST_MAIN(QueryStringCommandTest)
#include "tst_settings_command.moc"
