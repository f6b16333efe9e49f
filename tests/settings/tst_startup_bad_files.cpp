// Starting the main window with a settings file that is huge, damaged or not a file at all:
// start-up completes and every field follows the reading rules.
#include "dialogs/canned_templates.h"
#include "dialogs/frm_option.h"
#include "fake_browser.h"
#include "main_window/frm_browser.h"
#include "settings/settings_file.h"
#include "temp_program_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr qsizetype kHuge = 100 * 1024 * 1024;

QByteArray defaultsFile()
{
    return settings_file::encodeAnsi(settings_file::BuildSettingsXML(canned_templates::defaults()));
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

void StartupBadFilesTest::startsAndFollowsTheRules_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("settings, then 100 MB of text") << int(SettingsThenText);
    QTest::newRow("100 MB of text, then the settings") << int(TextThenSettings);
    QTest::newRow("a template of 1 MB") << int(LongTemplate);
    QTest::newRow("a template of 100 MB") << int(HugeTemplate);
    QTest::newRow("binary noise") << int(Noise);
    QTest::newRow("empty file") << int(Empty);
    QTest::newRow("a directory in place of the file") << int(Directory);
}

void StartupBadFilesTest::startsAndFollowsTheRules()
{
    QFETCH(int, layout);
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
            settings_file::decodeAnsi("http://c.test/?q=%word&junk=" + text);
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
    const std::unique_ptr<frmBrowser> window = folder.start(&browser);
    qInfo("%s: started in %lld ms", QTest::currentDataTag(), clock.elapsed());

    QVERIFY(window->options()->values() == expected);
    for (const QueryKey key : kQueryKeys)
        QCOMPARE(window->options()->field(key)->text().size(), expected[key].size());
    QCOMPARE(browser->navigations, QStringList{expected[QueryKey::Home]});
}

QTEST_MAIN(StartupBadFilesTest)
#include "tst_startup_bad_files.moc"
