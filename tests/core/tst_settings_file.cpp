// The settings file: exact bytes, the tag reader, the ANSI code page and safe saving.
#include "core/canned_templates.h"
#include "core/settings_file.h"

#include "permissions_enforced.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace settings_file;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

#ifdef Q_OS_UNIX
ino_t inodeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
#endif

// A save file on a disk that fails on cue, as the system reports it: the writes take `room`
// more bytes (a short write), then fail with `errorNumber`; or go to another device (such as
// /dev/full); or the sync refuses the bytes.
class FailingSaveFile : public SaveFile
{
public:
    using SaveFile::SaveFile;

    qint64 room = -1; // -1: no limit
    int errorNumber = ENOSPC;
    QFile* device = nullptr;
    int syncError = 0;
    std::function<void()> beforeFirstWrite;

    bool syncToDisk() override
    {
        if (syncError == 0)
            return SaveFile::syncToDisk();
        errno = syncError;
        return false;
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        if (beforeFirstWrite)
            std::exchange(beforeFirstWrite, nullptr)();
        if (device)
            return device->write(data, len);
        if (room == 0) {
            errno = errorNumber;
            return -1;
        }
        const qint64 written = SaveFile::writeData(data, room < 0 ? len : qMin(len, room));
        if (room > 0 && written > 0)
            room -= written;
        return written;
    }
};

QByteArray oldSettings()
{
    return encodeAnsi(buildSettingsText(canned_templates::defaults()));
}

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buildsDefaultsByteForByte();
    void readsEachValueByItsTags_data();
    void readsEachValueByItsTags();
    void tagValue_data();
    void tagValue();
    void roundTripsThroughTheFile_data();
    void roundTripsThroughTheFile();
    void encodesTheAnsiCodePage_data();
    void encodesTheAnsiCodePage();
    void readFailsWithoutTouchingText_data();
    void readFailsWithoutTouchingText();
    void writeFailureKeepsOldFileAndSaysWhy_data();
    void writeFailureKeepsOldFileAndSaysWhy();
    void writeReplacesWholeFile();

    void escapesOnlyValuesHoldingTags_data();
    void escapesOnlyValuesHoldingTags();
    void everyValueRoundTrips_data();
    void everyValueRoundTrips();
    void filesOfTheOldWriterReadAsBefore_data();
    void filesOfTheOldWriterReadAsBefore();
    void fileEncoding_data();
    void fileEncoding();
    void decodesTheFileEncoding_data();
    void decodesTheFileEncoding();
    void problemWords_data();
    void problemWords();
    void failedWriteKeepsOldFileAndSaysWhy_data();
    void failedWriteKeepsOldFileAndSaysWhy();
    void commitRefusedKeepsOldFile();
    void savesStayAtomicWhereTheFolderIsWritable();
    void writesInPlaceWhenOnlyTheFileIsWritable();
    void failedInPlaceWritePutsOldBytesBack();
    void readFailureSaysWhy_data();
    void readFailureSaysWhy();
    void fingerprintNoticesAnotherSave();
    void staleTemporaryFiles_data();
    void staleTemporaryFiles();
    void removesOnlyStaleTemporaryFiles();
};

void SettingsFileTest::buildsDefaultsByteForByte()
{
    const QByteArray expected =
        "<?xml version=\"1.0\"?>\r\n"
        "<LexivoDictionaryII>\r\n"
        "    <Type>Option</Type>\r\n"
        "    <Home>about:blank</Home>\r\n"
        "    <Chinese>http://hk.dictionary.yahoo.com/dict?s=%word</Chinese>\r\n"
        "    <English>http://encarta.msn.com/dictionary_/%word.html</English>\r\n"
        "    <Thesaurus>http://thesaurus.com/search?q=%word</Thesaurus>\r\n"
        "    <Japanese>http://www.freedict.com/english/japanese/?word=%word</Japanese>\r\n"
        "    <ChiComputer>http://www.hkcs.org.hk/search.cgi?query=%word&trad=b5&text=Text&st=1"
        "&dbname=hk&db=none&.submit=Search</ChiComputer>\r\n"
        "    <EngComputer>http://foldoc.org/foldoc/foldoc.cgi?query=%word&action=Search"
        "</EngComputer>\r\n"
        "</LexivoDictionaryII>";
    QCOMPARE(encodeAnsi(buildSettingsText(canned_templates::defaults())), expected);
}

