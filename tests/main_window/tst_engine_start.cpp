// The main window while its browser engine starts, and without one: a user can type and look up
// at once, and the lookup is carried out when the engine is there; a missing engine is said in
// the browser area and the status bar, and the menus still work.

#include "browser/deferred_browser.h"
#include "browser/engine_loader.h"
#include "core/interval_timer.h"
#include "core/query_string_set.h"
#include "design/simple_status_bar.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "menu_action.h"
#include "modal_driver.h"
#include "temp_program_folder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QueryStringSet servedTemplates()
{
    QueryStringSet values;
    values[QueryKey::Home] = QStringLiteral("http://home.test/");
    values[QueryKey::Chinese] = QStringLiteral("http://zh.test/?q=%word");
    values[QueryKey::English] = QStringLiteral("http://en.test/%firstchar/%word");
    values[QueryKey::Thesaurus] = QStringLiteral("http://th.test/%word");
    values[QueryKey::Japanese] = QStringLiteral("http://ja.test/%word");
    values[QueryKey::ChiComputer] = QStringLiteral("http://zhc.test/%word");
    values[QueryKey::EngComputer] = QStringLiteral("http://enc.test/%word");
    return values;
}

// The main window as the program starts it: a deferred browser whose engine comes later.
struct StartingWindow
{
    StartingWindow()
    {
        folder.writeSettings(servedTemplates());
        auto deferred = std::make_unique<DeferredBrowser>();
        browser = deferred.get();
        window = std::make_unique<MainWindow>(folder.path(), std::move(deferred));
        window->show();
    }

    QString status() const { return window->statusBarWidget()->text(); }
    QLineEdit* wordBox() const { return window->findChild<QLineEdit*>(QStringLiteral("txtWord")); }
    QPushButton* button(const char* name) const
    {
        return window->findChild<QPushButton*>(QLatin1String(name));
    }
    void lookUp(const QString& word, const char* buttonName) const
    {
        wordBox()->clear();
        QTest::keyClicks(wordBox(), word);
        QTest::mouseClick(button(buttonName), Qt::LeftButton);
    }

    TempProgramFolder folder;
    DeferredBrowser* browser = nullptr; // owned by the window
    std::unique_ptr<MainWindow> window;
};

// A lookup pressed before the engine is there: the word and the button.
struct Press
{
    QString word;
    const char* button;
};

} // namespace

Q_DECLARE_METATYPE(QList<Press>)

class EngineStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lookupBeforeTheEngineIsCarriedOutWhenItIsThere_data();
    void lookupBeforeTheEngineIsCarriedOutWhenItIsThere();
    void homePageGoesAheadWhenNothingWasPressed();
    void missingModuleIsSaidAndMenusStillWork();
    void lookupWithoutAnEngineIsRefused();
};

void EngineStartTest::lookupBeforeTheEngineIsCarriedOutWhenItIsThere_data()
{
    QTest::addColumn<QList<Press>>("presses");
    QTest::addColumn<QString>("statusBeforeEngine");
    QTest::addColumn<QStringList>("navigations");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("one lookup") << QList<Press>{{"apple", "cmdEn2Ch"}}
                                << "goto http://zh.test/?q=apple"
                                << QStringList{"http://zh.test/?q=apple"} << QStringList{"Chinese"};
    QTest::newRow("the latest of two lookups")
        << QList<Press>{{"apple", "cmdEn2Ch"}, {"pear", "cmdEn2En"}} << "goto http://en.test/p/pear"
        << QStringList{"http://en.test/p/pear"} << QStringList{"English"};
    QTest::newRow("a lookup with an empty word is no lookup")
        << QList<Press>{{"kiwi", "cmdEn2Jp"}, {"", "cmdEngComputer"}} << "goto http://ja.test/kiwi"
        << QStringList{"http://ja.test/kiwi"}
        << QStringList{"Jananese"}; // the button's caption, as the design spells it
}

void EngineStartTest::lookupBeforeTheEngineIsCarriedOutWhenItIsThere()
{
    QFETCH(QList<Press>, presses);
    QFETCH(QString, statusBeforeEngine);
    QFETCH(QStringList, navigations);
    QFETCH(QStringList, captions);
    StartingWindow started;
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    for (const Press& press : presses)
        started.lookUp(press.word, press.button);
    QCOMPARE(started.status(), statusBeforeEngine);
    QCOMPARE(started.browser->engineBrowser(), nullptr);

    FakeEngine engine;
    started.browser->setEngine(&engine);
    QTRY_COMPARE(engine.made.size(), 1);
    FakeBrowser* fake = engine.made[0];
    QCOMPARE(fake->navigations, navigations);
    QCOMPARE(fake->lookupCaptions, captions);
    QCOMPARE(started.status(), statusBeforeEngine);

    fake->raiseNavigationStarting(navigations[0]);
    QCOMPARE(started.status(), QStringLiteral("Going to ") + navigations[0] + "...");
    QVERIFY(started.window->dotTimer()->isTicking());
    fake->raiseDocumentComplete(navigations[0]);
    QCOMPARE(started.status(), QString());
    QVERIFY(!started.window->dotTimer()->isTicking());
}

void EngineStartTest::homePageGoesAheadWhenNothingWasPressed()
{
    StartingWindow started;
    QCOMPARE(started.status(), QString());
    FakeEngine engine;
    started.browser->setEngine(&engine);
    QTRY_COMPARE(engine.made.size(), 1);
    QCOMPARE(engine.made[0]->navigations, QStringList{"http://home.test/"});
    QCOMPARE(engine.made[0]->lookupCaptions, QStringList{""});
    QCOMPARE(started.window->currentUrl(), QStringLiteral("http://home.test/"));
}

void EngineStartTest::missingModuleIsSaidAndMenusStillWork()
{
    StartingWindow started;
    EngineLoader loader(QStringLiteral("lexivo-webengine.so"),
                        {QStringLiteral("/nonexistent/lexivo-webengine.so")}, QByteArray());
    connect(&loader, &EngineLoader::failed, started.browser, &DeferredBrowser::setEngineFailed);
    const QString expected =
        QStringLiteral("The web browser could not be started: lexivo-webengine.so is missing "
                       "(looked for /nonexistent/lexivo-webengine.so)");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(expected));
    loader.start();
    QTRY_COMPARE(started.status(), expected);
    auto* notice = started.window->findChild<QLabel*>(QStringLiteral("engineNotice"));
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QVERIFY(started.browser->view()->geometry().contains(notice->geometry().center() +
                                                         started.browser->view()->pos()));

    bool optionsOpened = false;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        optionsOpened = dialog->objectName() == QLatin1String("frmOption");
    });
    chooseMenuItem(*started.window, "mnuQueryString");
    QVERIFY(optionsOpened);
}

void EngineStartTest::lookupWithoutAnEngineIsRefused()
{
    StartingWindow started;
    QTest::ignoreMessage(QtWarningMsg, "The web browser could not be started: gone");
    started.browser->setEngineFailed(QStringLiteral("gone"));
    started.lookUp(QStringLiteral("apple"), "cmdEn2Ch");
    QCOMPARE(started.status(), QStringLiteral("Cannot open http://zh.test/?q=apple: the web "
                                              "browser could not be started"));
    QVERIFY(!started.window->dotTimer()->isTicking());
}

QTEST_MAIN(EngineStartTest)
#include "tst_engine_start.moc"
