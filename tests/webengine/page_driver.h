#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QVariant>

#include <functional>

class QWebEnginePage;
class QWebEngineView;

// What a test does in a page shown by the real engine, waiting as long as a loaded machine may
// take (every wait processes events, so the engine goes on meanwhile).
namespace page_driver {

// A first page under Xvfb takes about a second; a loaded machine may take much longer.
constexpr int kTimeout = 20000;
// How long to watch for something that must not happen (a window, a request, an event).
constexpr int kQuietPeriod = 1000;

// A page whose link "x" fills its top left, so that click() lands on it; the page notes when
// the mouse has moved over it (in a frame, so does the page around it).
QByteArray linkPage(const QByteArray& href, const QByteArray& target = "_self");

// Waits, processing events, until done() holds or the timeout passes.
bool waitUntil(const std::function<bool()>& done, int timeout = kTimeout);

// The value of a script expression in the page, or an invalid QVariant on time-out.
QVariant evaluate(QWebEnginePage* page, const QString& script);
// The page's text, or an empty string on time-out.
QString text(QWebEnginePage* page);
// Clicks the page at `at` with the mouse. Until a freshly loaded page is drawn the engine drops
// mouse input: the mouse moves over the spot until the page has seen it (its script sets
// window.mouseSeen on a mousemove), then clicks. False when the page never saw the mouse.
bool click(QWebEngineView* view, QPoint at = QPoint(50, 30));

} // namespace page_driver

namespace page_driver {

// Before the application object starts the engine: no host name but 127.0.0.1 and localhost
// (which the engine resolves itself) reaches the system's resolver; the others fail inside the
// engine, also when a suite is run by hand. extraFlags go to the engine as well.
void prepareProcess(const QByteArray& extraFlags = QByteArray());

} // namespace page_driver

// The main() of a suite against the real engine.
#define LEXIVO_BROWSER_TEST_MAIN(TestObject)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        page_driver::prepareProcess();                                                             \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