// The tag reader, applied to the seven keys of one text: each value is found by its own tags
// alone, whatever else the text holds.
void SettingsFileTest::readsEachValueByItsTags_data()
{
    QTest::addColumn<QString>("text");
    // Home, Chinese, English, Thesaurus, Japanese, ChiComputer, EngComputer.
    QTest::addColumn<QStringList>("values");
    QTest::newRow("nested same tag")
        << "<Home><Home>x</Home></Home>" << QStringList{"<Home>x", "", "", "", "", "", ""};
    QTest::newRow("another element nested")
        << "<Chinese>a<English>b</English>c</Chinese>"
        << QStringList{"", "a<English>b</English>c", "b", "", "", "", ""};
    QTest::newRow("duplicated element: the first wins")
        << "<Home>1</Home>\r\n<Home>2</Home>" << QStringList{"1", "", "", "", "", "", ""};
    QTest::newRow("duplicated opening tag")
        << "<Home>1<Home>2</Home>" << QStringList{"1<Home>2", "", "", "", "", "", ""};
    QTest::newRow("closing tag only") << "</Home>" << QStringList(7, QString());
    QTest::newRow("closing tag before the opening one")
        << "</Home>x<Home>y" << QStringList(7, QString());
    QTest::newRow("closing tags before and after")
        << "</Home>x<Home>y</Home>" << QStringList{"y", "", "", "", "", "", ""};
    QTest::newRow("tags in odd case")
        << "<hOmE>h</HoMe><CHINESE>c</chinese><thesaurus>t</THESAURUS><Engcomputer>e</ENGcomputer>"
        << QStringList{"h", "c", "", "t", "", "", "e"};
    QTest::newRow("closing tag of another key")
        << "<Home>x</Chinese><Chinese>c" << QStringList(7, QString());
    QTest::newRow("tag with a space or an attribute")
        << "<Home >x</Home><English lang=\"en\">e</English>" << QStringList(7, QString());
    QTest::newRow("line ends inside values kept")
        << "<Home>a\r\nb\n\rc\r</Home>" << QStringList{"a\r\nb\n\rc\r", "", "", "", "", "", ""};
    QTest::newRow("markup verbatim") << "<English>&lt;&amp;<b>\"'</English>"
                                     << QStringList{"", "", "&lt;&amp;<b>\"'", "", "", "", ""};
}

void SettingsFileTest::readsEachValueByItsTags()
{
    QFETCH(QString, text);
    QFETCH(QStringList, values);
    const QueryStringSet read = parseSettingsText(text);
    QStringList actual;
    for (const QueryKey key : kQueryKeys)
        actual << read[key];
    QCOMPARE(actual, values);
}

void SettingsFileTest::tagValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "<Home>about:blank</Home>"
                           << "Home"
                           << "about:blank";
    QTest::newRow("closing tag right after opening") << "<Home></Home>"
                                                     << "Home"
                                                     << "";
    QTest::newRow("case ignored") << "<home>x</HOME>"
                                  << "Home"
                                  << "x";
    QTest::newRow("no closing tag") << "<Japanese>x<English>e</English>"
                                    << "Japanese"
                                    << "";
    QTest::newRow("others unaffected by a missing close") << "<Japanese>x<English>e</English>"
                                                          << "English"
                                                          << "e";
    QTest::newRow("first of two elements") << "<English>a</English><English>b</English>"
                                           << "English"
                                           << "a";
    QTest::newRow("closing tag only before opening") << "</Chinese><Chinese>x"
                                                     << "Chinese"
                                                     << "";
    QTest::newRow("closing before and after") << "</Chinese><Chinese>x</Chinese>"
                                              << "Chinese"
                                              << "x";
    QTest::newRow("spaces kept") << "<Home> x </Home>"
                                 << "Home"
                                 << " x ";
    QTest::newRow("ampersands kept") << "<C>a&amp;b&c</C>"
                                     << "C"
                                     << "a&amp;b&c";
    QTest::newRow("attribute: not found") << "<Home a=\"1\">x</Home>"
                                          << "Home"
                                          << "";
    QTest::newRow("space in tag: not found") << "<Home >x</Home>"
                                             << "Home"
                                             << "";
    QTest::newRow("missing") << "<English>e</English>"
                             << "Home"
                             << "";
    QTest::newRow("empty text") << ""
                                << "Home"
                                << "";
    QTest::newRow("nested same tag") << "<Home><Home>x</Home></Home>"
                                     << "Home"
                                     << "<Home>x";
    QTest::newRow("line breaks kept") << "<Home>a\r\nb</Home>"
                                      << "Home"
                                      << "a\r\nb";
    QTest::newRow("NUL characters kept")
        << QString::fromLatin1("<Home>a\0b</Home>", 16) << "Home" << QString::fromLatin1("a\0b", 3);
}

