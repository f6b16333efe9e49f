// The settings file under bad conditions: saves killed at any moment, files that are damaged,
// huge, binary or not files at all, and text the code page cannot hold.
//
// The kill test runs this same executable as the child that saves: "--save-loop" (see main()).
#include "core/query_string_set.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "settings_test_files.h"
#include "slow_case.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace settings_file;

namespace {

const char kSaveLoopArgument[] = "--save-loop";

// Two complete settings texts of about 200 KB, different in every value and in length, so a
// file that is neither byte for byte is caught whatever was cut.
QString settingsText(char which)
{
    const QString unit =
        which == 'A' ? QStringLiteral("alpha-0123456789;") : QStringLiteral("BRAVO.café.€.");
    const int repeats = which == 'A' ? 1700 : 2300;
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys) {
        values[key] = QStringLiteral("http://%1.test/%2?q=%word&p=")
                          .arg(QLatin1Char(which))
                          .arg(keyName(key)) +
                      unit.repeated(repeats);
    }
    return buildSettingsText(values);
}

// The child: saves A and B in turn (starting with `first`) until killed, one '.' on stdout per
// finished save. Bounded in count and time in case nobody kills it; `count` bounds it further.
int saveLoop(const QString& path, char first, int count)
{
    const QString texts[2] = {settingsText(first), settingsText(first == 'A' ? 'B' : 'A')};
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count && clock.elapsed() < 30000; ++i) {
        const WriteResult result = writeTextFile(path, texts[i % 2]);
        if (!result.ok) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(result.error));
            return 1;
        }
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
    return 0;
}

QStringList asList(const QueryStringSet& values)
{
    QStringList list;
    for (const QueryKey key : kQueryKeys)
        list << values[key];
    return list;
}

// The seven expected values in key order; keys not given are empty.
QStringList expect(std::initializer_list<std::pair<QueryKey, QString>> given)
{
    QueryStringSet values;
    for (const auto& [key, value] : given)
        values[key] = value;
    return asList(values);
}

QByteArray noise(qsizetype size, quint32 seed, bool withoutTagStarts = false)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    if (withoutTagStarts)
        bytes.replace('<', ' ');
    return bytes;
}

const QByteArray kDefaults =
    "<?xml version=\"1.0\"?>\r\n"
    "<LexivoDictionaryII>\r\n"
    "    <Type>Option</Type>\r\n"
    "    <Home>about:blank</Home>\r\n"
    "    <Chinese>http://c.test/?s=%word</Chinese>\r\n"
    "    <English>http://e.test/%word.html</English>\r\n"
    "    <Thesaurus>http://t.test/?q=%word</Thesaurus>\r\n"
    "    <Japanese>http://j.test/?word=%word</Japanese>\r\n"
    "    <ChiComputer>http://cc.test/?query=%word&amp;x=1&y=2</ChiComputer>\r\n"
    "    <EngComputer>http://ec.test/?query=%word&action=Search</EngComputer>\r\n"
    "</LexivoDictionaryII>";

QStringList defaultsValues()
{
    return {QStringLiteral("about:blank"),
            QStringLiteral("http://c.test/?s=%word"),
            QStringLiteral("http://e.test/%word.html"),
            QStringLiteral("http://t.test/?q=%word"),
            QStringLiteral("http://j.test/?word=%word"),
            QStringLiteral("http://cc.test/?query=%word&amp;x=1&y=2"),
            QStringLiteral("http://ec.test/?query=%word&action=Search")};
}

enum class Situation { Bytes, Directory, Unreadable };

// Where the bulk of a 100 MB file is.
enum HugeLayout { ValuesFirst, ValuesLast, HugeValue, UnclosedTags };

} // namespace

Q_DECLARE_METATYPE(Situation)

class SettingsRobustnessTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saveKilledAtAnyMomentLeavesOldOrNewFile();
    void badFiles_data();
    void badFiles();
    void hundredMegabyteFile_data();
    void hundredMegabyteFile();
};

