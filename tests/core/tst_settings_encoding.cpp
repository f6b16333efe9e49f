// Which bytes hold the settings text: the code page as always, UTF-8 after a byte-order mark only
// for characters the code page lacks; every value survives a save and the next start.
#include "core/canned_templates.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/settings_io.h"
#include "settings_test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace settings_file;

class SettingsEncodingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileEncoding_data();
    void fileEncoding();
    void decodesTheFileEncoding_data();
    void decodesTheFileEncoding();
    void everyValueRoundTrips_data();
    void everyValueRoundTrips();
};

void SettingsEncodingTest::fileEncoding_data()
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
    // Found by fuzzing: a high surrogate with no low one after it was dropped instead of written
    // as "?" (the encoder held it back waiting for its pair), so a save lost a character.
    QTest::newRow("a high surrogate at the end")
        << "a" + QString(QChar(0xD800)) << QByteArray("a?");
    QTest::newRow("two high surrogates") << QString(2, QChar(0xD800)) << QByteArray("??");
    QTest::newRow("a low surrogate alone") << "a" + QString(QChar(0xDC00)) << QByteArray("a?");
    // U+FEFF is no character of the code page: the file is UTF-8.
    QTest::newRow("a high surrogate, then a BOM") << "a" + QString(QChar(0xD800)) + QChar(0xFEFF)
                                                  << QByteArray("\xEF\xBB\xBF"
                                                                "a?\xEF\xBB\xBF");
}

void SettingsEncodingTest::fileEncoding()
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

void SettingsEncodingTest::decodesTheFileEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("no BOM: the code page") << QByteArray("caf\xC3\xA9") << "caf\u00C3\u00A9";
    QTest::newRow("BOM: UTF-8") << QByteArray("\xEF\xBB\xBF"
                                              "caf\xC3\xA9")
                                << "caf\u00E9";
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << "";
    QTest::newRow("a BOM later on is text") << QByteArray("a\xEF\xBB\xBF") << "a\u00EF\u00BB\u00BF";
    QTest::newRow("a second BOM after the first is dropped, as always")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << "x";
    QTest::newRow("a UTF-8 noncharacter is UTF-8")
        << QByteArray("\xEF\xBB\xBF\xEF\xBF\xBF") << "\uFFFF";
    // Edited by hand in a Windows-1252 editor: each byte that is no UTF-8 is the code page's.
    QTest::newRow("BOM, then the code page") << QByteArray("\xEF\xBB\xBF"
                                                           "caf\xE9")
                                             << "caf\u00E9";
    QTest::newRow("BOM, UTF-8 and the code page mixed")
        << QByteArray("\xEF\xBB\xBF\xE6\x97\xA5 caf\xE9 \x80\xEF\xBB\xBF")
        << "\u65E5 caf\u00E9 \u20AC\uFEFF";
    QTest::newRow("BOM, a character cut short at the end") << QByteArray("\xEF\xBB\xBF"
                                                                         "a\xE6\x97")
                                                           << "a\u00E6\u2014";
    QTest::newRow("BOM, an encoded surrogate")
        << QByteArray("\xEF\xBB\xBF\xED\xA0\x80") << "\u00ED\u00A0\u20AC";
    QTest::newRow("BOM, an overlong '/'") << QByteArray("\xEF\xBB\xBF\xC0\xAF") << "\u00C0\u00AF";
    QTest::newRow("BOM, beyond U+10FFFF")
        << QByteArray("\xEF\xBB\xBF\xF4\x90\x80\x80") << "\u00F4\u0090\u20AC\u20AC";
}

void SettingsEncodingTest::decodesTheFileEncoding()
{
    QFETCH(QByteArray, bytes);
#ifndef Q_OS_WIN
    QTEST(decodeFileText(bytes), "text");
#endif
}

void SettingsEncodingTest::everyValueRoundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces around") << "  x  ";
    QTest::newRow("ampersands and quotes") << "a&b<c>\"d'";
    QTest::newRow("Western letters") << "caf\u00E9 na\u00EFve \u20AC";
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

void SettingsEncodingTest::everyValueRoundTrips()
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

QTEST_GUILESS_MAIN(SettingsEncodingTest)
#include "tst_settings_encoding.moc"