void SettingsFileTest::tagValue()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QTEST(settings_file::tagValue(text, tag), "value");
}

void SettingsFileTest::roundTripsThroughTheFile_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces around") << "  x  ";
    QTest::newRow("ampersands and quotes") << "a&b<c>\"d'";
    QTest::newRow("Western letters") << "café naïve €";
}

void SettingsFileTest::roundTripsThroughTheFile()
{
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lexivo.xml"));
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Thesaurus] = value;
    QVERIFY(writeTextFile(path, buildSettingsText(values)).ok);
    QString text;
    QVERIFY(readTextFile(path, text));
    QCOMPARE(parseSettingsText(text), values);
}

void SettingsFileTest::encodesTheAnsiCodePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << "abc" << QByteArray("abc");
    QTest::newRow("euro and quotes") << "€“”" << QByteArray("\x80\x93\x94");
    QTest::newRow("Latin-1 letters") << "é" << QByteArray("\xe9");
    QTest::newRow("CJK becomes ?") << "a日本b" << QByteArray("a??b");
    QTest::newRow("astral char is one ?")
        << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y");
}

void SettingsFileTest::encodesTheAnsiCodePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
#ifndef Q_OS_WIN
    QCOMPARE(encodeAnsi(text), bytes);
    const bool representable = !bytes.contains('?');
    if (representable)
        QCOMPARE(decodeAnsi(bytes), text);
#endif
}

void SettingsFileTest::readFailsWithoutTouchingText_data()
{
    QTest::addColumn<int>("situation");
    QTest::newRow("missing file") << 0;
    QTest::newRow("empty file") << 1;
    QTest::newRow("a folder") << 2;
}

void SettingsFileTest::readFailsWithoutTouchingText()
{
    QFETCH(int, situation);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lexivo.xml"));
    if (situation == 1)
        writeBytes(path, {});
    if (situation == 2)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("lexivo.xml")));
    QString text = QStringLiteral("untouched");
    QVERIFY(!readTextFile(path, text));
    QCOMPARE(text, QStringLiteral("untouched"));
}

void SettingsFileTest::writeFailureKeepsOldFileAndSaysWhy_data()
{
    QTest::addColumn<int>("situation");
    QTest::addColumn<QString>("words");
    QTest::newRow("folder removed") << 0
                                    << "The folder does not exist: it was removed, or it could not "
                                       "be made because the program's folder is read-only.";
    QTest::newRow("folder read-only, no file yet") << 1 << "The folder is not writable.";
    QTest::newRow("a folder at the file's path") << 2 << "A folder has the file's name.";
    QTest::newRow("file write-protected") << 3 << "The file is write-protected.";
}

