// The program as shipped: its executable loads no web engine before main(), its engine module
// holds none of the code it shares with the program, and a program folder without a module it can
// use (none, an unreadable one, a damaged one) still starts, shows its window and says why pages
// cannot be shown.

#include "elf_sections.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString kExecutable = QStringLiteral(LEXIVO_EXECUTABLE);
const QString kModule = QStringLiteral(ENGINE_MODULE);
const QStringList kSharedLibraries = {QStringLiteral(CORE_LIBRARY),
                                      QStringLiteral(BROWSER_LIBRARY)};

// nm's demangled symbols of the file, name to type letter ("T" a function defined here, "U" one
// used from elsewhere); dynamic: the exported ones only.
QMap<QString, QString> symbols(const QString& file, bool dynamic)
{
    QProcess nm;
    QStringList arguments{QStringLiteral("-C")};
    if (dynamic)
        arguments << QStringLiteral("-D");
    nm.start(QStringLiteral("nm"), arguments << file);
    nm.waitForFinished();
    QMap<QString, QString> result;
    const QRegularExpression line(QStringLiteral("^[0-9a-f ]{16} (\\w) (.+)$"));
    for (const QString& text : QString::fromLocal8Bit(nm.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            result.insert(match.captured(2), match.captured(1));
    }
    return result;
}

enum class ModuleState { Missing, Unreadable, Damaged };

} // namespace

Q_DECLARE_METATYPE(ModuleState)

class ProgramStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableLoadsOnlyTheWidgetLibraries();
    void moduleUsesTheSharedCode_data();
    void moduleUsesTheSharedCode();
    void moduleDefinesNoFunctionOfTheSharedLibraries();
    void refusesAModuleItCannotUseAndSaysWhy_data();
    void refusesAModuleItCannotUseAndSaysWhy();
};

void ProgramStartTest::executableLoadsOnlyTheWidgetLibraries()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {kExecutable});
    QVERIFY(ldd.waitForFinished());
    QStringList qtLibraries;
    const QRegularExpression qtLibrary(QStringLiteral("^\\s*(libQt6\\w+\\.so\\.6)\\b"));
    for (const QString& line : QString::fromLocal8Bit(ldd.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = qtLibrary.match(line);
        if (match.hasMatch())
            qtLibraries << match.captured(1);
    }
    qtLibraries.sort();
    QCOMPARE(qtLibraries, (QStringList{"libQt6Core.so.6", "libQt6DBus.so.6", "libQt6Gui.so.6",
                                       "libQt6Widgets.so.6"}));
}

void ProgramStartTest::moduleUsesTheSharedCode_data()
{
    QTest::addColumn<QString>("symbol");

    QTest::newRow("the seam's meta-object") << "Browser::staticMetaObject";
    QTest::newRow("a signal of the seam") << "Browser::navigationStarting(QString const&)";
    QTest::newRow("the engine interface") << "typeinfo for BrowserEngine";
    QTest::newRow("the seam's OpenGL rule") << "opengl_sharing::sceneGraphChosenByUser()";
    QTest::newRow("a rule of the core") << "address_rule::classify(QString const&)";
}

// Used by the module, defined by the shared libraries alone.
void ProgramStartTest::moduleUsesTheSharedCode()
{
    QFETCH(QString, symbol);
    QCOMPARE(symbols(kModule, false).value(symbol), QStringLiteral("U"));
}

void ProgramStartTest::moduleDefinesNoFunctionOfTheSharedLibraries()
{
    QStringList functions;
    for (const QString& library : kSharedLibraries) {
        const QMap<QString, QString> exported = symbols(library, true);
        for (auto it = exported.cbegin(); it != exported.cend(); ++it) {
            if (it.value() == QLatin1String("T"))
                functions << it.key();
        }
    }
    QVERIFY(functions.size() > 50);
    const QMap<QString, QString> module = symbols(kModule, false);
    QVERIFY(!module.isEmpty());
    QStringList definedTwice;
    for (const QString& function : std::as_const(functions)) {
        if (module.value(function, QStringLiteral("U")) != QLatin1String("U"))
            definedTwice << function;
    }
    QCOMPARE(definedTwice, QStringList{});
}

void ProgramStartTest::refusesAModuleItCannotUseAndSaysWhy_data()
{
    QTest::addColumn<ModuleState>("state");
    QTest::addColumn<QString>("reason"); // a pattern; %1 is the program's folder

    // An installed program looks in its library folder first, then beside itself.
    QTest::newRow("missing") << ModuleState::Missing
                             << QStringLiteral("lexivo-webengine\\.so is missing \\(looked for ") +
                                    QLatin1String(LEXIVO_PORTABLE_LAYOUT ? "" : "/[^,()]+, ") +
                                    QStringLiteral("%1/lexivo-webengine\\.so\\)");
    QTest::newRow("unreadable") << ModuleState::Unreadable
                                << "%1/lexivo-webengine\\.so cannot be read: Permission denied";
    // Once crashed the program as it started.
    QTest::newRow("damaged") << ModuleState::Damaged
                             << "%1/lexivo-webengine\\.so is damaged or belongs to another "
                                "version of the program; install the program again";
}

void ProgramStartTest::refusesAModuleItCannotUseAndSaysWhy()
{
    QFETCH(ModuleState, state);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("lexivo"));
    QVERIFY(QFile::copy(kExecutable, program));
    const QString module = folder.filePath(QStringLiteral("lexivo-webengine.so"));
    QProcess lexivo;
    lexivo.setProgram(program);
    if (state == ModuleState::Unreadable) {
        QVERIFY(QFile::copy(kModule, module));
        QVERIFY(QFile::setPermissions(module, {}));
        // Root reads any file: the program runs as nobody, in a folder it can write.
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::WriteOther | QFile::ExeOther));
        if (geteuid() == 0) {
            lexivo.setProgram(QStringLiteral("setpriv"));
            lexivo.setArguments({"--reuid=65534", "--regid=65534", "--clear-groups", program});
        }
    } else if (state == ModuleState::Damaged) {
        QFile original(kModule);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray contents = original.readAll();
        const elf_sections::Range code = elf_sections::fileRange(kModule, QStringLiteral(".text"));
        QVERIFY(code.size > 16384);
        for (qint64 offset : {qint64(0), code.size / 2, code.size - 4096})
            elf_sections::overwrite(contents, code, offset, 4096);
        QFile copy(module);
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(contents) == contents.size());
    }

    lexivo.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    lexivo.setProcessEnvironment(environment);
    lexivo.start();
    QVERIFY(lexivo.waitForStarted());
    const QRegularExpression expected(
        QRegularExpression::escape(QStringLiteral("The web browser could not be started: ")) +
        reason.arg(QRegularExpression::escape(QDir::cleanPath(folder.path()))));
    QString errors;
    QTRY_VERIFY_WITH_TIMEOUT(
        (errors += QString::fromLocal8Bit(lexivo.readAllStandardError())).contains(expected) ||
            lexivo.state() == QProcess::NotRunning,
        15000);
    QVERIFY2(errors.contains(expected), qPrintable(errors));
    QTest::qWait(300); // still running: the window stays for its menus
    QCOMPARE(lexivo.state(), QProcess::Running);
    const QString session = LEXIVO_PORTABLE_LAYOUT
                                ? QStringLiteral("session")
                                : QStringLiteral("config/Lexivo Dictionary II/session");
    QVERIFY(QFileInfo(folder.filePath(session)).isDir()); // first run, as ever
    lexivo.kill();
    lexivo.waitForFinished();
}

QTEST_GUILESS_MAIN(ProgramStartTest)
#include "tst_program_start.moc"
