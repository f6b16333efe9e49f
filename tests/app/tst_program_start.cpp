// The program as shipped: its executable loads no web engine before main(), its engine module
// holds none of the code it shares with the program, and a program folder without the engine
// module still starts, shows its window and says why pages cannot be shown.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class ProgramStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableLoadsOnlyTheWidgetLibraries();
    void moduleUsesTheSharedCode_data();
    void moduleUsesTheSharedCode();
    void moduleDefinesNoFunctionOfTheSharedLibraries();
    void withoutItsModuleTheProgramRunsAndSaysWhy();
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

void ProgramStartTest::withoutItsModuleTheProgramRunsAndSaysWhy()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("lexivo"));
    QVERIFY(QFile::copy(kExecutable, program));

    QProcess lexivo;
    lexivo.setProgram(program);
    lexivo.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    lexivo.setProcessEnvironment(environment);
    lexivo.start();
    QVERIFY(lexivo.waitForStarted());
    // An installed program looks in its library folder first, then beside itself.
    const QRegularExpression expected(
        QRegularExpression::escape(QStringLiteral("The web browser could not be started: "
                                                  "lexivo-webengine.so is missing (looked for ")) +
        QLatin1String(LEXIVO_PORTABLE_LAYOUT ? "" : "/[^,()]+, ") +
        QRegularExpression::escape(QDir::cleanPath(folder.path()) +
                                   QStringLiteral("/lexivo-webengine.so)")));
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