void SettingsFileTest::writeFailureKeepsOldFileAndSaysWhy()
{
    QFETCH(int, situation);
    QTemporaryDir dir;
    const QString session = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(session));
    const QString path = session + QStringLiteral("/lexivo.xml");
    const QByteArray old = "old settings";
    switch (situation) {
    case 0:
        QVERIFY(QDir(session).removeRecursively());
        break;
    case 1:
        QVERIFY(QFile::setPermissions(session, QFile::ReadOwner | QFile::ExeOwner));
        break;
    case 2:
        QVERIFY(QDir().mkdir(path));
        break;
    case 3:
        // Qt asks access(), which lets root write any file whatever the capabilities say.
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP("root may write a write-protected file");
#endif
        writeBytes(path, old);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        break;
    }

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if ((situation == 1 || situation == 3) && !enforced.enforced())
            QSKIP("running with privileges that ignore permissions");
        result = writeTextFile(path, QStringLiteral("new settings"));
    }
    QFile::setPermissions(session, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!result.ok);
    QTEST(result.error, "words");
    if (situation == 1)
        QCOMPARE(filesIn(session), QStringList());
    if (situation == 2)
        QVERIFY(QFileInfo(path).isDir());
    if (situation == 3)
        QCOMPARE(readBytes(path), old);
}

void SettingsFileTest::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lexivo.xml"));
    writeBytes(path, QByteArray(4096, 'x'));
    QVERIFY(writeTextFile(path, QStringLiteral("short")).ok);
    QCOMPARE(readBytes(path), QByteArray("short"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("lexivo.xml")});
}

void SettingsFileTest::escapesOnlyValuesHoldingTags_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QByteArray>("typeLine");
    QTest::addColumn<QByteArray>("homeLine");

    QTest::newRow("no tag: verbatim, as always")
        << "a<b>&lt;c</Hom>" << QByteArray("    <Type>Option</Type>\r\n")
        << QByteArray("    <Home>a<b>&lt;c</Hom></Home>\r\n");
    QTest::newRow("Type tag is not read: verbatim")
        << "<Type>x</Type>" << QByteArray("    <Type>Option</Type>\r\n")
        << QByteArray("    <Home><Type>x</Type></Home>\r\n");
    QTest::newRow("another key's tag")
        << "http://x/?q=<english>" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>http://x/?q=&lt;english></Home>\r\n");
    QTest::newRow("own closing tag")
        << "a</HOME>b" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>a&lt;/HOME>b</Home>\r\n");
    QTest::newRow("escape-like text beside a tag")
        << "<English>&lt;&amp;lt;&amp;&lt" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home>&lt;English>&amp;lt;&amp;amp;lt;&amp;&lt</Home>\r\n");
    QTest::newRow("only the '<' that starts a tag")
        << "<<Home>>" << QByteArray("    <Type>Option+escaped</Type>\r\n")
        << QByteArray("    <Home><&lt;Home>></Home>\r\n");
}

void SettingsFileTest::escapesOnlyValuesHoldingTags()
{
    QFETCH(QString, home);
    QFETCH(QByteArray, typeLine);
    QFETCH(QByteArray, homeLine);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Home] = home;
    const QByteArray bytes = encodeFileText(buildSettingsText(values));
    QVERIFY2(bytes.contains(typeLine), bytes.constData());
    QVERIFY2(bytes.contains(homeLine), bytes.constData());
    // The other values are as always.
    QVERIFY(
        bytes.endsWith("    <EngComputer>http://foldoc.org/foldoc/foldoc.cgi?query=%word&action="
                       "Search</EngComputer>\r\n</LexivoDictionaryII>"));
    QCOMPARE(parseSettingsText(decodeFileText(bytes)), values);
}

void SettingsFileTest::everyValueRoundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("another key's opening tag") << "http://x/?q=<english>";
    QTest::newRow("every tag, odd case")
        << "<home></HOME><Chinese></chinese><ENGLISH></English>"
           "<thesaurus></Thesaurus><Japanese></JAPANESE>"
           "<ChiComputer></chicomputer><engcomputer></EngComputer>";
    QTest::newRow("escapes and tags") << "&lt;<Home>&amp;lt;&amp;amp;lt;&&lt;&amp;&";
    QTest::newRow("tag at the very end") << "x</Japanese>";
    QTest::newRow("tag at the very start") << "<Japanese>x";
    QTest::newRow("marker text itself") << "<Type>Option+escaped</Type><Home>";
    QTest::newRow("half tags") << "<Home</Home<Home>";
    QTest::newRow("long s and Kelvin sign") << QString::fromUtf8("<Chine\u017Fe><\u212AEY>&lt;");
    QTest::newRow("Japanese and a tag") << QString::fromUtf8("http://j.test/\u65E5\u8A9E/<home>");
}

