// Where the settings folder is kept: beside a portable program when its folder can hold it,
// otherwise in the user's configuration folder.
#include "core/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

using settings_location::Place;
using settings_location::ProgramFolderFacts;

Q_DECLARE_METATYPE(Place)

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

#ifdef Q_OS_LINUX
bool rawPathExists(const QByteArray& path)
{
    struct stat info;
    return ::stat(path.constData(), &info) == 0;
}
#endif

} // namespace

class SettingsLocationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void choose_data();
    void choose();
    void settingsHome_data();
    void settingsHome();
    void unknownProgramFolderNeverMeansTheRoot();
    void readOnlyProgramFolder_data();
    void readOnlyProgramFolder();
    void folderNameThatIsNotUtf8();

private:
    QTemporaryDir m_configHome; // stands in for ~/.config
    QString perUser() const
    {
        return m_configHome.path() + QStringLiteral("/Lexivo Dictionary II");
    }
};

void SettingsLocationTest::initTestCase()
{
    QVERIFY(m_configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Dictionary II"));
    QCOMPARE(settings_location::perUserFolder(), perUser());
}

void SettingsLocationTest::init()
{
    QVERIFY(QDir(perUser()).removeRecursively());
}

void SettingsLocationTest::choose_data()
{
    QTest::addColumn<bool>("portableLayout");
    QTest::addColumn<bool>("folderKnown");
    QTest::addColumn<bool>("settingsFileExists");
    QTest::addColumn<bool>("sessionFolderWritable");
    QTest::addColumn<Place>("place");

    QTest::newRow("portable, writable") << true << true << false << true << Place::ProgramFolder;
    QTest::newRow("portable, writable, with file")
        << true << true << true << true << Place::ProgramFolder;
    QTest::newRow("portable, read-only, with file")
        << true << true << true << false << Place::ProgramFolder;
    QTest::newRow("portable, read-only, no file")
        << true << true << false << false << Place::PerUser;
    QTest::newRow("portable, folder unknown") << true << false << false << false << Place::PerUser;
    QTest::newRow("system layout") << false << true << false << true << Place::PerUser;
    QTest::newRow("system layout, with file") << false << true << true << true << Place::PerUser;
}

void SettingsLocationTest::choose()
{
    QFETCH(bool, portableLayout);
    QFETCH(bool, folderKnown);
    QFETCH(bool, settingsFileExists);
    QFETCH(bool, sessionFolderWritable);
    QFETCH(Place, place);
    ProgramFolderFacts facts;
    facts.portableLayout = portableLayout;
    facts.folderKnown = folderKnown;
    facts.settingsFileExists = settingsFileExists;
    facts.sessionFolderWritable = sessionFolderWritable;
    QCOMPARE(settings_location::choose(facts), place);
}

void SettingsLocationTest::settingsHome_data()
{
    QTest::addColumn<bool>("portableLayout");
    QTest::addColumn<QString>("session"); // what the program folder holds: "", "folder", "file"
    QTest::addColumn<bool>("settingsFile");
    QTest::addColumn<bool>("perUserFile");
    QTest::addColumn<QString>("home"); // "program" or "per-user"
    QTest::addColumn<bool>("sessionFolderAfter");

    QTest::newRow("first run: session made beside the program")
        << true << "" << false << false << "program" << true;
    QTest::newRow("portable file wins over a per-user file")
        << true << "folder" << true << true << "program" << true;
    QTest::newRow("portable folder without file, per-user file")
        << true << "folder" << false << true << "program" << true;
    QTest::newRow("a file named session")
        << true << "file" << false << false << "per-user" << false;
    QTest::newRow("a file named session, per-user file")
        << true << "file" << false << true << "per-user" << false;
    QTest::newRow("system layout: nothing made beside the program")
        << false << "" << false << false << "per-user" << false;
    QTest::newRow("system layout ignores a session folder beside it")
        << false << "folder" << true << false << "per-user" << true;
}

void SettingsLocationTest::settingsHome()
{
    QFETCH(bool, portableLayout);
    QFETCH(QString, session);
    QFETCH(bool, settingsFile);
    QFETCH(bool, perUserFile);
    QFETCH(QString, home);
    QFETCH(bool, sessionFolderAfter);

    QTemporaryDir program;
    const QString sessionPath = program.filePath(QStringLiteral("session"));
    if (session == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(sessionPath));
    if (session == QLatin1String("file"))
        writeBytes(sessionPath, "not a folder");
    if (settingsFile)
        writeBytes(sessionPath + QStringLiteral("/lexivo.xml"), "<Home>portable</Home>");
    if (perUserFile) {
        QVERIFY(QDir().mkpath(perUser() + QStringLiteral("/session")));
        writeBytes(perUser() + QStringLiteral("/session/lexivo.xml"), "<Home>per-user</Home>");
    }

    const QString chosen = settings_location::settingsHome(program.path(), portableLayout);
    QCOMPARE(chosen, home == QLatin1String("program") ? program.path() : perUser());
    QCOMPARE(QFileInfo(sessionPath).isDir(), sessionFolderAfter);
    // The main window makes session/ itself, so the folder holding it must exist.
    QVERIFY(QFileInfo(chosen).isDir());
}

void SettingsLocationTest::unknownProgramFolderNeverMeansTheRoot()
{
    const bool rootHadSession = QFileInfo::exists(QStringLiteral("/session"));
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("Cannot find the program's own folder; the "
                                                   "settings are kept in %1/session instead.")
                                        .arg(perUser())));
    QCOMPARE(settings_location::settingsHome(QString(), true), perUser());
    QCOMPARE(QFileInfo::exists(QStringLiteral("/session")), rootHadSession);
}

