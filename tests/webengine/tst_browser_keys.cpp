// The embedded browser's keys and mouse buttons, through the real QtWebEngine view in the main
// window: history, reload and stop, zoom, and find in page; what the word box keeps.
#include "browser_window.h"
#include "core/interval_timer.h"
#include "dialogs/options_dialog.h"
#include "wait_until.h"
#include "webengine/browser_actions.h"
#include "webengine/find_bar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>
#include <QWheelEvent>

using page_driver::kTimeout;

namespace {

using page_driver::linkPage;

} // namespace

class BrowserKeysTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void historyKeysAndMouseButtons();
    void keysInTheWordBoxKeepTheirMeaning();
    void reloadKeys();
    void escapeStopsALoad_data();
    void escapeStopsALoad();
    void escapeIsThePagesWhileNothingLoads();
    void zoomKeysStepAndClamp();
    void zoomStaysAcrossPages();
    void controlWheelZoomsInSteps();
    void findInPage();
    void findBadInput();

private:
    // Follows the link at the top left of the page with the "mouse" or the "keyboard", or by a
    // "script" once the keyboard has put the focus on it.
    void followLink(const QString& how);

    LocalHttpServer m_server;
    BrowserWindow m_window{m_server};
};

void BrowserKeysTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/words", BrowserWindow::wordsPage());
    m_server.setPage("/English?w=Apple", BrowserWindow::wordsPage());
    m_server.setPage("/slow", LocalHttpServer::defaultPage("/slow"), 8000);
    m_server.setPage("/slow?w=Apple", LocalHttpServer::defaultPage("/slow"), 8000);
    LocalHttpServer::Response lateBody;
    lateBody.body = LocalHttpServer::defaultPage("/late-body");
    lateBody.bodyDelayMs = 8000;
    m_server.setResponse("/late-body", lateBody);
    // Each case its own address: a request another case left behind holds up none of its own.
    m_server.setResponse("/late-body?keyboard", lateBody);
    m_server.setPage("/link-slow", linkPage("/slow"));
    m_server.setPage("/link-late", linkPage("/late-body"));
    m_server.setPage("/link-late-keyboard", linkPage("/late-body?keyboard"));
    // Another site: its page is shown by another renderer, whose widget takes the focus.
    m_server.setPage(
        "/link-other",
        linkPage(m_server.url("/late-body").replace("127.0.0.1", "localhost").toUtf8()));
    m_server.setPage("/top-link-slow", linkPage("/slow", "_top"));
    m_server.setPage("/framed-link", "<!DOCTYPE html><html><body style='margin:0'><iframe "
                                     "src='/top-link-slow' style='border:0; width:400px; "
                                     "height:200px'></iframe></body></html>");
}

void BrowserKeysTest::init()
{
    QVERIFY(m_window.start(m_server.url("/words"), m_server.url("/English?w=%word")));
    QVERIFY(m_window.waitForComplete(m_server.url("/words")));
}

void BrowserKeysTest::cleanup()
{
    QVERIFY(m_window.stop());
    m_server.clearRequests();
}

void BrowserKeysTest::followLink(const QString& how)
{
    if (how != "mouse") {
        // Tab to the link, in the page or its frame, as a keyboard user does. Keys reach the page
        // out of step with scripts: one Tab, then wait for the focus to arrive before another (a
        // second Tab on its way would move the focus past the link, out of the page).
        const QString link = "(frames[0] || window).document.getElementById('x')";
        const auto linkFocused = [&] {
            return m_window.evaluate(link + " === (frames[0] || window).document.activeElement")
                .toBool();
        };
        for (int tabs = 0; tabs < 5 && !linkFocused(); ++tabs) {
            if (!m_window.view()->isAncestorOf(QApplication::focusWidget()))
                QVERIFY(m_window.focusPage());
            m_window.key(Qt::Key_Tab);
            waitUntil(linkFocused, 3 * page_driver::kQuietPeriod);
        }
        QVERIFY(linkFocused());
        // In a frame the engine does not always take Enter for the link: a script clicks it.
        if (how == "keyboard")
            m_window.key(Qt::Key_Return);
        else
            m_window.evaluate(link + ".click()");
        return;
    }
    QVERIFY(page_driver::click(m_window.view()));
}