void SettingsFileTest::everyValueRoundTrips()
{
    QFETCH(QString, value);
    for (const QueryKey key : kQueryKeys) {
        QueryStringSet values = canned_templates::defaults();
        values[key] = value;
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName());
        QVERIFY(writeTextFile(path, buildSettingsText(values)).ok);
        QString text;
        QVERIFY(readTextFile(path, text));
        QCOMPARE(parseSettingsText(text), values);
    }
}

void SettingsFileTest::filesOfTheOldWriterReadAsBefore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("english");

    const QByteArray head = "<?xml version=\"1.0\"?>\r\n<LexivoDictionaryII>\r\n";
    QTest::newRow("a tag inside a value reads as it always did")
        << head + "    <Type>Option</Type>\r\n    <Home>q=<english></Home>\r\n"
                  "    <English>e</English>\r\n</LexivoDictionaryII>"
        << "q=<english>"
        << "</Home>\r\n    <English>e";
    QTest::newRow("escape-like text stays")
        << head + "    <Type>Option</Type>\r\n    <Home>&lt;b&amp;lt;</Home>\r\n"
        << "&lt;b&amp;lt;"
        << "";
    QTest::newRow("a marker that is not the first Type element")
        << head + "    <Type>Option</Type>\r\n    <Home>&lt;x</Home><Type>Option+escaped</Type>"
        << "&lt;x"
        << "";
    QTest::newRow("a marker in other letters is not the marker")
        << QByteArray("<Type>option+ESCAPED</Type><Home>&lt;x</Home>") << "&lt;x"
        << "";
    QTest::newRow("the marker: escapes undone")
        << QByteArray("<type>Option+escaped</TYPE><Home>&lt;x&amp;lt;&amp;</Home>"
                      "<English>&lt;/home></English>")
        << "<x&lt;&amp;"
        << "</home>";
}

void SettingsFileTest::filesOfTheOldWriterReadAsBefore()
{
    QFETCH(QByteArray, bytes);
    const QueryStringSet values = parseSettingsText(decodeFileText(bytes));
    QTEST(values[QueryKey::Home], "home");
    QTEST(values[QueryKey::English], "english");
}

void SettingsFileTest::fileEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("fits the code page: as always")
        << "caf\u00E9 \u20AC\u201C" << QByteArray("caf\xE9 \x80\x93");
    QTest::newRow("Japanese: UTF-8 after a BOM")
        << QString::fromUtf8("q=\u65E5\u8A9E")
        << QByteArray("\xEF\xBB\xBFq=\xE6\x97\xA5\xE8\xAA\x9E");
    QTest::newRow("an emoji: UTF-8 after a BOM")
        << QString::fromUtf8("x\xF0\x9F\x98\x80") << QByteArray("\xEF\xBB\xBFx\xF0\x9F\x98\x80");
    QTest::newRow("Western and Japanese together: all UTF-8")
        << QString::fromUtf8("\u00E9\u65E5") << QByteArray("\xEF\xBB\xBF\xC3\xA9\xE6\x97\xA5");
    QTest::newRow("a lone surrogate alone: code page, ?")
        << QString(QChar(0xD800)) + "a" << QByteArray("?a");
    QTest::newRow("a lone surrogate beside Japanese: UTF-8, ?")
        << QString::fromUtf8("\u65E5") + QChar(0xDC00) << QByteArray("\xEF\xBB\xBF\xE6\x97\xA5?");
}

void SettingsFileTest::fileEncoding()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
#ifndef Q_OS_WIN
    QCOMPARE(encodeFileText(text), bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    QVERIFY(writeTextFile(path, text).ok);
    QCOMPARE(readBytes(path), bytes);
    if (!bytes.contains('?')) {
        QString read;
        QVERIFY(readTextFile(path, read));
        QCOMPARE(read, text);
    }
#endif
}

