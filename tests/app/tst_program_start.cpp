// The program as shipped: its executable loads no web engine before main(), and a program folder
// without the engine module still starts, shows its window and says why pages cannot be shown.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kExecutable = QStringLiteral(LEXIVO_EXECUTABLE);

} // namespace

class ProgramStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableLoadsOnlyTheWidgetLibraries();
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
