// Where the program looks for its engine module, how it checks the module before loading it, and
// what it says without one.

#include "core/engine_module.h"
#include "core/engine_switches.h"
#include "core/module_image.h"
#include "elf_sections.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString kLibrary = QStringLiteral(CORE_LIBRARY);

// A 64-bit ELF file with one loadable segment of segmentSize bytes from its start (its header and
// program headers), phnum program headers announced, the section-header fields given, and tail
// after them, which is not loaded.
QByteArray tinyElf(quint64 shoff, quint16 shnum, const QByteArray& tail, quint64 segmentSize = 120,
                   quint16 phnum = 1, char elfClass = 2)
{
    QByteArray bytes(120, '\0');
    auto put = [&](int offset, auto value) {
        qToLittleEndian(value, reinterpret_cast<uchar*>(bytes.data()) + offset);
    };
    bytes.replace(0, 7,
                  QByteArray("\x7f"
                             "ELF") +
                      elfClass + "\x01\x01");
    put(0x10, quint16(3)); // a shared object
    put(0x12, quint16(62));
    put(0x14, quint32(1));
    put(0x20, quint64(64)); // program headers
    put(0x28, shoff);
    put(0x34, quint16(64));
    put(0x36, quint16(56));
    put(0x38, phnum);
    put(0x3A, quint16(64));
    put(0x3C, shnum);
    put(0x3E, quint16(shnum - 1));
    put(64, quint32(1)); // loadable, from offset 0
    put(68, quint32(4));
    put(96, segmentSize);
    put(104, segmentSize);
    put(112, quint64(0x1000));
    return bytes + tail;
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class EngineModuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void candidatePaths_data();
    void candidatePaths();
    void notFoundReason_data();
    void notFoundReason();
    void textsNameTheReasonAndTheAddress();
    void programSwitchesComeBeforeTheUsers_data();
    void programSwitchesComeBeforeTheUsers();
    void digest_data();
    void digest();
    void strippingKeepsTheDigest_data();
    void strippingKeepsTheDigest();
    void damageChangesTheDigestWhereLoaded_data();
    void damageChangesTheDigestWhereLoaded();
};

void EngineModuleTest::candidatePaths_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("moduleFolder");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("portable folder") << "/home/ann/lexivo"
                                     << "." << QStringList{"/home/ann/lexivo/lexivo-webengine.so"};
    QTest::newRow("system layout")
        << "/usr/bin"
        << "../lib/x86_64-linux-gnu/lexivo"
        << QStringList{"/usr/lib/x86_64-linux-gnu/lexivo/lexivo-webengine.so",
                       "/usr/bin/lexivo-webengine.so"};
    QTest::newRow("another prefix") << "/opt/lexivo/bin"
                                    << "../lib/lexivo"
                                    << QStringList{"/opt/lexivo/lib/lexivo/lexivo-webengine.so",
                                                   "/opt/lexivo/bin/lexivo-webengine.so"};
    QTest::newRow("trailing separator")
        << "/home/ann/lexivo/"
        << "." << QStringList{"/home/ann/lexivo/lexivo-webengine.so"};
    QTest::newRow("folder reached by a descriptor")
        << "/proc/self/fd/7"
        << "." << QStringList{"/proc/self/fd/7/lexivo-webengine.so"};
    QTest::newRow("relative program folder") << "build"
                                             << "." << QStringList{"build/lexivo-webengine.so"};
    QTest::newRow("unknown program folder") << ""
                                            << "." << QStringList{};
}

void EngineModuleTest::candidatePaths()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, moduleFolder);
    QFETCH(QStringList, paths);
    QCOMPARE(engine_module::candidatePaths(programFolder, moduleFolder,
                                           QStringLiteral("lexivo-webengine.so")),
             paths);
}

void EngineModuleTest::notFoundReason_data()
{
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("reason");

    QTest::newRow("one place") << QStringList{"/home/ann/lexivo/lexivo-webengine.so"}
                               << "lexivo-webengine.so is missing (looked for "
                                  "/home/ann/lexivo/lexivo-webengine.so)";
    QTest::newRow("two places")
        << QStringList{"/usr/lib/lexivo/lexivo-webengine.so", "/usr/bin/lexivo-webengine.so"}
        << "lexivo-webengine.so is missing (looked for /usr/lib/lexivo/lexivo-webengine.so, "
           "/usr/bin/lexivo-webengine.so)";
    QTest::newRow("no place") << QStringList{}
                              << "lexivo-webengine.so cannot be looked for: the program's "
                                 "folder is unknown";
}

void EngineModuleTest::notFoundReason()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, reason);
    QCOMPARE(engine_module::notFoundReason(QStringLiteral("lexivo-webengine.so"), candidates),
             reason);
}

