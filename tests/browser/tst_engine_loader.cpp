// The engine module loaded as the program loads it: off the GUI thread, from the first candidate
// that exists, its browser working through the seam; and the reasons given when it cannot be.

#include "browser/browser_engine.h"
#include "browser/deferred_browser.h"
#include "browser/engine_loader.h"
#include "browser_events.h"
#include "elf_sections.h"
#include "local_http_server.h"
#include "wait_until.h"
#include "webengine/engine_module_digest.h"

#include <QLibraryInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

namespace {

// A first page under Xvfb takes about a second; a loaded machine may take much longer.
constexpr int kTimeout = 20000;

const QString kModule = QStringLiteral(ENGINE_MODULE);

// Loads from the candidates; the engine, or the reason there is none.
struct LoadResult
{
    BrowserEngine* engine = nullptr;
    QString failure;
    bool done = false;
};

// A copy of the module in folder, its bytes changed by edit.
QString moduleCopy(const QTemporaryDir& folder, const QString& name,
                   const std::function<void(QByteArray&)>& edit)
{
    QFile module(kModule);
    if (!module.open(QIODevice::ReadOnly))
        return QString();
    QByteArray contents = module.readAll();
    edit(contents);
    QFile copy(folder.filePath(name));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(contents) != contents.size())
        return QString();
    return copy.fileName();
}

LoadResult load(const QStringList& candidates)
{
    EngineLoader loader(QStringLiteral("lexivo-webengine.so"), candidates, engineModuleDigest());
    LoadResult result;
    QObject::connect(&loader, &EngineLoader::ready, &loader, [&](BrowserEngine* engine) {
        result.engine = engine;
        result.done = true;
    });
    QObject::connect(&loader, &EngineLoader::failed, &loader, [&](const QString& failure) {
        result.failure = failure;
        result.done = true;
    });
    loader.start();
    waitUntil([&] { return result.done; }, kTimeout);
    return result;
}

} // namespace

class EngineLoaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void moduleLoadsAndItsBrowserShowsAPage();
    void moduleAndProgramShareTheSeam();
    void firstExistingCandidateIsLoaded();
    void failures_data();
    void failures();
    void unknownProgramFolderIsSaid();

private:
    LocalHttpServer m_server;
    QTemporaryDir m_dir;
};

void EngineLoaderTest::initTestCase()
{
    QVERIFY(m_server.listen());
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo(kModule).isFile(), qPrintable(kModule));
}

void EngineLoaderTest::moduleLoadsAndItsBrowserShowsAPage()
{
    m_server.setPage("/home", "<h1>Home</h1>");
    const LoadResult result = load({kModule});
    QVERIFY2(result.engine, qPrintable(result.failure));
    // Made on the loader's thread, handed to this one.
    QCOMPARE(dynamic_cast<QObject*>(result.engine)->thread(), QThread::currentThread());

    // As the window has it: the engine's browser behind the deferred one, signals relayed.
    DeferredBrowser browser;
    QWidget window;
    browser.view()->setParent(&window);
    browser_events::Log log(&browser);
    browser.navigate(m_server.url(QStringLiteral("/home")));
    browser.setEngine(result.engine);
    window.resize(400, 300);
    window.show();
    QVERIFY(waitUntil([&] { return log.events.size() >= 2; }, kTimeout));
    QCOMPARE(log.events, (QStringList{"before " + m_server.url(QStringLiteral("/home")),
                                      "complete " + m_server.url(QStringLiteral("/home"))}));
    QCOMPARE(m_server.pageRequests(), QByteArrayList{"/home"});
}