void BrowserKeysTest::historyKeysAndMouseButtons()
{
    const QString home = m_server.url("/words");
    const QString result = m_server.url("/English?w=Apple");
    m_window.lookUp("cmdEn2En", "Apple");
    QVERIFY(m_window.waitForComplete(result));
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_Left, Qt::AltModifier);
    QVERIFY(m_window.waitForComplete(home, 2));
    QCOMPARE(m_window.view()->url().toString(), home);
    m_window.key(Qt::Key_Right, Qt::AltModifier);
    QVERIFY(m_window.waitForComplete(result, 2));
    QCOMPARE(m_window.before.count(result), 2); // reported as any navigation

    QTest::mouseClick(m_window.content(), Qt::BackButton, {}, QPoint(50, 50));
    QVERIFY(m_window.waitForComplete(home, 3));
    QTest::mouseClick(m_window.content(), Qt::ForwardButton, {}, QPoint(50, 50));
    QVERIFY(m_window.waitForComplete(result, 3));
}

void BrowserKeysTest::keysInTheWordBoxKeepTheirMeaning()
{
    m_window.lookUp("cmdEn2En", "Apple");
    QVERIFY(m_window.waitForComplete(m_server.url("/English?w=Apple")));
    auto* word = m_window.window->findChild<QLineEdit*>("txtWord");
    word->setFocus();
    QTRY_VERIFY(word->hasFocus());
    const int before = m_window.before.size();
    m_window.key(Qt::Key_Left, Qt::AltModifier);
    m_window.key(Qt::Key_F5);
    m_window.key(Qt::Key_F, Qt::ControlModifier);
    m_window.key(Qt::Key_Plus, Qt::ControlModifier);
    m_window.key(Qt::Key_Backspace);
    QTest::qWait(page_driver::kQuietPeriod); // nothing starts
    QCOMPARE(m_window.before.size(), before);
    QCOMPARE(word->text(), QString("Appl"));
    QVERIFY(m_window.part<FindBar>()->isHidden());
    QCOMPARE(m_window.part<BrowserActions>()->zoomPercent(), 100);
    // A lookup button has the focus: the keys work.
    m_window.window->findChild<QPushButton*>("cmdEn2Ch")->setFocus();
    m_window.key(Qt::Key_F5);
    QVERIFY(m_window.waitForComplete(m_server.url("/English?w=Apple"), 2));
}

void BrowserKeysTest::reloadKeys()
{
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_F5);
    QVERIFY(waitUntil([&] { return m_server.requestCount("/words") == 1; }, kTimeout));
    QVERIFY(m_window.waitForComplete(m_server.url("/words"), 2));
    m_window.key(Qt::Key_R, Qt::ControlModifier);
    QVERIFY(waitUntil([&] { return m_server.requestCount("/words") == 2; }, kTimeout));
    QVERIFY(m_window.waitForComplete(m_server.url("/words"), 3));
}

void BrowserKeysTest::escapeStopsALoad_data()
{
    QTest::addColumn<QString>("start"); // the page and how its link is followed, or a lookup
    QTest::addColumn<QString>("url");   // of the page that would arrive seconds later
    QTest::addColumn<QString>("focus"); // where Escape is pressed
    // At once: before the engine has heard of the navigation (it is not even loading yet).
    QTest::addColumn<bool>("atOnce");
    const QString lookUp = QStringLiteral("lookup");
    const QString slow = m_server.url("/slow");
    const QString lateBody = m_server.url("/late-body");
    const QString lookedUp = m_server.url("/slow?w=Apple");
    const QString page = QStringLiteral("page");
    QTest::newRow("link, mouse") << "/link-slow mouse" << slow << page << false;
    QTest::newRow("link, keyboard") << "/link-slow keyboard" << slow << page << false;
    QTest::newRow("link, mouse, at once") << "/link-slow mouse" << slow << page << true;
    QTest::newRow("link, keyboard, at once") << "/link-slow keyboard" << slow << page << true;
    QTest::newRow("link, mouse, body late") << "/link-late mouse" << lateBody << page << false;
    QTest::newRow("link, keyboard, body late")
        << "/link-late-keyboard keyboard" << m_server.url("/late-body?keyboard") << page << false;
    QTest::newRow("link to another site, body late")
        << "/link-other mouse" << QString(lateBody).replace("127.0.0.1", "localhost") << page
        << false;
    QTest::newRow("link in a frame") << "/framed-link script" << slow << page << false;
    QTest::newRow("lookup, word box") << lookUp << lookedUp << "txtWord" << false;
    QTest::newRow("lookup, button") << lookUp << lookedUp << "cmdEn2En" << false;
    QTest::newRow("lookup, word box, at once") << lookUp << lookedUp << "txtWord" << true;
}

