// The browser the window holds while the engine is loaded: what it keeps, when it starts the
// engine, what it relays, and what it says when there is no engine.

#include "browser/deferred_browser.h"
#include "browser_events.h"
#include "fake_browser.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// One navigation asked of the browser: an address and its lookup caption.
struct Call
{
    QString address;
    QString lookupCaption;
};

using Calls = QList<Call>;

void apply(Browser& browser, const Calls& calls)
{
    for (const Call& call : calls)
        browser.navigate(call.address, call.lookupCaption);
}

// The browser's area shown in a window of its own, so that it paints.
class ShownArea
{
public:
    explicit ShownArea(DeferredBrowser& browser)
    {
        browser.view()->setParent(&m_window);
        m_window.resize(400, 300);
        browser.view()->resize(400, 300);
        m_window.show();
    }

    bool waitPainted() { return QTest::qWaitForWindowExposed(&m_window); }

private:
    QWidget m_window;
};

// A deferred browser in a shown window, with an engine of fakes to start.
struct PaintedBrowser
{
    // Waits for the paint, gives the engine and returns the browser it made (null if none).
    FakeBrowser* startEngine()
    {
        if (!area.waitPainted())
            return nullptr;
        browser.setEngine(&engine);
        if (!QTest::qWaitFor([this] { return !engine.made.isEmpty(); }))
            return nullptr;
        return engine.made.value(0);
    }

    DeferredBrowser browser;
    FakeEngine engine;
    ShownArea area{browser};
};

} // namespace

Q_DECLARE_METATYPE(Calls)

class DeferredBrowserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void engineGetsTheLatestNavigationWithItsCaption_data();
    void engineGetsTheLatestNavigationWithItsCaption();
    void engineStartsOnlyOnceTheAreaIsPainted();
    void engineStartsWithoutAPaintAfterAWhile();
    void callsAfterTheStartGoStraightToTheEngine();
    void engineGetsTheLatestServersToPreconnect();
    void engineSignalsAreRelayed();
    void engineViewFillsTheAreaAndTakesItsFocus();
    void areaLooksLikeAnEmptyPageUntilTheEngineIsThere();

    void withoutAnEngineTheAreaAndStatusSayWhy_data();
    void withoutAnEngineTheAreaAndStatusSayWhy();
    void withoutAnEngineEveryNavigationIsRefused();
    void anEngineAfterAFailureIsIgnored();
};

void DeferredBrowserTest::engineGetsTheLatestNavigationWithItsCaption_data()
{
    QTest::addColumn<Calls>("before");
    QTest::addColumn<QStringList>("navigations");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("nothing asked") << Calls{} << QStringList{} << QStringList{};
    QTest::newRow("the home page") << Calls{Call{"http://home.test/", ""}}
                                   << QStringList{"http://home.test/"} << QStringList{""};
    QTest::newRow("a lookup replaces the home page")
        << Calls{Call{"http://home.test/", ""}, Call{"http://zh.test/apple", "Chinese"}}
        << QStringList{"http://zh.test/apple"} << QStringList{"Chinese"};
    QTest::newRow("a second lookup replaces the first")
        << Calls{Call{"http://zh.test/apple", "Chinese"}, Call{"http://en.test/pear", "English"}}
        << QStringList{"http://en.test/pear"} << QStringList{"English"};
    QTest::newRow("the website after a lookup has no caption")
        << Calls{Call{"http://zh.test/apple", "Chinese"}, Call{"http://www.lexivo.com", ""}}
        << QStringList{"http://www.lexivo.com"} << QStringList{""};
}

void DeferredBrowserTest::engineGetsTheLatestNavigationWithItsCaption()
{
    QFETCH(Calls, before);
    QFETCH(QStringList, navigations);
    QFETCH(QStringList, captions);
    PaintedBrowser painted;
    apply(painted.browser, before);
    FakeBrowser* fake = painted.startEngine();
    QVERIFY(fake);

    QCOMPARE(painted.engine.made.size(), 1);
    QCOMPARE(fake->navigations, navigations);
    QCOMPARE(fake->lookupCaptions, captions);
}

