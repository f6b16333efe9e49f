// The program as shipped: its executable loads no web engine before main(), its engine module
// holds none of the code it shares with the program, and a program folder without a module it can
// use (none, or an unreadable one) still starts, shows its window and says why pages cannot be
// shown.

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

enum class ModuleState { Missing, Unreadable };

} // namespace

Q_DECLARE_METATYPE(ModuleState)

class ProgramStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableLoadsOnlyTheWidgetLibraries();
    void moduleDefinesNothingOfTheSharedLibraries();
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

// Each function and meta-object of the shared libraries is theirs alone: the module only uses it.
void ProgramStartTest::moduleDefinesNothingOfTheSharedLibraries()
{
    QStringList shared;
    for (const QString& library : kSharedLibraries) {
        const QMap<QString, QString> exported = symbols(library, true);
        for (auto it = exported.cbegin(); it != exported.cend(); ++it) {
            // Functions and data, not the linker's markers (_edata, _end, ...).
            if (QStringLiteral("TDB").contains(it.value()) && !it.key().startsWith('_'))
                shared << it.key();
        }
    }
    QVERIFY(shared.contains(QStringLiteral("Browser::staticMetaObject")));
    const QMap<QString, QString> module = symbols(kModule, false);
    QCOMPARE(module.value(QStringLiteral("Browser::navigationStarting(QString const&)")),
             QStringLiteral("U"));
    QStringList definedTwice;
    for (const QString& symbol : std::as_const(shared)) {
        if (module.value(symbol, QStringLiteral("U")) != QLatin1String("U"))
            definedTwice << symbol;
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
}

void ProgramStartTest::refusesAModuleItCannotUseAndSaysWhy()
{
    QFETCH(ModuleState, state);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("lexivo"));
    QVERIFY(QFile::copy(kExecutable, program));
    QProcess lexivo;
    lexivo.setProgram(program);
    QString libraryPath;
    if (state == ModuleState::Unreadable) {
        const QString module = folder.filePath(QStringLiteral("lexivo-webengine.so"));
        QVERIFY(QFile::copy(kModule, module));
        QVERIFY(QFile::setPermissions(module, {}));
        // Root reads any file: the program runs as nobody, in a folder it can write.
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::WriteOther | QFile::ExeOther));
        if (geteuid() == 0) {
            // The build tree may lie in a folder only root can enter: nobody's copy of the
            // program takes its libraries from beside it.
            for (const QString& library : kSharedLibraries)
                QVERIFY(QFile::copy(library, folder.filePath(QFileInfo(library).fileName())));
            libraryPath = folder.path();
            lexivo.setProgram(QStringLiteral("setpriv"));
            lexivo.setArguments({"--reuid=65534", "--regid=65534", "--clear-groups", program});
        }
    }

    lexivo.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    if (!libraryPath.isEmpty())
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
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
