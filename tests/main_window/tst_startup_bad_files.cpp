// Starting the main window with a settings file that is huge, damaged or not a file at all:
// start-up completes and every field follows the reading rules.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "dialogs/options_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "modal_driver.h"
#include "permissions_enforced.h"
#include "slow_case.h"
#include "temp_program_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr qsizetype kHuge = 100 * 1024 * 1024;

QByteArray defaultsFile()
{
    return settings_file::encodeFileText(
        settings_file::buildSettingsText(canned_templates::defaults()));
}

QByteArray filler(qsizetype size)
{
    const QByteArray line =
        "Lorem ipsum dolor sit amet & consectetur > adipiscing \xE9lit \x80 42.\r\n";
    return line.repeated(size / line.size() + 1);
}

} // namespace

class StartupBadFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsAndFollowsTheRules_data();
    void startsAndFollowsTheRules();
    void unreadableFileWarnsOnceTheWindowIsUp();
    void emptyFileStartsWithoutWarning();
};

// Layouts, built in the test itself so only one huge file exists at a time.
enum Layout {
    SettingsThenText,
    TextThenSettings,
    LongTemplate,
    HugeTemplate,
    Noise,
    Empty,
    Directory
};
Q_DECLARE_METATYPE(Layout)

void StartupBadFilesTest::startsAndFollowsTheRules_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("settings, then 100 MB of text") << SettingsThenText;
    QTest::newRow("100 MB of text, then the settings") << TextThenSettings;
    QTest::newRow("a template of 1 MB") << LongTemplate;
    QTest::newRow("a template of 100 MB") << HugeTemplate;
    QTest::newRow("binary noise") << Noise;
    QTest::newRow("empty file") << Empty;
    QTest::newRow("a directory in place of the file") << Directory;
}

void StartupBadFilesTest::startsAndFollowsTheRules()
{
    QFETCH(Layout, layout);
    if (layout == SettingsThenText || layout == TextThenSettings || layout == HugeTemplate)
        LEXIVO_SLOW_CASE();
    TempProgramFolder folder;
    QueryStringSet expected = canned_templates::defaults();
    switch (layout) {
    case SettingsThenText:
        folder.writeSettingsBytes(defaultsFile() + "\r\n" + filler(kHuge));
        break;
    case TextThenSettings:
        folder.writeSettingsBytes(filler(kHuge) + defaultsFile());
        break;
    case LongTemplate:
    case HugeTemplate: {
        const QByteArray text = filler(layout == LongTemplate ? 1024 * 1024 : 100 * 1024 * 1024);
        expected[QueryKey::Chinese] =
            settings_file::decodeFileText("http://c.test/?q=%word&junk=" + text);
        folder.writeSettings(expected);
        break;
    }
    case Noise: {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        folder.writeSettingsBytes(bytes);
        expected = QueryStringSet();
        break;
    }
    case Empty:
        folder.writeSettingsBytes({});
        expected = QueryStringSet(); // a file that cannot be read gives empty fields
        break;
    case Directory:
        QVERIFY(QDir().mkpath(folder.settingsPath()));
        break; // not a file: the built-in defaults
    }

    QElapsedTimer clock;
    clock.start();
    FakeBrowser* browser = nullptr;
    const std::unique_ptr<MainWindow> window = folder.start(&browser);
    qInfo("%s: started in %lld ms", QTest::currentDataTag(), clock.elapsed());

    QVERIFY(window->options()->values() == expected);
    for (const QueryKey key : kQueryKeys)
        QCOMPARE(window->options()->field(key)->text().size(), expected[key].size());
    QCOMPARE(browser->navigations, QStringList{expected[QueryKey::Home]});
}

void StartupBadFilesTest::unreadableFileWarnsOnceTheWindowIsUp()
{
    TempProgramFolder folder;
    folder.writeSettings(canned_templates::defaults());
    QVERIFY(QFile::setPermissions(folder.settingsPath(), QFile::WriteOwner));
    FakeBrowser* browser = nullptr;
    std::unique_ptr<MainWindow> window;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override file permissions");
        window = folder.start(&browser); // does not wait for the warning
    }
    // The designed start: every field empty, the empty home page asked for.
    QCOMPARE(window->options()->values(), QueryStringSet());
    QCOMPARE(browser->navigations, QStringList{QString()});

    QString warning;
    bool windowVisible = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalDriver modals;
    modals.whenModal([&](QWidget* box) {
        if (auto* message = qobject_cast<QMessageBox*>(box)) {
            warning = message->text();
            windowVisible = window->isVisible();
            icon = message->icon();
            message->button(QMessageBox::Ok)->click();
        }
    });
    window->show();
    QTRY_VERIFY(!warning.isEmpty());
    QVERIFY(windowVisible);
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(warning, QStringLiteral("The settings could not be read from\n%1\n\n"
                                     "There is no permission to read the file.\n\n"
                                     "All seven settings start empty. Saving them will replace "
                                     "that file.")
                          .arg(QDir::toNativeSeparators(folder.settingsPath())));
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void StartupBadFilesTest::emptyFileStartsWithoutWarning()
{
    TempProgramFolder folder;
    folder.writeSettingsBytes({});
    FakeBrowser* browser = nullptr;
    const std::unique_ptr<MainWindow> window = folder.start(&browser);
    window->show();
    QTest::qWait(200);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(window->options()->values(), QueryStringSet());
}

QTEST_MAIN(StartupBadFilesTest)
#include "tst_startup_bad_files.moc"