void DeferredBrowserTest::engineStartsOnlyOnceTheAreaIsPainted()
{
    DeferredBrowser browser;
    FakeEngine engine;
    QSignalSpy started(&browser, &DeferredBrowser::engineStarted);
    browser.navigate(QStringLiteral("http://home.test/"));
    browser.setEngine(&engine);
    QCoreApplication::processEvents();
    QCOMPARE(engine.made.size(), 0); // the area has not been painted

    ShownArea area(browser);
    QVERIFY(area.waitPainted());
    QTRY_COMPARE(engine.made.size(), 1);
    QCOMPARE(started.size(), 1);
    QCOMPARE(engine.made[0]->navigations, QStringList{"http://home.test/"});
    QCOMPARE(browser.engineBrowser(), engine.made[0]);
}

void DeferredBrowserTest::engineStartsWithoutAPaintAfterAWhile()
{
    DeferredBrowser browser; // a window that starts hidden: its area never paints
    FakeEngine engine;
    browser.navigate(QStringLiteral("http://home.test/"));
    QElapsedTimer sinceEngine;
    sinceEngine.start();
    browser.setEngine(&engine);
    QTRY_COMPARE_WITH_TIMEOUT(engine.made.size(), 1, 20000);
    QVERIFY2(sinceEngine.elapsed() >= 1000, qPrintable(QString::number(sinceEngine.elapsed())));
    QCOMPARE(engine.made[0]->navigations, QStringList{"http://home.test/"});
}

void DeferredBrowserTest::callsAfterTheStartGoStraightToTheEngine()
{
    PaintedBrowser painted;
    FakeBrowser* fake = painted.startEngine();
    QVERIFY(fake);

    apply(painted.browser,
          {Call{"http://th.test/big", "Thesaurus"}, Call{"http://home.test/", ""}});
    QCOMPARE(fake->navigations, (QStringList{"http://th.test/big", "http://home.test/"}));
    QCOMPARE(fake->lookupCaptions, (QStringList{"Thesaurus", ""}));
}

void DeferredBrowserTest::engineGetsTheLatestServersToPreconnect()
{
    const QUrl a(QStringLiteral("http://a.test")), b(QStringLiteral("https://b.test"));
    PaintedBrowser painted;
    painted.browser.navigate(QStringLiteral("http://home.test/"));
    painted.browser.preconnect({a});
    painted.browser.preconnect({a, b});
    FakeBrowser* fake = painted.startEngine();
    QVERIFY(fake);
    QCOMPARE(fake->navigations, QStringList{"http://home.test/"});
    QCOMPARE(fake->preconnects, (QList<QList<QUrl>>{{a, b}}));

    painted.browser.preconnect({b});
    QCOMPARE(fake->preconnects, (QList<QList<QUrl>>{{a, b}, {b}}));
}

void DeferredBrowserTest::engineSignalsAreRelayed()
{
    PaintedBrowser painted;
    browser_events::Log events(&painted.browser);
    QSignalSpy lookUps(&painted.browser, &Browser::lookUpRequested);
    FakeBrowser* fake = painted.startEngine();
    QVERIFY(fake);

    fake->raiseNavigationStarting(QStringLiteral("http://a.test/"));
    fake->raiseNavigationRefused(QStringLiteral("mailto:x@a.test"), QStringLiteral("no mail"));
    fake->raiseDocumentComplete(QStringLiteral("http://a.test/"));
    fake->raiseLookUpRequested(QueryKey::Japanese, QStringLiteral("kiwi"));

    QCOMPARE(events.events, (QStringList{"before http://a.test/", "refused mailto:x@a.test",
                                         "complete http://a.test/"}));
    QCOMPARE(lookUps.size(), 1);
    QCOMPARE(lookUps[0][0].value<QueryKey>(), QueryKey::Japanese);
    QCOMPARE(lookUps[0][1].toString(), QStringLiteral("kiwi"));
}

void DeferredBrowserTest::engineViewFillsTheAreaAndTakesItsFocus()
{
    PaintedBrowser painted;
    FakeBrowser* fake = painted.startEngine();
    QVERIFY(fake);
    QWidget* engineView = fake->view();
    DeferredBrowser& browser = painted.browser;

    QCOMPARE(engineView->parentWidget(), browser.view());
    QVERIFY(engineView->isVisible());
    QCOMPARE(engineView->geometry(), QRect(0, 0, 400, 300));
    browser.view()->resize(250, 120);
    QTRY_COMPARE(engineView->geometry(), QRect(0, 0, 250, 120));
    QCOMPARE(browser.view()->focusProxy(), engineView);
}

