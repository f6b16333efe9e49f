// The shipped program with its engine module, under a real display: the module is found beside
// the program, the home page loads, and no OpenGL stack is loaded on the way.

#include "local_http_server.h"
#include "temp_program_folder.h"
#include "wait_until.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A first page under Xvfb takes about a second; a loaded machine may take much longer.
constexpr int kTimeout = 20000;

const QString kExecutable = QStringLiteral(LEXIVO_EXECUTABLE);
const QString kModule = QStringLiteral(ENGINE_MODULE);

QString mappedFiles(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(maps.readAll());
}

// The engine's helper processes under the program, by their command lines.
QList<QByteArray> helperCommandLines(qint64 root)
{
    QList<QByteArray> found;
    QList<qint64> parents{root};
    for (int depth = 0; depth < 3; ++depth) {
        QList<qint64> children;
        for (qint64 parent : parents) {
            QFile list(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
            if (!list.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& pid : list.readAll().split(' ')) {
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(pid)));
                if (!pid.isEmpty() && cmdline.open(QIODevice::ReadOnly)) {
                    found.append(cmdline.readAll().replace('\0', ' '));
                    children.append(pid.toLongLong());
                }
            }
        }
        parents = children;
    }
    return found;
}

} // namespace

class ProgramEngineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void loadsTheHomePage();
    void startWritesNothingOnTheTerminal();
    void mapsTheEngineButNoOpenGl_data();
    void mapsTheEngineButNoOpenGl();
    void startsOneZygoteAndKeepsTheUsersSwitches();

private:
    LocalHttpServer m_server;
    TempProgramFolder m_folder;
    QTemporaryDir m_runtimeFolder; // as a desktop session has one
    QProcess m_program;
    QByteArray m_errors;
};

void ProgramEngineTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/home", "<h1>Home</h1>");
    const QString program = m_folder.path() + QStringLiteral("/lexivo");
    QVERIFY(QFile::copy(kExecutable, program));
    QVERIFY(QFile::copy(kModule, m_folder.path() + QStringLiteral("/lexivo-webengine.so")));
    QueryStringSet values;
    values[QueryKey::Home] = m_server.url(QStringLiteral("/home"));
    m_folder.writeSettings(values);

    m_program.setProgram(program);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeFolder.path());
    // A switch of the user's, which the engine passes on to its zygote.
    const QString switches = QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS");
    environment.insert(switches,
                       (environment.value(switches) + QStringLiteral(" --lang=de-CH")).trimmed());
    m_program.setProcessEnvironment(environment);
    m_program.start();
    QVERIFY(m_program.waitForStarted());
}

void ProgramEngineTest::cleanupTestCase()
{
    m_program.kill();
    m_program.waitForFinished();
}

void ProgramEngineTest::loadsTheHomePage()
{
    QVERIFY(waitUntil([&] { return m_server.requestCount("/home") > 0; }, kTimeout));
    m_errors += m_program.readAllStandardError();
    QVERIFY2(!m_errors.contains("could not be started"), m_errors.constData());
    QCOMPARE(m_program.state(), QProcess::Running);
}

// Only a sandbox that the tests turn off, running as root, is reported.
void ProgramEngineTest::startWritesNothingOnTheTerminal()
{
    QVERIFY(waitUntil([&] { return m_server.requestCount("/home") > 0; }, kTimeout));
    QTest::qWait(1000); // the home page completes meanwhile
    m_errors += m_program.readAllStandardError();
    const QByteArray expected = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
                                    ? "Sandboxing disabled by user.\n"
                                    : "";
    QCOMPARE(m_errors, expected);
}

void ProgramEngineTest::mapsTheEngineButNoOpenGl_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<bool>("mapped");

    QTest::newRow("the module") << "/lexivo-webengine.so" << true;
    QTest::newRow("the engine") << "/libQt6WebEngineCore.so" << true;
    QTest::newRow("OpenGL dispatch") << "/libGLX_mesa.so" << false;
    QTest::newRow("software OpenGL driver") << "/swrast_dri.so" << false;
    QTest::newRow("its compiler") << "/libLLVM" << false;
    QTest::newRow("Qt's GLX integration") << "/libqxcb-glx-integration.so" << false;
}

void ProgramEngineTest::mapsTheEngineButNoOpenGl()
{
    QFETCH(QString, library);
    QFETCH(bool, mapped);
    QVERIFY(waitUntil([&] { return m_server.requestCount("/home") > 0; }, kTimeout));
    QCOMPARE(mappedFiles(m_program.processId()).contains(library), mapped);
}

// The program's own switch keeps the engine from keeping a zygote for unsandboxed helpers; the
// user's switch still reaches the engine.
void ProgramEngineTest::startsOneZygoteAndKeepsTheUsersSwitches()
{
    QVERIFY(waitUntil([&] { return m_server.requestCount("/home") > 0; }, kTimeout));
    const QList<QByteArray> helpers = helperCommandLines(m_program.processId());
    QVERIFY(!helpers.isEmpty());
    for (const QByteArray& helper : helpers) {
        QVERIFY2(!helper.contains("--no-zygote-sandbox"), helper.constData());
        QVERIFY2(helper.contains("--lang=de-CH"), helper.constData());
    }
}

QTEST_GUILESS_MAIN(ProgramEngineTest)
#include "tst_program_engine.moc"
