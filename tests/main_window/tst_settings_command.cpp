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
#include <QMap>

// The text typed into the dialog's fields, by object name.
using Typed = QMap<QString, QString>;

class QueryStringCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void saveWritesTheFileAndNextStartReadsIt_data();
    void saveWritesTheFileAndNextStartReadsIt();
    void saveUnchangedStillWrites();
    void cancelAndCloseBoxRestoreEveryField_data();
    void cancelAndCloseBoxRestoreEveryField();
    void dialogIsCenteredAndModal();
    void ownSavesAskNothing();
};

void QueryStringCommandTest::cleanup()
{
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void QueryStringCommandTest::saveWritesTheFileAndNextStartReadsIt_data()
{
    QTest::addColumn<Typed>("typed");     // by field; the others keep the defaults
    QTest::addColumn<QByteArray>("line"); // in the file written, when given
    QTest::newRow("Home and English")
        << Typed{{"txtHome", "http://home.test/"}, {"txtEnglish", "http://e.test/?q=%word&x=1"}}
        << QByteArray("    <English>http://e.test/?q=%word&x=1</English>\r\n");
    QTest::newRow("Japanese emptied")
        << Typed{{"txtJapanese", ""}} << QByteArray("    <Japanese></Japanese>\r\n");
    QTest::newRow("a tag and any character")
        << Typed{{"txtHome", "http://x.test/?q=<english>"},
                 {"txtChinese", QStringLiteral("http://c.test/\u65E5\u8A9E?q=%word")}}
        << QByteArray();
}

void QueryStringCommandTest::saveWritesTheFileAndNextStartReadsIt()
{
    QFETCH(Typed, typed);
    QFETCH(QByteArray, line);
    MainWindowFixture started;
    const QString boxText = saveAndAnswer(*started.window, [&](QWidget* dialog) {
        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            field(dialog, qPrintable(it.key()))->setText(it.value());
    });
    QCOMPARE(boxText, QString()); // nothing asked

    QueryStringSet expected = canned_templates::defaults();
    for (const QueryKey key : kQueryKeys)
        expected[key] = typed.value(QStringLiteral("txt") + keyName(key), expected[key]);
    QCOMPARE(started.window->options()->values(), expected);
    QCOMPARE(started.folder.settingsBytes(),
             settings_file::encodeFileText(settings_file::buildSettingsText(expected)));
    if (!line.isEmpty())
        QVERIFY(started.folder.settingsBytes().contains(line));

    FakeBrowser* nextBrowser = nullptr;
    auto next = started.folder.start(&nextBrowser);
    QCOMPARE(next->options()->values(), expected);
    QCOMPARE(nextBrowser->navigations, QStringList{expected[QueryKey::Home]});
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