// One Browser type in the process: the module's browser is one by this side's meta-object, and a
// signal connected here arrives when the module raises it.
void EngineLoaderTest::moduleAndProgramShareTheSeam()
{
    m_server.setPage("/seam", "<p>seam</p>");
    const LoadResult result = load({kModule});
    QVERIFY2(result.engine, qPrintable(result.failure));
    std::unique_ptr<Browser> browser = result.engine->createBrowser();
    QCOMPARE(browser->metaObject()->superClass(), &Browser::staticMetaObject);
    QCOMPARE(qobject_cast<Browser*>(static_cast<QObject*>(browser.get())), browser.get());

    browser_events::Log log(browser.get());
    browser->navigate(m_server.url(QStringLiteral("/seam")));
    QVERIFY(waitUntil([&] { return log.events.size() >= 2; }, kTimeout));
    QCOMPARE(log.events, (QStringList{"before " + m_server.url(QStringLiteral("/seam")),
                                      "complete " + m_server.url(QStringLiteral("/seam"))}));
}

void EngineLoaderTest::firstExistingCandidateIsLoaded()
{
    const LoadResult result =
        load({m_dir.filePath(QStringLiteral("lexivo-webengine.so")), kModule});
    QVERIFY2(result.engine, qPrintable(result.failure));
}

void EngineLoaderTest::failures_data()
{
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("reason");

    const QString notALibrary = m_dir.filePath(QStringLiteral("text.so"));
    QFile text(notALibrary);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a library\n");
    text.close();
    const QString otherPlugin =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/imageformats/libqgif.so");

    QTest::newRow("missing") << "/nonexistent/lexivo-webengine.so"
                             << "lexivo-webengine.so is missing (looked for "
                                "/nonexistent/lexivo-webengine.so)";
    QTest::newRow("not a library")
        << notALibrary
        << "Failed to extract plugin meta data from '" + notALibrary + "': '" + notALibrary +
               "' is not a valid ELF object (file too small)";
    QTest::newRow("a plugin of another kind")
        << otherPlugin << otherPlugin + " is not a browser engine module";

    const QString empty =
        moduleCopy(m_dir, QStringLiteral("empty.so"), [](QByteArray& bytes) { bytes.clear(); });
    QTest::newRow("empty") << empty << "The file '" + empty + "' is not a valid Qt plugin.";
    const QString truncated = moduleCopy(m_dir, QStringLiteral("truncated.so"),
                                         [](QByteArray& bytes) { bytes.truncate(100000); });
    QTest::newRow("truncated")
        << truncated
        << "Failed to extract plugin meta data from '" + truncated + "': '" + truncated +
               "' is not a valid ELF object (a program header entry extends past the end of the "
               "file)";
    // Once crashed the program as it loaded the module.
    const elf_sections::Range code = elf_sections::fileRange(kModule, QStringLiteral(".text"));
    const elf_sections::Range data = elf_sections::fileRange(kModule, QStringLiteral(".rodata"));
    QVERIFY(code.size > 16384 && data.size > 256);
    const QString damaged = moduleCopy(m_dir, QStringLiteral("damaged.so"), [&](QByteArray& bytes) {
        for (qint64 offset : {qint64(0), code.size / 2, code.size - 4096})
            elf_sections::overwrite(bytes, code, offset, 4096);
        elf_sections::overwrite(bytes, data, 0, 256);
    });
    QTest::newRow("damaged code and data")
        << damaged
        << damaged + " is damaged or belongs to another version of the program; install the "
                     "program again";
}

void EngineLoaderTest::failures()
{
    QFETCH(QString, candidate);
    QFETCH(QString, reason);
    const LoadResult result = load({candidate});
    QVERIFY(result.done);
    QCOMPARE(result.engine, nullptr);
    QCOMPARE(result.failure, reason);
}

void EngineLoaderTest::unknownProgramFolderIsSaid()
{
    const LoadResult result = load({});
    QVERIFY(result.done);
    QCOMPARE(result.engine, nullptr);
    QCOMPARE(result.failure, QStringLiteral("lexivo-webengine.so cannot be looked for: the "
                                            "program's folder is unknown"));
}

QTEST_MAIN(EngineLoaderTest)
#include "tst_engine_loader.moc"
