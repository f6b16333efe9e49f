// What a page shown in WebEngineBrowser asks for and does not get: files saved, new windows,
// devices, location, notifications, pointer lock, full screen, storage quota, file pickers, the
// handling of a scheme. Pages are served from 127.0.0.1; nothing may show a dialog.
#include "local_http_server.h"
#include "page_driver.h"
#include "probe_browser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

using page_driver::kQuietPeriod;
using page_driver::kTimeout;

using page_driver::waitUntil;

} // namespace

class PageRefusalsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void downloadIsCancelled_data();
    void downloadIsCancelled();
    void otherProfilesDownloadsAreLeftAlone();
    void newWindowIsRefused_data();
    void newWindowIsRefused();
    void scriptedWindowOpenFailsAtOnce();
    void permissionIsDenied_data();
    void permissionIsDenied();
    void protocolHandlerIsRefused();

public Q_SLOTS:
    // Receives what the engine hands to the desktop for a scheme no site handles.
    void openedExternally(const QUrl& url) { m_openedExternally.append(url.toString()); }

private:
    LocalHttpServer m_server;
    std::unique_ptr<ProbeBrowser> m_probe;
    QStringList m_openedExternally;
};

void PageRefusalsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/probe", ProbeBrowser::probePage());
    LocalHttpServer::Response text;
    text.contentType = "text/plain";
    text.body = "a word\n";
    m_server.setResponse("/payload.txt", text);
    LocalHttpServer::Response attachment = text;
    attachment.headers.append(std::make_pair(QByteArray("Content-Disposition"),
                                             QByteArray("attachment; filename=word.txt")));
    m_server.setResponse("/attachment", attachment);
}

void PageRefusalsTest::init()
{
    m_server.clearRequests();
    m_probe = std::make_unique<ProbeBrowser>();
    QVERIFY(m_probe->show());
}

void PageRefusalsTest::cleanup()
{
    ProbeBrowser::finish(m_probe);
}

void PageRefusalsTest::downloadIsCancelled_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("download link")
        << "document.getElementById('download').click()" << QByteArray("/payload.txt");
    QTest::newRow("attachment link")
        << "document.getElementById('attachment').click()" << QByteArray("/attachment");
    QTest::newRow("attachment by script")
        << "location.href = '/attachment'" << QByteArray("/attachment");
}

void PageRefusalsTest::downloadIsCancelled()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, target);
    QVERIFY(m_probe->load(m_server.url("/probe")));
    const int windowsBefore = QApplication::topLevelWidgets().size();
    // Connected after the browser, so this sees each download once the browser has handled it.
    QObject watch;
    QStringList urls;
    QList<QWebEngineDownloadRequest::DownloadState> statesSeen;
    QPointer<QWebEngineDownloadRequest> download;
    connect(m_probe->page()->profile(), &QWebEngineProfile::downloadRequested, &watch,
            [&](QWebEngineDownloadRequest* request) {
                urls.append(request->url().toString());
                statesSeen.append(request->state());
                download = request;
            });

    m_probe->page()->runJavaScript(how);

    QTRY_COMPARE_WITH_TIMEOUT(urls.size(), 1, kTimeout);
    QCOMPARE(urls, QStringList({m_server.url(QString::fromLatin1(target))}));
    QCOMPARE(statesSeen, {QWebEngineDownloadRequest::DownloadCancelled});
    // Nothing is written afterwards either, not even a partial file.
    QTest::qWait(kQuietPeriod);
    QCOMPARE(urls.size(), 1);
    if (download) // the engine may have let it go by now
        QCOMPARE(download->state(), QWebEngineDownloadRequest::DownloadCancelled);
    QCOMPARE(QDir(m_probe->downloads.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    QCOMPARE(m_probe->dialogs, QStringList());
    // The page stays as it was.
    QCOMPARE(m_probe->browser->webView()->url().toString(), m_server.url("/probe"));
    QCOMPARE(m_probe->evaluate(QStringLiteral("document.getElementById('pad') !== null")),
             QVariant(true));
}

void PageRefusalsTest::otherProfilesDownloadsAreLeftAlone()
{
    // Another page of the process, on the default profile, decides about its own downloads.
    QWebEngineView other;
    QTemporaryDir otherDownloads;
    QVERIFY(otherDownloads.isValid());
    QWebEngineProfile* profile = other.page()->profile();
    profile->setDownloadPath(otherDownloads.path());
    QObject watch; // the default profile outlives this test
    std::optional<QWebEngineDownloadRequest::DownloadState> stateSeen;
    connect(profile, &QWebEngineProfile::downloadRequested, &watch,
            [&](QWebEngineDownloadRequest* download) {
                stateSeen = download->state();
                download->cancel();
            });
    bool loaded = false;
    connect(&other, &QWebEngineView::loadFinished, &watch, [&](bool ok) { loaded = ok; });
    other.load(QUrl(m_server.url("/probe")));
    QVERIFY(waitUntil([&] { return loaded; }));

    other.page()->runJavaScript(QStringLiteral("document.getElementById('download').click()"));

    QTRY_VERIFY_WITH_TIMEOUT(stateSeen.has_value(), kTimeout);
    QCOMPARE(*stateSeen, QWebEngineDownloadRequest::DownloadRequested);
}

void PageRefusalsTest::scriptedWindowOpenFailsAtOnce()
{
    QVERIFY(m_probe->load(m_server.url("/probe")));
    const QList<QWidget*> windowsBefore = QApplication::topLevelWidgets();

    // Each refused window used to cost the engine 10-20 ms, and return a window object. Each call
    // waits for this thread, so it runs an event loop that wakes at once (qWait sleeps in between).
    QEventLoop loop;
    QTimer::singleShot(kTimeout, &loop, &QEventLoop::quit);
    QVariant result;
    m_probe->page()->runJavaScript(
        QStringLiteral(
            "(function() {\n"
            "    const start = performance.now();\n"
            "    let opened = 0;\n"
            "    for (let i = 0; i < 200; ++i) if (window.open('/popup') !== null) ++opened;\n"
            "    const fast = performance.now() - start < 1000;\n"
            "    return opened + (fast ? ' within 1 s' : ' over 1 s');\n"
            "})()"),
        [&](const QVariant& value) {
            result = value;
            loop.quit();
        });
    loop.exec();

    QCOMPARE(result.toString(), QStringLiteral("0 within 1 s"));
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_probe->newWindows, 0);
    QCOMPARE(QApplication::topLevelWidgets(), windowsBefore);
    QCOMPARE(m_server.requestCount("/popup"), 0);
}

