// The settings file: exact bytes, the tag reader, the ANSI code page and safe saving.
#include "dialogs/canned_templates.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buildsDefaultsByteForByte();
    void getTagValue_data();
    void getTagValue();
    void roundTripsThroughTheFile_data();
    void roundTripsThroughTheFile();
    void encodesTheAnsiCodePage_data();
    void encodesTheAnsiCodePage();
    void readFailsWithoutTouchingText_data();
    void readFailsWithoutTouchingText();
    void writeFailureKeepsOldFileAndSaysWhy_data();
    void writeFailureKeepsOldFileAndSaysWhy();
    void writeReplacesWholeFile();
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
    QCOMPARE(encodeAnsi(BuildSettingsXML(canned_templates::defaults())), expected);
}

void SettingsFileTest::getTagValue_data()
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

void SettingsFileTest::getTagValue()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QTEST(GetTagValue(text, tag), "value");
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
    QVERIFY(WriteTextFile(path, BuildSettingsXML(values)).ok);
    QString text;
    QVERIFY(ReadTextFile(path, text));
    QCOMPARE(parse(text), values);
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
    QVERIFY(!ReadTextFile(path, text));
    QCOMPARE(text, QStringLiteral("untouched"));
}

void SettingsFileTest::writeFailureKeepsOldFileAndSaysWhy_data()
{
    QTest::addColumn<int>("situation");
    QTest::newRow("folder removed") << 0;
    QTest::newRow("folder read-only") << 1;
    QTest::newRow("a folder at the file's path") << 2;
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
        writeBytes(path, old);
        QVERIFY(QFile::setPermissions(session, QFile::ReadOwner | QFile::ExeOwner));
        if (QFileInfo(session).isWritable() || QFile(session + "/probe").open(QIODevice::WriteOnly))
            QSKIP("running with privileges that ignore folder permissions");
        break;
    case 2:
        QVERIFY(QDir().mkdir(path));
        break;
    }

    const WriteResult result = WriteTextFile(path, QStringLiteral("new settings"));
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    if (situation == 1) {
        QCOMPARE(readBytes(path), old);
        QFile::setPermissions(session, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (situation == 2)
        QVERIFY(QFileInfo(path).isDir());
}

void SettingsFileTest::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lexivo.xml"));
    writeBytes(path, QByteArray(4096, 'x'));
    QVERIFY(WriteTextFile(path, QStringLiteral("short")).ok);
    QCOMPARE(readBytes(path), QByteArray("short"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("lexivo.xml")});
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settings_file.moc"