void SettingsFileTest::decodesTheFileEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("no BOM: the code page") << QByteArray("caf\xC3\xA9") << "caf\u00C3\u00A9";
    QTest::newRow("BOM: UTF-8") << QByteArray("\xEF\xBB\xBF"
                                              "caf\xC3\xA9")
                                << "caf\u00E9";
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << "";
    QTest::newRow("a BOM later on is text") << QByteArray("a\xEF\xBB\xBF") << "a\u00EF\u00BB\u00BF";
}

void SettingsFileTest::decodesTheFileEncoding()
{
    QFETCH(QByteArray, bytes);
#ifndef Q_OS_WIN
    QTEST(decodeFileText(bytes), "text");
#endif
}

void SettingsFileTest::problemWords_data()
{
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("systemText");
    QTest::addColumn<QString>("words");
    QTest::newRow("ENOSPC") << ENOSPC << "No space left on device"
                            << "The disk is full.";
#ifdef EDQUOT
    QTest::newRow("EDQUOT") << EDQUOT << "Disk quota exceeded"
                            << "Your disk quota is used up.";
#endif
    QTest::newRow("EACCES") << EACCES << "Permission denied"
                            << "The folder is not writable.";
    QTest::newRow("EPERM") << EPERM << "Operation not permitted"
                           << "The folder is not writable.";
    QTest::newRow("EROFS") << EROFS << "Read-only file system"
                           << "The disk is read-only.";
    QTest::newRow("ENOENT") << ENOENT << "No such file or directory"
                            << "The folder does not exist: it was removed, or it could not be "
                               "made because the program's folder is read-only.";
    QTest::newRow("EISDIR") << EISDIR << "Is a directory"
                            << "A folder has the file's name.";
    QTest::newRow("EIO") << EIO << "Input/output error"
                         << "The disk reported an error (input/output error).";
    QTest::newRow("other: the system's words") << EMFILE << "Too many open files"
                                               << "Too many open files";
    QTest::newRow("nothing known") << 0 << ""
                                   << "An unknown error occurred.";
}

void SettingsFileTest::problemWords()
{
    QFETCH(int, errorNumber);
    QFETCH(QString, systemText);
    QTEST(problemText(problemFromErrno(errorNumber), systemText), "words");
}

enum class Disk { DevFull, Room, SyncRefused };
Q_DECLARE_METATYPE(Disk) // before its first use as a test column

void SettingsFileTest::failedWriteKeepsOldFileAndSaysWhy_data()
{
    QTest::addColumn<Disk>("disk");
    QTest::addColumn<qint64>("room");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<int>("valueSize"); // of the Chinese template's padding
    QTest::addColumn<QString>("words");

    QTest::newRow("/dev/full: full before the first byte")
        << Disk::DevFull << qint64(0) << 0 << 0 << "The disk is full.";
    QTest::newRow("full before the first byte")
        << Disk::Room << qint64(0) << ENOSPC << 0 << "The disk is full.";
    QTest::newRow("full after the first buffer")
        << Disk::Room << qint64(16384) << ENOSPC << 20000 << "The disk is full.";
    QTest::newRow("a value larger than the buffer, full half way")
        << Disk::Room << qint64(100000) << ENOSPC << 200000 << "The disk is full.";
#ifdef EDQUOT
    QTest::newRow("quota used up after 100 bytes")
        << Disk::Room << qint64(100) << EDQUOT << 0 << "Your disk quota is used up.";
#endif
    QTest::newRow("input/output error") << Disk::Room << qint64(200) << EIO << 0
                                        << "The disk reported an error (input/output error).";
    QTest::newRow("the sync refuses the bytes")
        << Disk::SyncRefused << qint64(-1) << ENOSPC << 0 << "The disk is full.";
}