void PageRefusalsTest::permissionIsDenied_data()
{
    QTest::addColumn<QString>("probe");
    // What the page learns; empty when it gets no answer at all.
    QTest::addColumn<QString>("outcome");
    // The permission the page must have asked for: the outcome is then the engine's answer to a
    // refusal, not the absence of a device or a missing feature.
    QTest::addColumn<int>("feature");
    // A setting the browser leaves off, turned on to check that the request itself is refused.
    QTest::addColumn<int>("setting");

    const int none = -1;
    QTest::newRow("location") << "location"
                              << "error 1" << int(QWebEnginePage::Geolocation) << none;
    QTest::newRow("notifications") << "notifications"
                                   << "denied" << int(QWebEnginePage::Notifications) << none;
    QTest::newRow("camera") << "camera"
                            << "rejected NotAllowedError" << int(QWebEnginePage::MediaVideoCapture)
                            << none;
    QTest::newRow("microphone") << "microphone"
                                << "rejected NotAllowedError"
                                << int(QWebEnginePage::MediaAudioCapture) << none;
    QTest::newRow("camera and microphone")
        << "cameraAndMicrophone"
        << "rejected NotAllowedError" << int(QWebEnginePage::MediaAudioVideoCapture) << none;
    QTest::newRow("desktop capture, allowed by settings")
        << "desktop"
        << "rejected NotAllowedError" << int(QWebEnginePage::DesktopVideoCapture)
        << int(QWebEngineSettings::ScreenCaptureEnabled);
    QTest::newRow("pointer lock") << "pointerLock"
                                  << "error" << int(QWebEnginePage::MouseLock) << none;
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0) // later engines no longer ask for host quota
    QTest::newRow("persistent storage quota") << "quota"
                                              << "quota 0" << none << none;
#endif
    // Choosing a file would let the page read it, or write it in place of a download.
    QTest::newRow("open file picker") << "openFile"
                                      << "rejected AbortError" << none << none;
    QTest::newRow("save file picker") << "saveFile"
                                      << "rejected AbortError" << none << none;
    QTest::newRow("file input") << "fileInput" << QString() << none << none;
    QTest::newRow("full screen") << "fullScreen"
                                 << "rejected TypeError" << none << none;
    // Refused, the engine leaves the page's request unanswered.
    QTest::newRow("full screen, allowed by settings")
        << "fullScreen" << QString() << none << int(QWebEngineSettings::FullScreenSupportEnabled);
}