void SettingsRobustnessTest::saveKilledAtAnyMomentLeavesOldOrNewFile()
{
    LEXIVO_SLOW_CASE();
    constexpr int kKills = 240;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName());
    const QByteArray bytes[2] = {encodeFileText(settingsText('A')),
                                 encodeFileText(settingsText('B'))};
    QVERIFY(bytes[0].size() > 150000 && bytes[1].size() > 150000 &&
            bytes[0].size() != bytes[1].size());

    // The old file, then the time one save takes here, to spread the kills over a few saves.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 6; ++i)
        QVERIFY(writeTextFile(path, settingsText(i % 2 ? 'A' : 'B')).ok);
    const qint64 saveMicros = qBound(qint64(100), clock.nsecsElapsed() / 6000, qint64(20000));
    QCOMPARE(readBytes(path), bytes[0]);

    const quint32 seed = QRandomGenerator::system()->generate();
    QRandomGenerator random(seed);
    int outcomes[2] = {0, 0};
    int unchanged = 0, beforeLoop = 0, duringFirstSave = 0, afterSomeSaves = 0;
    int strayFiles = 0;
    QStringList strayNames;
    QStringList strayReport; // names and sizes
    clock.restart();
    for (int kill = 0; kill < kKills; ++kill) {
        const QByteArray before = readBytes(path);
        const char first = before == bytes[0] ? 'B' : 'A';
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments(
            {QString::fromLatin1(kSaveLoopArgument), path, QString(QLatin1Char(first))});
        child.start();
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
        // Every eighth kill lands at any moment of the child's start-up; the others while it saves.
        QByteArray output;
        if (kill % 8 != 0) {
            while (!output.contains("ready\n")) {
                QVERIFY2(child.waitForReadyRead(10000), "the saving child did not start");
                output += child.readAllStandardOutput();
            }
        }
        QThread::usleep(random.bounded(quint32(4 * saveMicros)));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        output += child.readAllStandardOutput();
        QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() == 0,
                 child.readAllStandardError().constData());

        const QByteArray after = readBytes(path);
        const bool isA = after == bytes[0];
        const bool isB = after == bytes[1];
        QVERIFY2(
            isA || isB,
            qPrintable(QStringLiteral("kill %1: the file has %2 bytes, neither A (%3) nor B (%4)")
                           .arg(kill)
                           .arg(after.size())
                           .arg(bytes[0].size())
                           .arg(bytes[1].size())));
        ++outcomes[isA ? 0 : 1];
        unchanged += after == before;
        const qsizetype saves = output.count('.');
        if (!output.contains("ready\n")) {
            // Killed before its first save began: nothing may have changed.
            QCOMPARE(after, before);
            ++beforeLoop;
        } else if (saves == 0) {
            ++duringFirstSave;
        } else {
            ++afterSomeSaves;
        }

        // A killed save may leave its temporary file behind, at most one per kill, always
        // beside the settings file and named after it.
        QStringList others = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        others.removeOne(fileName());
        for (const QString& name : others) {
            if (!strayNames.contains(name)) {
                const QByteArray stray = readBytes(dir.filePath(name));
                strayNames << name;
                strayReport << QStringLiteral("%1 (%2 bytes)").arg(name).arg(stray.size());
                QVERIFY2(name.startsWith(fileName() + QLatin1Char('.')), qPrintable(name));
                QVERIFY2(bytes[0].startsWith(stray) || bytes[1].startsWith(stray),
                         qPrintable(name));
            }
        }
        strayFiles = int(strayNames.size());
        QVERIFY2(strayFiles <= kill + 1, qPrintable(strayReport.join(u' ')));
    }
    const qint64 killMillis = clock.elapsed();

    // A save that is left to finish leaves no temporary file.
    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(),
        {QString::fromLatin1(kSaveLoopArgument), path, QStringLiteral("B"), QStringLiteral("3")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(readBytes(path), bytes[1]);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), strayFiles + 1);

    qInfo(
        "%d kills in %lld ms (seed %u, one save ~%lld us, A %lld bytes, B %lld bytes): file A %d, "
        "B %d, unchanged %d; killed before saving %d, during the first save %d, after 1+ saves %d; "
        "stray files %d%s%s",
        kKills, killMillis, seed, saveMicros, (long long)bytes[0].size(),
        (long long)bytes[1].size(), outcomes[0], outcomes[1], unchanged, beforeLoop,
        duringFirstSave, afterSomeSaves, strayFiles, strayFiles ? ": " : "",
        qPrintable(strayReport.join(QStringLiteral(", "))));
}