void SettingsFileTest::failedWriteKeepsOldFileAndSaysWhy()
{
    QFETCH(Disk, disk);
    QFETCH(qint64, room);
    QFETCH(int, errorNumber);
    QFETCH(int, valueSize);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    writeBytes(path, oldSettings());

    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] += QString(valueSize, QLatin1Char('x'));
    QFile devFull(QStringLiteral("/dev/full"));
    FailingSaveFile file(path);
    switch (disk) {
    case Disk::DevFull:
        QVERIFY(devFull.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        file.device = &devFull;
        break;
    case Disk::Room:
        file.room = room;
        file.errorNumber = errorNumber;
        break;
    case Disk::SyncRefused:
        file.syncError = errorNumber;
        break;
    }
    const WriteResult result = writeBytes(file, encodeFileText(buildSettingsText(values)));

    QVERIFY(!result.ok);
    QTEST(result.error, "words");
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(dir.path()), QStringList{fileName()});
}

void SettingsFileTest::commitRefusedKeepsOldFile()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    writeBytes(path, oldSettings());

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        // Every byte is written; then the folder no longer lets the new file in.
        FailingSaveFile file(path);
        file.beforeFirstWrite = [&] {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        };
        result = writeBytes(file, QByteArrayLiteral("new settings"));
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("The folder is not writable."));
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

void SettingsFileTest::savesStayAtomicWhereTheFolderIsWritable()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    writeBytes(path, oldSettings());
    const ino_t before = inodeOf(path);
    QVERIFY(writeTextFile(path, QStringLiteral("new")).ok);
    // A new file took the old one's place; the old one was never opened for writing.
    QVERIFY(inodeOf(path) != before);
    QCOMPARE(readBytes(path), QByteArray("new"));
#endif
}

void SettingsFileTest::writesInPlaceWhenOnlyTheFileIsWritable()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    writeBytes(path, oldSettings());
    const ino_t before = inodeOf(path);
    // The folder belongs to someone else (as root: to "nobody"), the file to us.
    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    else
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(QFile::setPermissions(folder,
                                  QFile::permissions(folder) | QFile::ExeOther | QFile::ReadOther));

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        QVERIFY(!QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly));
        result = writeTextFile(path, QStringLiteral("new settings"));
    }
    if (root)
        QVERIFY(::chown(QFile::encodeName(folder).constData(), 0, 0) == 0);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readBytes(path), QByteArray("new settings"));
    QCOMPARE(inodeOf(path), before);
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

void SettingsFileTest::failedInPlaceWritePutsOldBytesBack()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions, inodes and in-place saves as on Unix");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/lexivo.xml");
    writeBytes(path, oldSettings());
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    WriteResult result;
    {
        PermissionsEnforced enforced;
        if (!enforced.enforced())
            QSKIP("cannot drop the capabilities that override folder permissions");
        FailingSaveFile file(path);
        file.room = 10;
        result = writeBytes(file, encodeFileText(buildSettingsText(canned_templates::defaults())) +
                                      "more");
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("The disk is full."));
    QCOMPARE(readBytes(path), oldSettings());
    QCOMPARE(filesIn(folder), QStringList{fileName()});
#endif
}

void SettingsFileTest::readFailureSaysWhy_data()
{
    QTest::addColumn<int>("situation");
    QTest::addColumn<QString>("failure");
    QTest::newRow("no read permission") << 0 << "There is no permission to read the file.";
    QTest::newRow("empty file: no failure") << 1 << "";
    QTest::newRow("a folder") << 2 << "A folder has the file's name.";
    QTest::newRow("missing") << 3 << "No such file or directory";
}

void SettingsFileTest::readFailureSaysWhy()
{
    QFETCH(int, situation);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    if (situation == 0) {
        writeBytes(path, oldSettings());
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    }
    if (situation == 1)
        writeBytes(path, {});
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

void SettingsFileTest::fingerprintNoticesAnotherSave()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName());
    QCOMPARE(fingerprintFile(path).kind, Fingerprint::Missing);
    writeBytes(path, "first");
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

void SettingsFileTest::staleTemporaryFiles_data()
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

void SettingsFileTest::staleTemporaryFiles()
{
    QFETCH(QString, name);
    QFETCH(int, ageSeconds);
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    QTEST(isStaleTemporaryFile(name, QStringLiteral("lexivo.xml"), now.addSecs(-ageSeconds), now),
          "stale");
}

void SettingsFileTest::removesOnlyStaleTemporaryFiles()
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

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settings_file.moc"