// Whatever has the focus, the page that would arrive seconds later is stopped: the old page
// stays, or the part of the new one that has come.
void BrowserKeysTest::escapeStopsALoad()
{
    QFETCH(QString, start);
    QFETCH(QString, url);
    QFETCH(QString, focus);
    QFETCH(bool, atOnce);
    const QStringList how = start.split(' ');
    const QString shown = how[0] == "lookup" ? m_server.url("/words") : m_server.url(how[0]);
    if (how[0] == "lookup") {
        m_window.window->options()
            ->field(QueryKey::English)
            ->setText(m_server.url("/slow?w=%word"));
        m_window.window->findChild<QWidget*>(focus)->setFocus();
        m_window.lookUp("cmdEn2En", "Apple");
    } else {
        QVERIFY(m_window.loadPage(how[0]));
        QVERIFY(m_window.focusPage());
        followLink(how[1]);
    }
    if (!atOnce) {
        const QByteArray target = QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        QVERIFY2(waitUntil([&] { return m_server.requestCount(target) == 1; }, kTimeout),
                 qPrintable(QString::number(m_server.requestCount(target)) + " requests"));
        // A late body's header has come: the view shows the new page's address.
        if (url.contains("late-body"))
            QVERIFY(waitUntil([&] { return m_window.view()->url().toString() == url; }, kTimeout));
        QVERIFY(m_window.status().startsWith("Going to "));
    }
    QWidget* focused = QApplication::focusWidget();
    QCOMPARE(m_window.view()->isAncestorOf(focused) ? QStringLiteral("page")
                                                    : focused->objectName(),
             focus);

    m_window.key(Qt::Key_Escape);

    // The navigation has ended: the old page stays, or the part of the new one that has come,
    // never the page the server sends seconds later (titled with its path).
    QVERIFY2(waitUntil(
                 [&] {
                     return m_window.completed.contains(url) && m_window.status().isEmpty() &&
                            !m_window.window->dotTimer()->isEnabled();
                 },
                 kTimeout),
             qPrintable(m_window.status() + " at " + m_window.view()->url().toString()));
    QVERIFY2(!m_window.view()->title().startsWith(QUrl(url).path()),
             qPrintable(m_window.view()->title()));
    if (atOnce)
        QCOMPARE(m_window.view()->url().toString(), shown);
}

void BrowserKeysTest::escapeIsThePagesWhileNothingLoads()
{
    QVERIFY(m_window.focusPage());
    m_window.evaluate("document.getElementById('i').focus()");
    const int before = m_window.before.size();
    m_window.key(Qt::Key_Escape);
    QVERIFY(waitUntil([&] { return m_window.evaluate("window.escapes").toInt() == 1; }, kTimeout));
    QCOMPARE(m_window.before.size(), before);
}

void BrowserKeysTest::zoomKeysStepAndClamp()
{
    const QRect geometry = m_window.view()->geometry();
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 110);
    QTRY_COMPARE(m_window.view()->zoomFactor(), 1.1);
    m_window.key(Qt::Key_Minus, Qt::ControlModifier);
    m_window.key(Qt::Key_Minus, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 90);
    m_window.key(Qt::Key_0, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 100);
    for (int i = 0; i < 100; ++i)
        m_window.key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 500);
    QTRY_COMPARE(m_window.view()->zoomFactor(), 5.0);
    for (int i = 0; i < 100; ++i)
        m_window.key(Qt::Key_Minus, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 25);
    QTRY_COMPARE(m_window.view()->zoomFactor(), 0.25);
    QCOMPARE(m_window.view()->geometry(), geometry);
    QCOMPARE(m_window.status(), QString());
}