void SettingsRobustnessTest::badFiles_data()
{
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    // Home, Chinese, English, Thesaurus, Japanese, ChiComputer, EngComputer.
    QTest::addColumn<QStringList>("values");

    const auto row = [](const char* name, const QByteArray& bytes, const QStringList& values) {
        QTest::newRow(name) << Situation::Bytes << bytes << true << values;
    };
    const QStringList none = expect({});

    QTest::newRow("empty file") << Situation::Bytes << QByteArray() << false << none;
    QTest::newRow("a directory") << Situation::Directory << QByteArray() << false << none;
    QTest::newRow("no read permission") << Situation::Unreadable << kDefaults << false << none;

    row("well-formed", kDefaults, defaultsValues());
    row("binary noise", noise(64 * 1024, 1), none);
    row("noise around the elements",
        noise(4096, 2, true) + "<Home>h</Home>" + noise(4096, 3, true) + "<English>e</English>" +
            noise(4096, 4, true),
        expect({{QueryKey::Home, "h"}, {QueryKey::English, "e"}}));
    row("a single NUL byte", QByteArray(1, '\0'), none);
    row("NUL bytes inside values", QByteArray("<Home>a\0b\0</Home><Chinese>\0</Chinese>", 37),
        expect({{QueryKey::Home, QString::fromLatin1("a\0b\0", 4)},
                {QueryKey::Chinese, QString(QChar(0))}}));
    row("NUL byte inside a tag", QByteArray("<Ho\0me>x</Home><English>e</Eng\0lish>", 36), none);
#ifndef Q_OS_WIN
    // The five bytes Windows-1252 leaves undefined read as the C1 controls, as Windows does.
    row("bytes undefined in Windows-1252", "<Chinese>\x81\x8D\x8F\x90\x9D</Chinese>",
        expect({{QueryKey::Chinese, QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")}}));
    row("other high bytes", "<English>\x80\x9F\xA0\xFF</English>",
        expect({{QueryKey::English, QString::fromUtf16(u"\u20AC\u0178\u00A0\u00FF")}}));
    row("a byte-order mark later on is read as Windows-1252",
        "<Home>\xEF\xBB\xBF"
        "caf\xC3\xA9</Home>",
        expect({{QueryKey::Home, QString::fromUtf16(u"\u00EF\u00BB\u00BF"
                                                    "caf\u00C3\u00A9")}}));
#endif
    row("UTF-16 file: no tag is found",
        QByteArray("\xFF\xFE", 2) +
            QByteArray(reinterpret_cast<const char*>(u"<Home>x</Home>"), 28),
        none);
    row("truncated inside the last value", kDefaults.left(kDefaults.indexOf("&action")), [] {
        QStringList v = defaultsValues();
        v.last().clear();
        return v;
    }());
    row("truncated inside a closing tag", kDefaults.left(kDefaults.indexOf("</Thesaurus>") + 5),
        [] {
            QStringList v = defaultsValues();
            for (int i = 3; i < 7; ++i)
                v[i].clear();
            return v;
        }());
    row("100000 opening tags, no close", QByteArray("<Home>").repeated(100000), none);
    row("100000 opening tags, then a close", QByteArray("<Home>").repeated(100000) + "x</Home>",
        expect(
            {{QueryKey::Home, QString::fromLatin1(QByteArray("<Home>").repeated(99999) + "x")}}));
}

void SettingsRobustnessTest::badFiles()
{
    QFETCH(Situation, situation);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QStringList, values);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    if (situation == Situation::Directory) {
        QVERIFY(QDir(dir.path()).mkdir(fileName()));
    } else {
        QVERIFY(writeBytes(path, bytes));
    }
    if (situation == Situation::Unreadable) {
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("running with privileges that ignore file permissions");
    }

    QString text = QStringLiteral("untouched");
    QCOMPARE(readTextFile(path, text), readable);
    if (!readable) {
        QCOMPARE(text, QStringLiteral("untouched"));
        return;
    }
    QCOMPARE(text.size(), bytes.size()); // one character per byte
    QCOMPARE(asList(parseSettingsText(text)), values);
}

void SettingsRobustnessTest::hundredMegabyteFile_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("values, then 100 MB of text") << int(ValuesFirst);
    QTest::newRow("100 MB of text, then the values") << int(ValuesLast);
    QTest::newRow("one value of 100 MB") << int(HugeValue);
    QTest::newRow("100 MB of opening tags never closed") << int(UnclosedTags);
}

void SettingsRobustnessTest::hundredMegabyteFile()
{
    LEXIVO_SLOW_CASE();
    QFETCH(int, layout);
    constexpr qsizetype kSize = 100 * 1024 * 1024;
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    const QByteArray line =
        "The quick brown fox jumps over the lazy dog; caf\xE9 \x80 5 & 6 > 4.\r\n";
    const qsizetype lines = kSize / line.size() + 1;
    {
        const QByteArray filler = line.repeated(lines);
        QByteArray bytes;
        switch (layout) {
        case ValuesFirst:
            bytes = kDefaults + "\r\n" + filler;
            break;
        case ValuesLast:
            bytes = filler + kDefaults;
            break;
        case HugeValue:
            bytes = "<Home>" + filler + "</Home>" + kDefaults.mid(kDefaults.indexOf("</Home>") + 7);
            break;
        case UnclosedTags: {
            const QByteArray tags =
                "<Home><Chinese><English><Thesaurus><Japanese><ChiComputer><EngComputer>\r\n";
            bytes = tags.repeated(kSize / tags.size() + 1);
            break;
        }
        }
        QVERIFY(bytes.size() >= kSize);
        QVERIFY(writeBytes(path, bytes));
    }

    QElapsedTimer clock;
    clock.start();
    QString text;
    QVERIFY(readTextFile(path, text));
    const qint64 readMillis = clock.restart();
    const QueryStringSet values = parseSettingsText(text);
    const qint64 parseMillis = clock.elapsed();
    qInfo("%s: %lld MB read in %lld ms, parsed in %lld ms", QTest::currentDataTag(),
          (long long)(QFileInfo(path).size() >> 20), readMillis, parseMillis);

    QStringList expected = defaultsValues();
    if (layout == HugeValue) {
        const QString& home = values[QueryKey::Home];
        QVERIFY(home.size() >= kSize);
        QVERIFY(home.startsWith(QStringLiteral("The quick brown fox")));
        QVERIFY(home.endsWith(QStringLiteral("4.\r\n")));
        QCOMPARE(home.count(QChar(0x20AC)), lines);
        expected[0] = home;
    }
    if (layout == UnclosedTags)
        expected = expect({});
    QCOMPARE(asList(values), expected);
}

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], kSaveLoopArgument) == 0)
        return saveLoop(QString::fromLocal8Bit(argv[2]), argv[3][0],
                        argc >= 5 ? std::atoi(argv[4]) : 20000);

    QCoreApplication app(argc, argv);
    SettingsRobustnessTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_robustness.moc"
