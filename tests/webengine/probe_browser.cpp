#include "probe_browser.h"

#include "page_driver.h"
#include "wait_until.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

const QByteArray kProbePage = R"(<!DOCTYPE html><html><head><title>probe</title></head><body>
<div id='pad' style='position:absolute; left:0; top:0; width:300px; height:100px'>pad</div>
<a id='download' href='/payload.txt' download='word.txt'>download</a>
<a id='attachment' href='/attachment'>attachment</a>
<a id='blank' href='/popup' target='_blank'>new window</a>
<script>
window.outcome = '';
function report(text) { window.outcome = text; document.title = text; }
function media(constraints) {
    navigator.mediaDevices.getUserMedia(constraints).then(
        function() { report('granted'); }, function(e) { report('rejected ' + e.name); });
}
const pad = document.getElementById('pad');
const probes = {
    location: function() {
        navigator.geolocation.getCurrentPosition(
            function() { report('granted'); }, function(e) { report('error ' + e.code); });
    },
    notifications: function() {
        Notification.requestPermission().then(
            function(p) { report(p); }, function(e) { report('rejected ' + e.name); });
    },
    camera: function() { media({video: true}); },
    microphone: function() { media({audio: true}); },
    cameraAndMicrophone: function() { media({video: true, audio: true}); },
    desktop: function() {
        navigator.mediaDevices.getDisplayMedia({video: true}).then(
            function() { report('granted'); }, function(e) { report('rejected ' + e.name); });
    },
    pointerLock: function() {
        document.addEventListener('pointerlockchange', function() {
            report(document.pointerLockElement ? 'granted' : 'released');
        });
        document.addEventListener('pointerlockerror', function() { report('error'); });
        // Newer engines also return a promise, which the error event already covers.
        const promise = pad.requestPointerLock();
        if (promise)
            promise.catch(function() {});
    },
    quota: function() {
        navigator.webkitPersistentStorage.requestQuota(1048576,
            function(granted) { report('quota ' + granted); },
            function(e) { report('error ' + e.name); });
    },
    openFile: function() {
        window.showOpenFilePicker().then(
            function() { report('granted'); }, function(e) { report('rejected ' + e.name); });
    },
    saveFile: function() {
        window.showSaveFilePicker().then(
            function() { report('granted'); }, function(e) { report('rejected ' + e.name); });
    },
    fileInput: function() {
        const input = document.createElement('input');
        input.type = 'file';
        input.addEventListener('change', function() { report('chosen'); });
        input.click();
    },
    protocolHandler: function() {
        navigator.registerProtocolHandler('web+lexivo', location.origin + '/handler?q=%s');
        report('asked');
    },
    open: function() { window.open('/popup'); report('asked'); },
    blank: function() { document.getElementById('blank').click(); report('asked'); },
    stay: function() {
        window.addEventListener('beforeunload', function(e) {
            e.preventDefault();
            e.returnValue = 'stay';
        });
        report('staying');
    },
    fullScreen: function() {
        document.addEventListener('fullscreenchange', function() {
            report(document.fullscreenElement ? 'granted' : 'left');
        });
        pad.requestFullscreen().then(
            function() { report('granted'); }, function(e) { report('rejected ' + e.name); });
    },
};
pad.addEventListener('click', function() { probes[window.probe](); });
document.addEventListener('mousemove', function() { window.mouseSeen = true; });
</script></body></html>)";

} // namespace

QByteArray ProbeBrowser::probePage()
{
    return kProbePage;
}

QByteArray ProbeBrowser::scriptPage(const QByteArray& script)
{
    return "<!DOCTYPE html><html><head><title>script</title></head><body>"
           "<iframe id='frame'></iframe><script>\n"
           "window.outcome = '';\n"
           "function report(text) { window.outcome = text; }\n" +
           script + "\n</script></body></html>";
}

ProbeBrowser::ProbeBrowser() : browser(std::make_unique<WebEngineBrowser>())
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("WebEnginePage still not deleted")));
    page()->profile()->setDownloadPath(downloads.path());
    connect(browser.get(), &Browser::documentComplete, this,
            [this](const QString& url) { completed.append(url); });
    connect(browser.get(), &WebEngineBrowser::newWindowRefused, this, [this] { ++newWindows; });
    m_dialogWatch.setInterval(100);
    connect(&m_dialogWatch, &QTimer::timeout, this, [this] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialogs.append(QString::fromLatin1(dialog->metaObject()->className()));
            dialog->close();
        }
    });
    m_dialogWatch.start();
}

ProbeBrowser::~ProbeBrowser() = default;

bool ProbeBrowser::show()
{
    browser->view()->resize(400, 300);
    browser->view()->show();
    if (!QTest::qWaitForWindowExposed(browser->view()))
        return false;
    browser->view()->activateWindow(); // with no window manager nobody else activates it
    return QTest::qWaitForWindowActive(browser->view());
}

void ProbeBrowser::finish(std::unique_ptr<ProbeBrowser>& probe)
{
    if (!QTest::currentTestFailed())
        QCOMPARE(probe->dialogs, QStringList());
    probe.reset();
    // The view's content widget goes with a deferred delete.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QWebEnginePage* ProbeBrowser::page() const
{
    return browser->webView()->page();
}

bool ProbeBrowser::load(const QString& url)
{
    browser->navigate(url);
    const bool loaded = waitUntil([&] { return completed.contains(url); }, page_driver::kTimeout);
    completed.clear();
    return loaded;
}

QVariant ProbeBrowser::evaluate(const QString& script)
{
    return page_driver::evaluate(page(), script);
}

QString ProbeBrowser::outcome()
{
    QString result;
    waitUntil(
        [&] {
            result = evaluate(QStringLiteral("window.outcome")).toString();
            return !result.isEmpty();
        },
        page_driver::kTimeout);
    return result;
}

bool ProbeBrowser::clickPad()
{
    return page_driver::click(browser->webView());
}