void DeferredBrowserTest::areaLooksLikeAnEmptyPageUntilTheEngineIsThere()
{
    DeferredBrowser browser;
    ShownArea area(browser);
    QVERIFY(area.waitPainted());
    const QImage shot = browser.view()->grab().toImage();
    const QColor page = browser.view()->palette().color(QPalette::Base);
    QCOMPARE(shot.pixelColor(10, 10), page);
    QCOMPARE(shot.pixelColor(390, 290), page);
    QCOMPARE(page, QColor(Qt::white));
}

void DeferredBrowserTest::withoutAnEngineTheAreaAndStatusSayWhy_data()
{
    QTest::addColumn<Calls>("before");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("refusedUrl");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("notice");

    QTest::newRow("the home page waiting")
        << Calls{Call{"http://home.test/", ""}}
        << "lexivo-webengine.so is missing (looked for /opt/lexivo/lexivo-webengine.so)"
        << "http://home.test/"
        << "The web browser could not be started: lexivo-webengine.so is missing (looked for "
           "/opt/lexivo/lexivo-webengine.so)"
        << "The web browser could not be started, so dictionary pages cannot be shown. The "
           "menus still work.\n\nlexivo-webengine.so is missing (looked for "
           "/opt/lexivo/lexivo-webengine.so)";
    QTest::newRow("nothing waiting (an empty home page)")
        << Calls{} << "Cannot load library x.so: undefined symbol: f"
        << ""
        << "The web browser could not be started: Cannot load library x.so: undefined symbol: f"
        << "The web browser could not be started, so dictionary pages cannot be shown. The "
           "menus still work.\n\nCannot load library x.so: undefined symbol: f";
    QTest::newRow("no words from the loader")
        << Calls{Call{"http://home.test/", ""}} << ""
        << "http://home.test/"
        << "The web browser could not be started: unknown error"
        << "The web browser could not be started, so dictionary pages cannot be shown. The "
           "menus still work.\n\nunknown error";
}

void DeferredBrowserTest::withoutAnEngineTheAreaAndStatusSayWhy()
{
    QFETCH(Calls, before);
    QFETCH(QString, reason);
    QFETCH(QString, refusedUrl);
    QFETCH(QString, status);
    QFETCH(QString, notice);
    DeferredBrowser browser;
    ShownArea area(browser);
    QSignalSpy refused(&browser, &Browser::navigationRefused);
    apply(browser, before);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(status)); // also said on standard error
    browser.setEngineFailed(reason);

    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused[0][0].toString(), refusedUrl);
    QCOMPARE(refused[0][1].toString(), status);
    auto* label = browser.view()->findChild<QLabel*>(QStringLiteral("engineNotice"));
    QVERIFY(label);
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), notice);
}

void DeferredBrowserTest::withoutAnEngineEveryNavigationIsRefused()
{
    DeferredBrowser browser;
    QTest::ignoreMessage(QtWarningMsg, "The web browser could not be started: gone");
    browser.setEngineFailed(QStringLiteral("gone"));
    QSignalSpy refused(&browser, &Browser::navigationRefused);
    browser.navigate(QStringLiteral("http://zh.test/apple"), QStringLiteral("Chinese"));
    browser.navigate(QStringLiteral("http://www.lexivo.com"));

    QCOMPARE(refused.size(), 2);
    QCOMPARE(refused[0][1].toString(),
             QStringLiteral("Cannot open http://zh.test/apple: the web browser could not be "
                            "started"));
    QCOMPARE(refused[1][1].toString(),
             QStringLiteral("Cannot open http://www.lexivo.com: the web browser could not be "
                            "started"));
}

void DeferredBrowserTest::anEngineAfterAFailureIsIgnored()
{
    DeferredBrowser browser;
    FakeEngine engine;
    ShownArea area(browser);
    QVERIFY(area.waitPainted());
    QTest::ignoreMessage(QtWarningMsg, "The web browser could not be started: gone");
    browser.setEngineFailed(QStringLiteral("gone"));
    browser.setEngine(&engine);
    QTest::qWait(50);
    QCOMPARE(engine.made.size(), 0);
    QCOMPARE(browser.engineBrowser(), nullptr);
}

QTEST_MAIN(DeferredBrowserTest)
#include "tst_deferred_browser.moc"