void EngineModuleTest::textsNameTheReasonAndTheAddress()
{
    QCOMPARE(engine_module::unavailableStatusText(QStringLiteral("it is gone")),
             QStringLiteral("The web browser could not be started: it is gone"));
    QCOMPARE(engine_module::unavailablePageText(QStringLiteral("it is gone")),
             QStringLiteral("The web browser could not be started, so dictionary pages cannot be "
                            "shown. The menus still work.\n\nit is gone"));
    QCOMPARE(engine_module::unreadableReason(QStringLiteral("/opt/lexivo/lexivo-webengine.so"),
                                             QStringLiteral("Permission denied")),
             QStringLiteral("/opt/lexivo/lexivo-webengine.so cannot be read: Permission denied"));
    QCOMPARE(engine_module::damagedReason(QStringLiteral("/opt/lexivo/lexivo-webengine.so")),
             QStringLiteral("/opt/lexivo/lexivo-webengine.so is damaged or belongs to another "
                            "version of the program; install the program again"));
    QCOMPARE(engine_module::refusalText(QStringLiteral("http://a.test/?q=%25")),
             QStringLiteral("Cannot open http://a.test/?q=%25: the web browser could not be "
                            "started"));
}

void EngineModuleTest::digest_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QByteArray>("digest");

    const QByteArray loaded = "b60f8e7292cbc783d3f183e6c30e79ac1f8d90803a3423928026db2a15c6b548";
    QTest::newRow("ELF: header, program headers, segment")
        << tinyElf(0x1000, 30, "SECTIONS") << loaded;
    QTest::newRow("the same stripped: other section headers, other unloaded bytes")
        << tinyElf(0x2000, 12, "OTHER") << loaded;
    QTest::newRow("a segment past the end")
        << tinyElf(0x1000, 30, "SECTIONS", 4096) << QByteArray();
    QTest::newRow("program headers past the end")
        << tinyElf(0x1000, 30, "SECTIONS", 120, 3) << QByteArray();
    QTest::newRow("an unknown ELF class")
        << tinyElf(0x1000, 30, "SECTIONS", 120, 1, 3) << QByteArray();
    QTest::newRow("a text file, whole")
        << QByteArray("not a library\n")
        << QByteArray("1e6b62ba51f1b685d844b6b473a7518e5d4630c045f203e3fe3be2ce30b2a174");
    QTest::newRow("an empty file, whole")
        << QByteArray()
        << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

void EngineModuleTest::digest()
{
    QFETCH(QByteArray, contents);
    QFETCH(QByteArray, digest);
    QCOMPARE(module_image::digest(contents), digest);
}

void EngineModuleTest::strippingKeepsTheDigest_data()
{
    QTest::addColumn<QStringList>("command");

    QTest::newRow("strip") << QStringList{"strip"};
    QTest::newRow("strip, unneeded symbols") << QStringList{"strip", "--strip-unneeded"};
    QTest::newRow("as Debian strips a library") << QStringList{
        "strip", "--remove-section=.comment", "--remove-section=.note", "--strip-unneeded"};
    QTest::newRow("a debug link added")
        << QStringList{"objcopy", "--add-gnu-debuglink=" + kLibrary};
    QTest::newRow("debug sections compressed")
        << QStringList{"objcopy", "--compress-debug-sections"};
}

void EngineModuleTest::strippingKeepsTheDigest()
{
    QFETCH(QStringList, command);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.so"));
    QVERIFY(QFile::copy(kLibrary, copy));
    QCOMPARE(QProcess::execute(command.takeFirst(), command << copy), 0);
    QVERIFY(fileContents(copy) != fileContents(kLibrary));
    QCOMPARE(module_image::digest(fileContents(copy)),
             module_image::digest(fileContents(kLibrary)));
}

void EngineModuleTest::damageChangesTheDigestWhereLoaded_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<bool>("changed");

    QTest::newRow("code") << ".text" << true;
    QTest::newRow("constants") << ".rodata" << true;
    QTest::newRow("symbol names") << ".dynstr" << true;
    QTest::newRow("compiler notes, not loaded") << ".comment" << false;
}

void EngineModuleTest::damageChangesTheDigestWhereLoaded()
{
    QFETCH(QString, section);
    QFETCH(bool, changed);
    const QByteArray original = fileContents(kLibrary);
    QByteArray damaged = original;
    const elf_sections::Range range = elf_sections::fileRange(kLibrary, section);
    QVERIFY(range.size >= 16);
    elf_sections::overwrite(damaged, range, range.size / 2, 16);
    QCOMPARE(module_image::digest(damaged) != module_image::digest(original), changed);
}

void EngineModuleTest::programSwitchesComeBeforeTheUsers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("switches");
    QTest::newRow("none of the user's") << ""
                                        << "--no-unsandboxed-zygote";
    QTest::newRow("the user's after") << "--lang=de"
                                      << "--no-unsandboxed-zygote --lang=de";
    QTest::newRow("the user's as written")
        << "--host-resolver-rules=\"MAP * ~NOTFOUND\"  --lang=de"
        << "--no-unsandboxed-zygote --host-resolver-rules=\"MAP * ~NOTFOUND\"  --lang=de";
}

void EngineModuleTest::programSwitchesComeBeforeTheUsers()
{
    QFETCH(QString, user);
    QFETCH(QString, switches);
    QCOMPARE(engine_switches::withProgramSwitches(user), switches);
}

QTEST_APPLESS_MAIN(EngineModuleTest)
#include "tst_engine_module.moc"