void SettingsLocationTest::readOnlyProgramFolder_data()
{
    QTest::addColumn<bool>("perUserFile");
    QTest::newRow("without a per-user file") << false;
    QTest::newRow("with a per-user file") << true;
}

void SettingsLocationTest::readOnlyProgramFolder()
{
    QFETCH(bool, perUserFile);
    QTemporaryDir program;
    QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
    auto restore = qScopeGuard([&] {
        QFile::setPermissions(program.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (QFileInfo(program.path()).isWritable())
        QSKIP("running with privileges that ignore folder permissions (root); the rows with a "
              "file named session cover the same choice");
    if (perUserFile) {
        QVERIFY(QDir().mkpath(perUser() + QStringLiteral("/session")));
        writeBytes(perUser() + QStringLiteral("/session/lexivo.xml"), "<Home>per-user</Home>");
    }
    QCOMPARE(settings_location::settingsHome(program.path(), true), perUser());
    QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("session"))));
    QCOMPARE(QFileInfo(perUser() + QStringLiteral("/session/lexivo.xml")).isFile(), perUserFile);
}

// A folder name that is not valid UTF-8 (what unzip makes of a name from Windows) has no QString
// that names it. A copy of a small program that starts like the real one is run from such a
// folder and saves there.
void SettingsLocationTest::folderNameThatIsNotUtf8()
{
#ifndef Q_OS_LINUX
    QSKIP("file names are bytes only on Linux");
#else
    QTemporaryDir parent;
    const QByteArray folder = QFile::encodeName(parent.path()) + "/lexivo-\xe9t\xe9";
    QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    // QTemporaryDir cannot name what is inside either.
    auto removeAll = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), parent.path()});
    });
    // The shell copies and runs the program by the raw name, which QProcess cannot pass.
    QProcess shell;
    shell.setWorkingDirectory(parent.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome.path());
    shell.setProcessEnvironment(env);
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("d=$(printf 'lexivo-\\351t\\351') && cp \"$1\" \"$d/probe\" && "
                                "exec \"./$d/probe\""),
                 QStringLiteral("sh"), QStringLiteral(SETTINGS_HOME_PROBE)});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    const QByteArray out = shell.readAllStandardOutput();
    QVERIFY2(out.startsWith("/proc/self/fd/"), out.constData());
    QVERIFY(rawPathExists(folder + "/session/lexivo.xml"));
    QVERIFY(!QFileInfo::exists(perUser() + QStringLiteral("/session/lexivo.xml")));
#endif
}

QTEST_GUILESS_MAIN(SettingsLocationTest)
#include "tst_settings_location.moc"