void BrowserKeysTest::zoomStaysAcrossPages()
{
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_Plus, Qt::ControlModifier);
    m_window.key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(m_window.part<BrowserActions>()->zoomPercent(), 125);
    m_window.lookUp("cmdEn2Ch", "Apple");
    QVERIFY(m_window.waitForComplete(m_server.url("/Chinese?w=Apple")));
    QTRY_COMPARE(m_window.view()->zoomFactor(), 1.25);
    m_window.browser->navigate("about:blank");
    QVERIFY(m_window.waitForComplete("about:blank"));
    QTRY_COMPARE(m_window.view()->zoomFactor(), 1.25);
}

void BrowserKeysTest::controlWheelZoomsInSteps()
{
    QVERIFY(m_window.focusPage());
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 50), m_window.content()->mapToGlobal(QPointF(50, 50)),
                          QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_window.content(), &event);
    };
    wheel(120);
    QCOMPARE(m_window.part<BrowserActions>()->zoomPercent(), 110);
    wheel(-120);
    wheel(-120);
    QCOMPARE(m_window.part<BrowserActions>()->zoomPercent(), 90);
    wheel(-60); // half a notch: not yet
    QCOMPARE(m_window.part<BrowserActions>()->zoomPercent(), 90);
    wheel(-60);
    QCOMPARE(m_window.part<BrowserActions>()->zoomPercent(), 80);
    QTRY_COMPARE(m_window.view()->zoomFactor(), 0.8);
}

void BrowserKeysTest::findInPage()
{
    const QRect geometry = m_window.view()->geometry();
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = m_window.part<FindBar>();
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->edit()->hasFocus());
    QVERIFY(m_window.view()->rect().contains(bar->geometry()));
    QTest::keyClicks(bar->edit(), "apple");
    QTRY_COMPARE(bar->resultText(), QString("1 of 4"));
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    QTRY_COMPARE(bar->resultText(), QString("2 of 4"));
    QTest::keyClick(bar->edit(), Qt::Key_F3);
    QTRY_COMPARE(bar->resultText(), QString("3 of 4"));
    QTest::keyClick(bar->edit(), Qt::Key_Return, Qt::ShiftModifier);
    QTRY_COMPARE(bar->resultText(), QString("2 of 4"));
    QTest::keyClick(bar->edit(), Qt::Key_F3, Qt::ShiftModifier);
    QTRY_COMPARE(bar->resultText(), QString("1 of 4"));
    QTest::keyClicks(bar->edit(), "zzz");
    QTRY_COMPARE(bar->resultText(), QString("Not found"));
    QTest::keyClick(bar->edit(), Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QTRY_VERIFY(m_window.content()->hasFocus());
    QCOMPARE(m_window.view()->geometry(), geometry);
    QCOMPARE(m_window.window->findChild<QLineEdit*>("txtWord")->geometry().top() >= 0, true);
    QCOMPARE(m_window.status(), QString());
}

void BrowserKeysTest::findBadInput()
{
    QVERIFY(m_window.focusPage());
    FindBar* bar = m_window.part<FindBar>();
    for (int i = 0; i < 20; ++i) {
        m_window.key(Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(bar->isVisible());
        m_window.key(Qt::Key_Escape); // in the find box
        QVERIFY(bar->isHidden());
        QTRY_VERIFY(m_window.content()->hasFocus());
    }
    m_window.key(Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(bar->isVisible());
    bar->edit()->setText(QString(10000, 'q'));
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(bar->resultText(), QString("Not found"), kTimeout);
    QTest::keyClick(bar->edit(), Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QCOMPARE(m_window.status(), QString());
}

LEXIVO_BROWSER_TEST_MAIN(BrowserKeysTest)
#include "tst_browser_keys.moc"