void PageRefusalsTest::permissionIsDenied()
{
    QFETCH(QString, probe);
    QFETCH(QString, outcome);
    QFETCH(int, feature);
    QFETCH(int, setting);
    if (setting >= 0)
        m_probe->page()->settings()->setAttribute(QWebEngineSettings::WebAttribute(setting), true);
    QObject watch;
    QList<int> asked;
    connect(m_probe->page(), &QWebEnginePage::featurePermissionRequested, &watch,
            [&](const QUrl&, QWebEnginePage::Feature f) { asked.append(int(f)); });
    int fullScreenAsked = 0;
    connect(m_probe->page(), &QWebEnginePage::fullScreenRequested, &watch,
            [&](QWebEngineFullScreenRequest request) {
                if (request.toggleOn())
                    ++fullScreenAsked;
            });
    QVERIFY(m_probe->load(m_server.url("/probe")));
    const QList<QWidget*> windowsBefore = QApplication::topLevelWidgets();
    QVERIFY(m_probe->evaluate(QStringLiteral("window.probe = '%1'").arg(probe)).isValid());

    QVERIFY(m_probe->clickPad());

    QString result;
    if (outcome.isEmpty()) {
        // The page is never answered: it can only be seen not to have what it asked for.
        QTest::qWait(2 * kQuietPeriod);
        result = m_probe->evaluate(QStringLiteral("window.outcome")).toString();
    } else {
        QVERIFY(waitUntil([&] {
            result = m_probe->evaluate(QStringLiteral("window.outcome")).toString();
            return !result.isEmpty();
        }));
    }
    QCOMPARE(result, outcome);
    QCOMPARE(asked, feature >= 0 ? QList<int>({feature}) : QList<int>());
    QCOMPARE(m_probe->evaluate(QStringLiteral("document.fullscreenElement === null")),
             QVariant(true));
    QCOMPARE(m_probe->evaluate(QStringLiteral("document.pointerLockElement === null")),
             QVariant(true));
    if (setting == int(QWebEngineSettings::FullScreenSupportEnabled))
        QCOMPARE(fullScreenAsked, 1);
    // Refused without a word to the user.
    QCOMPARE(QApplication::topLevelWidgets(), windowsBefore);
    QCOMPARE(m_probe->dialogs, QStringList());
}

void PageRefusalsTest::protocolHandlerIsRefused()
{
    // Had the site become the handler of its scheme, a link to the scheme would lead back to it.
    // The engine hands a scheme nobody handles to the desktop: caught here, so nothing starts.
    QDesktopServices::setUrlHandler(QStringLiteral("web+lexivo"), this, "openedExternally");
    const auto unset =
        qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("web+lexivo")); });
    QObject watch;
    int asked = 0;
    connect(m_probe->page(), &QWebEnginePage::registerProtocolHandlerRequested, &watch,
            [&](QWebEngineRegisterProtocolHandlerRequest) { ++asked; });
    QVERIFY(m_probe->load(m_server.url("/probe")));
    QVERIFY(m_probe->evaluate(QStringLiteral("window.probe = 'protocolHandler'")).isValid());
    QVERIFY(m_probe->clickPad());
    QTRY_COMPARE_WITH_TIMEOUT(asked, 1, kTimeout);
    m_server.clearRequests();

    m_probe->page()->runJavaScript(QStringLiteral("location.href = 'web+lexivo:apple'"));

    // Either outcome shows within moments; watching longer only delays a pass.
    waitUntil([&] { return !m_openedExternally.isEmpty() || !m_server.pageRequests().isEmpty(); },
              2 * kQuietPeriod);
    QCOMPARE(m_server.pageRequests(), QByteArrayList());
    QCOMPARE(m_probe->browser->webView()->url().toString(), m_server.url("/probe"));
}

void PageRefusalsTest::newWindowIsRefused_data()
{
    QTest::addColumn<QString>("how"); // a script, or the probe a click runs
    QTest::addColumn<bool>("onClick");
    // How often newWindowRefused is raised: a script acting on its own is refused by the engine
    // before the browser is asked; on a click, the browser is asked.
    QTest::addColumn<int>("asked");
    QTest::newRow("window.open") << "window.open('/popup')" << false << 0;
    QTest::newRow("target _blank") << "document.getElementById('blank').click()" << false << 0;
    QTest::newRow("window.open on a click") << "open" << true << 1;
    QTest::newRow("target _blank on a click") << "blank" << true << 1;
}

void PageRefusalsTest::newWindowIsRefused()
{
    QFETCH(QString, how);
    QFETCH(bool, onClick);
    QFETCH(int, asked);
    QVERIFY(m_probe->load(m_server.url("/probe")));
    const QList<QWidget*> windowsBefore = QApplication::topLevelWidgets();
    QSignalSpy starting(m_probe->browser.get(), &Browser::navigationStarting);

    if (onClick) {
        QVERIFY(m_probe->evaluate(QStringLiteral("window.probe = '%1'").arg(how)).isValid());
        QVERIFY(m_probe->clickPad());
        QCOMPARE(m_probe->outcome(), QStringLiteral("asked"));
    } else {
        m_probe->page()->runJavaScript(how);
    }

    if (asked > 0)
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->newWindows, asked, kTimeout);
    QTest::qWait(kQuietPeriod);
    QCOMPARE(m_probe->newWindows, asked);
    QCOMPARE(QApplication::topLevelWidgets(), windowsBefore);
    QCOMPARE(starting.size(), 0);
    QCOMPARE(m_server.requestCount("/popup"), 0);
    QCOMPARE(m_probe->browser->webView()->url().toString(), m_server.url("/probe"));
}

int main(int argc, char** argv)
{
    // A stand-in camera and microphone: without devices the engine turns getUserMedia down before
    // it asks for permission, and the browser's refusal would go untested.
    page_driver::prepareProcess("--use-fake-device-for-media-stream");
    QApplication app(argc, argv);
    PageRefusalsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_page_refusals.moc"
