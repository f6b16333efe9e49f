// The embedded browser's own commands, through the real QtWebEngine view in the main window:
// history, reload and stop keys, zoom, find in page, printing, the page's context menu and the
// page shown when a site cannot be reached. Unknown host names fail inside the engine (the test's
// environment maps every name but 127.0.0.1 to "not found").

#include "core/interval_timer.h"
#include "design/simple_status_bar.h"
#include "dialogs/options_dialog.h"
#include "local_http_server.h"
#include "main_window/main_window.h"
#include "served_query_strings.h"
#include "temp_program_folder.h"
#include "wait_until.h"
#include "webengine/browser_actions.h"
#include "webengine/find_bar.h"
#include "webengine/page_printer.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <memory>

Q_DECLARE_METATYPE(QueryKey)

namespace {

constexpr int kTimeout = 20000;

// Also when the suite is run by hand: no host name but 127.0.0.1 and localhost (which the
// engine resolves itself) ever reaches the system's resolver. Set before QApplication, which
// starts the engine.
const bool kNoDnsLookups = [] {
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                "--host-resolver-rules=\"MAP * ~NOTFOUND, EXCLUDE 127.0.0.1, EXCLUDE localhost\"");
    return true;
}();

const QByteArray kWordsPage = "<!DOCTYPE html><html><body style='margin:0'>"
                              "<p id='w' style='font-size:60px;margin:0'>Apple</p>"
                              "<p>apple pie, apple tart, Apple</p>"
                              "<input id='i' style='font-size:40px' value='banana split' "
                              "onkeydown='if (event.key === \"Escape\") ++window.escapes'>"
                              "<script>window.escapes = 0;</script>"
                              "<p id='long'>" +
                              QByteArray(150, 'x') + "</p></body></html>";

// A link filling the top left of the page, so a mouse click at (50, 30) lands on it; the page
// notes when the mouse has moved over it (in a frame, so does the page around it).
QByteArray linkPage(const QByteArray& href, const QByteArray& target = "_self")
{
    return "<!DOCTYPE html><html><body style='margin:0'><a id='x' href='" + href + "' target='" +
           target +
           "' style='position:absolute; left:0; top:0; width:300px; height:100px'>link</a>"
           "<script>document.addEventListener('mousemove', function() { window.mouseSeen = "
           "true; if (parent !== window) parent.mouseSeen = true; });</script></body></html>";
}

} // namespace

class BrowserActionsTest : public QObject
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
    void printCancelledPrintsNothing();
    void printToPdf_data();
    void printToPdf();
    void printWithoutPrinterSaysSo();
    void contextMenuHasOnlyWorkingEntries();
    void contextMenuLooksUpSelection();
    void contextMenuLooksUpSelectionInInputField();
    void contextMenuOffersNoLongSelection();
    void errorPageForRefusedConnection();
    void errorPageForUnknownHost();
    void errorPageForHomePage();
    void errorPageNamesTheLookupCaption_data();
    void errorPageNamesTheLookupCaption();
    void errorPageAfterRefusedLookupNamesNoDictionary();
    void httpErrorShowsProvidersPage();

private:
    QString status() const { return m_window->statusBarWidget()->text(); }
    void startWindow(const QString& home, const QString& englishTemplate);
    QWebEngineView* view() const { return m_browser->webView(); }
    BrowserActions* actions() const { return m_browser->view()->findChild<BrowserActions*>(); }
    FindBar* findBar() const { return m_browser->view()->findChild<FindBar*>(); }
    PagePrinter* printer() const { return view()->findChild<PagePrinter*>(); }
    QWidget* content() const { return view()->focusProxy(); }
    bool waitForComplete(const QString& url, int count = 1);
    void lookUp(const char* button, const QString& word);
    QString pageText();
    void focusPage();
    void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void runJs(const QString& script);
    QVariant evaluate(const QString& script);
    // Loads a page of the server and waits for it.
    bool loadPage(const QString& target);
    // Follows the link at the top left of the page with the "mouse" or the "keyboard", or by a
    // "script" once the keyboard has put the focus on it.
    void followLink(const QString& how);
    // Right-clicks the page at pos and returns the menu that opens.
    QMenu* openContextMenu(QPoint pos);

    LocalHttpServer m_server;
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MainWindow> m_window;
    WebEngineBrowser* m_browser = nullptr;
    QStringList m_before;
    QStringList m_completed;
};

void BrowserActionsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/words", kWordsPage);
    m_server.setPage("/English?w=Apple", kWordsPage);
    m_server.setPage("/slow", LocalHttpServer::defaultPage("/slow"), 8000);
    m_server.setPage("/slow?w=Apple", LocalHttpServer::defaultPage("/slow"), 8000);
    LocalHttpServer::Response lateBody;
    lateBody.body = LocalHttpServer::defaultPage("/late-body");
    lateBody.bodyDelayMs = 8000;
    m_server.setResponse("/late-body", lateBody);
    m_server.setPage("/one-page", "<!DOCTYPE html><html><head><title>Apple pie</title></head>"
                                  "<body><h1>Apple pie</h1><p>apple pie, apple tart, Apple</p>"
                                  "</body></html>");
    QByteArray sixPages = "<!DOCTYPE html><html><head><title>Six pages</title></head><body>";
    for (char page = '1'; page <= '6'; ++page)
        sixPages += QByteArray("<h1 style='page-break-after: always'>Page ") + page + "</h1>";
    m_server.setPage("/six-pages", sixPages + "</body></html>");
    m_server.setPage("/link-slow", linkPage("/slow"));
    m_server.setPage("/link-late", linkPage("/late-body"));
    // Another site: its page is shown by another renderer, whose widget takes the focus.
    m_server.setPage(
        "/link-other",
        linkPage(m_server.url("/late-body").replace("127.0.0.1", "localhost").toUtf8()));
    m_server.setPage("/top-link-slow", linkPage("/slow", "_top"));
    m_server.setPage("/framed-link", "<!DOCTYPE html><html><body style='margin:0'><iframe "
                                     "src='/top-link-slow' style='border:0; width:400px; "
                                     "height:200px'></iframe></body></html>");
    LocalHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<!DOCTYPE html><html><body><p>The provider has no such word.</p></body></html>";
    m_server.setResponse("/missing?w=Apple", missing);
}

void BrowserActionsTest::init()
{
    startWindow(m_server.url("/words"), m_server.url("/English?w=%word"));
    QVERIFY(waitForComplete(m_server.url("/words")));
}

void BrowserActionsTest::startWindow(const QString& home, const QString& englishTemplate)
{
    m_window.reset();
    m_folder = std::make_unique<TempProgramFolder>();
    m_folder->writeSettings(queryStringsServedBy(m_server, home, englishTemplate));
    auto browser = std::make_unique<WebEngineBrowser>();
    m_browser = browser.get();
    m_window = std::make_unique<MainWindow>(m_folder->path(), std::move(browser));
    m_before.clear();
    m_completed.clear();
    connect(m_browser, &Browser::navigationStarting, this,
            [this](const QString& url) { m_before.append(url); });
    connect(m_browser, &Browser::documentComplete, this,
            [this](const QString& url) { m_completed.append(url); });
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void BrowserActionsTest::cleanup()
{
    PagePrinter::printDialogRunner() = [](QPrintDialog& dialog) { return dialog.exec(); };
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    m_window.reset();
    m_folder.reset();
    m_server.clearRequests();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

bool BrowserActionsTest::waitForComplete(const QString& url, int count)
{
    return waitUntil([&] { return m_completed.count(url) >= count && status().isEmpty(); },
                     kTimeout);
}

void BrowserActionsTest::lookUp(const char* button, const QString& word)
{
    m_window->findChild<QLineEdit*>("txtWord")->setText(word);
    m_window->findChild<QPushButton*>(button)->click();
}

QString BrowserActionsTest::pageText()
{
    QString text;
    bool done = false;
    view()->page()->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    waitUntil([&] { return done; }, kTimeout);
    return text;
}

void BrowserActionsTest::runJs(const QString& script)
{
    bool done = false;
    view()->page()->runJavaScript(script, [&](const QVariant&) { done = true; });
    waitUntil([&] { return done; }, kTimeout);
}

QVariant BrowserActionsTest::evaluate(const QString& script)
{
    QVariant result;
    bool done = false;
    view()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    waitUntil([&] { return done; }, kTimeout);
    return result;
}

bool BrowserActionsTest::loadPage(const QString& target)
{
    const int before = m_completed.count(m_server.url(target));
    m_browser->navigate(m_server.url(target));
    return waitForComplete(m_server.url(target), before + 1);
}

void BrowserActionsTest::followLink(const QString& how)
{
    if (how != "mouse") {
        // Tab to the link, in the page or its frame, as a keyboard user does.
        const QString link = "(frames[0] || window).document.getElementById('x')";
        QVERIFY(waitUntil(
            [&] {
                key(Qt::Key_Tab);
                return evaluate(link + " === (frames[0] || window).document.activeElement")
                    .toBool();
            },
            kTimeout));
        // In a frame the engine does not always take Enter for the link: a script clicks it.
        if (how == "keyboard")
            key(Qt::Key_Return);
        else
            runJs(link + ".click()");
        return;
    }
    // Until a freshly loaded page is drawn the engine drops mouse input: move over the link until
    // the page has seen the mouse, then click.
    QPoint at(50, 30);
    QVERIFY(waitUntil(
        [&] {
            at = at == QPoint(50, 30) ? QPoint(51, 31) : QPoint(50, 30);
            QTest::mouseMove(content(), at);
            return evaluate("window.mouseSeen === true").toBool();
        },
        kTimeout));
    QTest::mouseClick(content(), Qt::LeftButton, Qt::NoModifier, at);
}

void BrowserActionsTest::focusPage()
{
    QVERIFY(content());
    view()->setFocus();
    QTRY_VERIFY(content()->hasFocus());
}

void BrowserActionsTest::key(int k, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), mods);
}

QMenu* BrowserActionsTest::openContextMenu(QPoint pos)
{
    QTest::mouseClick(content(), Qt::RightButton, {}, pos);
    QMenu* menu = nullptr;
    waitUntil(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        },
        kTimeout);
    return menu;
}

void BrowserActionsTest::historyKeysAndMouseButtons()
{
    const QString home = m_server.url("/words");
    const QString result = m_server.url("/English?w=Apple");
    lookUp("cmdEn2En", "Apple");
    QVERIFY(waitForComplete(result));
    focusPage();
    key(Qt::Key_Left, Qt::AltModifier);
    QVERIFY(waitForComplete(home, 2));
    QCOMPARE(view()->url().toString(), home);
    key(Qt::Key_Right, Qt::AltModifier);
    QVERIFY(waitForComplete(result, 2));
    QCOMPARE(m_before.count(result), 2); // reported as any navigation

    QTest::mouseClick(content(), Qt::BackButton, {}, QPoint(50, 50));
    QVERIFY(waitForComplete(home, 3));
    QTest::mouseClick(content(), Qt::ForwardButton, {}, QPoint(50, 50));
    QVERIFY(waitForComplete(result, 3));
}

void BrowserActionsTest::keysInTheWordBoxKeepTheirMeaning()
{
    lookUp("cmdEn2En", "Apple");
    QVERIFY(waitForComplete(m_server.url("/English?w=Apple")));
    auto* word = m_window->findChild<QLineEdit*>("txtWord");
    word->setFocus();
    QTRY_VERIFY(word->hasFocus());
    const int before = m_before.size();
    key(Qt::Key_Left, Qt::AltModifier);
    key(Qt::Key_F5);
    key(Qt::Key_F, Qt::ControlModifier);
    key(Qt::Key_Plus, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    QTest::qWait(1000);
    QCOMPARE(m_before.size(), before);
    QCOMPARE(word->text(), QString("Appl"));
    QVERIFY(findBar()->isHidden());
    QCOMPARE(actions()->zoomPercent(), 100);
    // A lookup button has the focus: the keys work.
    m_window->findChild<QPushButton*>("cmdEn2Ch")->setFocus();
    key(Qt::Key_F5);
    QVERIFY(waitForComplete(m_server.url("/English?w=Apple"), 2));
}

void BrowserActionsTest::reloadKeys()
{
    focusPage();
    key(Qt::Key_F5);
    QVERIFY(waitUntil([&] { return m_server.requestCount("/words") == 1; }, kTimeout));
    QVERIFY(waitForComplete(m_server.url("/words"), 2));
    key(Qt::Key_R, Qt::ControlModifier);
    QVERIFY(waitUntil([&] { return m_server.requestCount("/words") == 2; }, kTimeout));
    QVERIFY(waitForComplete(m_server.url("/words"), 3));
}

void BrowserActionsTest::escapeStopsALoad_data()
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
        << "/link-late keyboard" << lateBody << page << false;
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
void BrowserActionsTest::escapeStopsALoad()
{
    QFETCH(QString, start);
    QFETCH(QString, url);
    QFETCH(QString, focus);
    QFETCH(bool, atOnce);
    const QStringList how = start.split(' ');
    const QString shown = how[0] == "lookup" ? m_server.url("/words") : m_server.url(how[0]);
    if (how[0] == "lookup") {
        m_window->options()->field(QueryKey::English)->setText(m_server.url("/slow?w=%word"));
        m_window->findChild<QWidget*>(focus)->setFocus();
        lookUp("cmdEn2En", "Apple");
    } else {
        QVERIFY(loadPage(how[0]));
        focusPage();
        followLink(how[1]);
    }
    if (!atOnce) {
        const QByteArray target = QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        QVERIFY(waitUntil([&] { return m_server.requestCount(target) == 1; }, kTimeout));
        QTest::qWait(300); // the late body's header has arrived
        QVERIFY(status().startsWith("Going to "));
    }
    QWidget* focused = QApplication::focusWidget();
    QCOMPARE(view()->isAncestorOf(focused) ? QStringLiteral("page") : focused->objectName(), focus);

    key(Qt::Key_Escape);

    QTest::qWait(1500); // far less than the page would take
    QCOMPARE(status(), QString());
    QVERIFY(!m_window->dotTimer()->isEnabled());
    if (atOnce)
        QCOMPARE(view()->url().toString(), shown);
    else
        QVERIFY(m_completed.contains(url));
}

void BrowserActionsTest::escapeIsThePagesWhileNothingLoads()
{
    focusPage();
    runJs("document.getElementById('i').focus()");
    const int before = m_before.size();
    key(Qt::Key_Escape);
    QVERIFY(waitUntil([&] { return evaluate("window.escapes").toInt() == 1; }, kTimeout));
    QCOMPARE(m_before.size(), before);
}

void BrowserActionsTest::zoomKeysStepAndClamp()
{
    const QRect geometry = view()->geometry();
    focusPage();
    key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 110);
    QTRY_COMPARE(view()->zoomFactor(), 1.1);
    key(Qt::Key_Minus, Qt::ControlModifier);
    key(Qt::Key_Minus, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 90);
    key(Qt::Key_0, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 100);
    for (int i = 0; i < 100; ++i)
        key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 500);
    QTRY_COMPARE(view()->zoomFactor(), 5.0);
    for (int i = 0; i < 100; ++i)
        key(Qt::Key_Minus, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 25);
    QTRY_COMPARE(view()->zoomFactor(), 0.25);
    QCOMPARE(view()->geometry(), geometry);
    QCOMPARE(status(), QString());
}

void BrowserActionsTest::zoomStaysAcrossPages()
{
    focusPage();
    key(Qt::Key_Plus, Qt::ControlModifier);
    key(Qt::Key_Plus, Qt::ControlModifier);
    QTRY_COMPARE(actions()->zoomPercent(), 125);
    lookUp("cmdEn2Ch", "Apple");
    QVERIFY(waitForComplete(m_server.url("/Chinese?w=Apple")));
    QTRY_COMPARE(view()->zoomFactor(), 1.25);
    m_browser->navigate("about:blank");
    QVERIFY(waitForComplete("about:blank"));
    QTRY_COMPARE(view()->zoomFactor(), 1.25);
}

void BrowserActionsTest::controlWheelZoomsInSteps()
{
    focusPage();
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 50), content()->mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(content(), &event);
    };
    wheel(120);
    QCOMPARE(actions()->zoomPercent(), 110);
    wheel(-120);
    wheel(-120);
    QCOMPARE(actions()->zoomPercent(), 90);
    wheel(-60); // half a notch: not yet
    QCOMPARE(actions()->zoomPercent(), 90);
    wheel(-60);
    QCOMPARE(actions()->zoomPercent(), 80);
    QTRY_COMPARE(view()->zoomFactor(), 0.8);
}

void BrowserActionsTest::findInPage()
{
    const QRect geometry = view()->geometry();
    focusPage();
    key(Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = findBar();
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->edit()->hasFocus());
    QVERIFY(view()->rect().contains(bar->geometry()));
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
    QTRY_VERIFY(content()->hasFocus());
    QCOMPARE(view()->geometry(), geometry);
    QCOMPARE(m_window->findChild<QLineEdit*>("txtWord")->geometry().top() >= 0, true);
    QCOMPARE(status(), QString());
}

void BrowserActionsTest::findBadInput()
{
    focusPage();
    FindBar* bar = findBar();
    for (int i = 0; i < 20; ++i) {
        key(Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(bar->isVisible());
        key(Qt::Key_Escape); // in the find box
        QVERIFY(bar->isHidden());
        QTRY_VERIFY(content()->hasFocus());
    }
    key(Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(bar->isVisible());
    bar->edit()->setText(QString(10000, 'q'));
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(bar->resultText(), QString("Not found"), kTimeout);
    QTest::keyClick(bar->edit(), Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QCOMPARE(status(), QString());
}

void BrowserActionsTest::printCancelledPrintsNothing()
{
    int shown = 0;
    PagePrinter::printDialogRunner() = [&](QPrintDialog&) {
        ++shown;
        return int(QDialog::Rejected);
    };
    focusPage();
    key(Qt::Key_P, Qt::ControlModifier);
    QTRY_COMPARE(shown, 1);
    QVERIFY(!printer()->isPrinting());
    QVERIFY(!m_window->findChild<QMessageBox*>("printMessage"));
}

void BrowserActionsTest::printToPdf_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("nameTaken"); // a file of the page's name is in the folder already
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pages");
    QTest::newRow("one page") << "/one-page" << false << "Apple pie.pdf"
                              << "Apple pie apple pie, apple tart, Apple" << 1;
    QTest::newRow("a name taken") << "/one-page" << true << "Apple pie (2).pdf"
                                  << "Apple pie apple pie, apple tart, Apple" << 1;
    QTest::newRow("six pages") << "/six-pages" << false << "Six pages.pdf"
                               << "Page 1 Page 2 Page 3 Page 4 Page 5 Page 6" << 6;
}

// A file of the engine's own: the page's text, in a few kilobytes (printed as a picture of the
// page, one page took 2.7 MB).
void BrowserActionsTest::printToPdf()
{
    QFETCH(QString, target);
    QFETCH(bool, nameTaken);
    QFETCH(QString, offered);
    QFETCH(QString, text);
    QFETCH(int, pages);
    // The user's documents folder, as the desktop names it.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath("config") && QDir(home.path()).mkpath("Papers"));
    QFile dirs(home.filePath("config/user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + home.filePath("Papers").toUtf8() + "\"\n");
    dirs.close();
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", configBefore); });
    if (nameTaken) {
        QFile taken(home.filePath("Papers/Apple pie.pdf"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
    }
    QVERIFY(loadPage(target));
    QString file;
    PagePrinter::printDialogRunner() = [&](QPrintDialog& dialog) {
        file = dialog.printer()->outputFileName();
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat); // "Print to File (PDF)"
        return int(QDialog::Accepted);
    };
    QSignalSpy finished(printer(), &PagePrinter::finished);
    focusPage();

    key(Qt::Key_P, Qt::ControlModifier);

    QVERIFY(waitUntil([&] { return !finished.isEmpty(); }, kTimeout));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(file, home.filePath("Papers/" + offered));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", file, "-"});
    QVERIFY(pdftotext.waitForFinished());
    QCOMPARE(QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified(), text);
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {file});
    QVERIFY(pdfinfo.waitForFinished());
    QVERIFY(pdfinfo.readAllStandardOutput().simplified().contains("Pages: " +
                                                                  QByteArray::number(pages)));
    QVERIFY2(QFileInfo(file).size() < 100 * 1024,
             qPrintable(QString::number(QFileInfo(file).size())));
}

void BrowserActionsTest::printWithoutPrinterSaysSo()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("a printer is installed here");
    QString title;
    PagePrinter::printDialogRunner() = [&](QPrintDialog& dialog) {
        title = dialog.windowTitle();
        dialog.printer()->setOutputFileName(QString()); // no file to print to
        return int(QDialog::Accepted);
    };
    printer()->print();
    QCOMPARE(title, QString("Print - no printer is installed"));
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = m_window->findChild<QMessageBox*>("printMessage")));
    QVERIFY(box->text().startsWith("No printer is installed."));
    box->close();
    QVERIFY(!printer()->isPrinting());
}

void BrowserActionsTest::contextMenuHasOnlyWorkingEntries()
{
    QMenu* menu = openContextMenu(QPoint(300, 300));
    QVERIFY(menu);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    const QString all = texts.join('|');
    menu->close();
    QVERIFY2(!all.contains("Save"), qPrintable(all));
    QVERIFY2(!all.contains("source"), qPrintable(all));
    QVERIFY2(all.contains(QString::fromUtf8("Print\u2026")), qPrintable(all));
    QVERIFY2(!all.contains("Look up"), qPrintable(all));

    // "Print…" opens the print dialog.
    int shown = 0;
    PagePrinter::printDialogRunner() = [&](QPrintDialog&) {
        ++shown;
        return int(QDialog::Rejected);
    };
    menu = openContextMenu(QPoint(300, 300));
    QVERIFY(menu);
    QAction* print = menu->findChild<QAction*>("printPage");
    QVERIFY(print);
    print->trigger();
    menu->close();
    QTRY_COMPARE(shown, 1);
}

void BrowserActionsTest::contextMenuLooksUpSelection()
{
    runJs("window.getSelection().selectAllChildren(document.getElementById('w'))");
    QMenu* menu = openContextMenu(QPoint(40, 30));
    QVERIFY(menu);
    auto* lookUpMenu = menu->findChild<QMenu*>("lookUpMenu");
    QVERIFY(lookUpMenu);
    QCOMPARE(lookUpMenu->title(), QString("Look up \"Apple\""));
    QStringList captions;
    for (QAction* action : lookUpMenu->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({"Chinese", "English", "Thesaurus", "Jananese", "Computer (Chi)",
                                    "Computer (Eng)"}));
    QSignalSpy requested(m_browser, &Browser::lookUpRequested);
    lookUpMenu->actions().at(2)->trigger();
    menu->close();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).value<QueryKey>(), QueryKey::Thesaurus);
    QCOMPARE(requested.at(0).at(1).toString(), QString("Apple"));
    const QString url = m_server.url("/Thesaurus?w=Apple");
    QCOMPARE(m_window->findChild<QLineEdit*>("txtWord")->text(), QString("Apple"));
    QCOMPARE(status(), "goto " + url);
    QVERIFY(waitForComplete(url));
    QCOMPARE(m_before.count(url), 1);
    QCOMPARE(m_window->currentUrl(), url);
}

void BrowserActionsTest::contextMenuLooksUpSelectionInInputField()
{
    runJs("var i = document.getElementById('i'); i.focus(); i.select();");
    const QPoint inInput(60, 2 * 60 + 70);
    QString rect;
    bool done = false;
    view()->page()->runJavaScript(
        "var r = document.getElementById('i').getBoundingClientRect();"
        "Math.round(r.left + 20) + ',' + Math.round(r.top + r.height / 2)",
        [&](const QVariant& v) {
            rect = v.toString();
            done = true;
        });
    QVERIFY(waitUntil([&] { return done; }, kTimeout));
    const QStringList xy = rect.split(',');
    QCOMPARE(xy.size(), 2);
    Q_UNUSED(inInput);
    QMenu* menu = openContextMenu(QPoint(xy[0].toInt(), xy[1].toInt()));
    QVERIFY(menu);
    auto* lookUpMenu = menu->findChild<QMenu*>("lookUpMenu");
    QVERIFY(lookUpMenu);
    QCOMPARE(lookUpMenu->title(), QString("Look up \"banana split\""));
    lookUpMenu->actions().at(5)->trigger();
    menu->close();
    const QString url = m_server.url("/EngComputer?w=banana split");
    QVERIFY(waitUntil([&] { return m_server.requestCount("/EngComputer?w=banana%20split") == 1; },
                      kTimeout));
    QVERIFY(waitForComplete(QUrl(url).toString()));
}

void BrowserActionsTest::contextMenuOffersNoLongSelection()
{
    runJs("window.getSelection().selectAllChildren(document.getElementById('long'))");
    QMenu* menu = openContextMenu(QPoint(300, 300));
    QVERIFY(menu);
    const bool offered = menu->findChild<QMenu*>("lookUpMenu") != nullptr;
    menu->close();
    QVERIFY(!offered);
}

namespace {
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}
} // namespace

void BrowserActionsTest::errorPageForRefusedConnection()
{
    const QString url = QStringLiteral("http://127.0.0.1:%1/x?w=Apple").arg(closedPort());
    startWindow(m_server.url("/words"), QUrl(url).toString().replace("Apple", "%word"));
    QVERIFY(waitForComplete(m_server.url("/words")));
    lookUp("cmdEn2En", "Apple");
    QVERIFY(waitForComplete(url));
    QTRY_VERIFY_WITH_TIMEOUT(pageText().contains("could not reach"), kTimeout);
    const QString text = pageText();
    QVERIFY2(text.contains("The dictionary English could not reach 127.0.0.1: the server refused "
                           "the connection (ERR_CONNECTION_REFUSED)."),
             qPrintable(text));
    QVERIFY(text.contains("Option ▸ Online Dictionary Query String ▸ Select"));
    QTest::qWait(500);
    // The failed navigation's own report and end, nothing for the program's page.
    QCOMPARE(m_before.count(url), 1);
    QCOMPARE(m_completed.count(url), 1);
    QCOMPARE(m_before.last(), url);
    QCOMPARE(m_completed.last(), url);
    QCOMPARE(status(), QString());
    QVERIFY(!m_window->dotTimer()->isEnabled());

    // Back leaves it for the page before the failed one.
    focusPage();
    key(Qt::Key_Left, Qt::AltModifier);
    QVERIFY(waitForComplete(m_server.url("/words"), 2));
    QCOMPARE(view()->url().toString(), m_server.url("/words"));
}

void BrowserActionsTest::errorPageForUnknownHost()
{
    startWindow(m_server.url("/words"), "http://dictionary.invalid/?w=%word");
    QVERIFY(waitForComplete(m_server.url("/words")));
    lookUp("cmdEn2En", "Apple");
    QVERIFY(waitForComplete("http://dictionary.invalid/?w=Apple"));
    QTRY_VERIFY_WITH_TIMEOUT(pageText().contains("could not reach"), kTimeout);
    const QString text = pageText();
    QVERIFY2(text.contains("The dictionary English could not reach dictionary.invalid: the host "
                           "name is unknown (ERR_NAME_NOT_RESOLVED)."),
             qPrintable(text));
    QCOMPARE(status(), QString());
}

void BrowserActionsTest::errorPageForHomePage()
{
    startWindow("http://home.invalid/", m_server.url("/English?w=%word"));
    QVERIFY(waitForComplete("http://home.invalid/"));
    QTRY_VERIFY_WITH_TIMEOUT(pageText().contains("could not reach"), kTimeout);
    const QString text = pageText();
    QVERIFY2(text.contains("The page could not reach home.invalid: the host name is unknown"),
             qPrintable(text));
    QVERIFY(!text.contains("dictionary"));
    QCOMPARE(m_completed, QStringList({"http://home.invalid/"}));
    QCOMPARE(m_before, QStringList({"http://home.invalid/"}));
}

void BrowserActionsTest::errorPageNamesTheLookupCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("opening"); // the page's first words
    QTest::newRow("a dictionary") << "Computer (Chi)"
                                  << "The dictionary Computer (Chi) could not";
    QTest::newRow("no lookup") << ""
                               << "The page could not";
}

// The browser alone, as the seam drives it: the caption names the navigation's dictionary.
void BrowserActionsTest::errorPageNamesTheLookupCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, opening);
    const QString url = QStringLiteral("http://127.0.0.1:%1/y").arg(closedPort());
    m_browser->navigate(url, caption);
    QVERIFY(waitForComplete(url));
    QTRY_VERIFY_WITH_TIMEOUT(pageText().contains("could not reach"), kTimeout);
    QVERIFY2(pageText().contains(opening + " reach 127.0.0.1"), qPrintable(pageText()));
}

void BrowserActionsTest::errorPageAfterRefusedLookupNamesNoDictionary()
{
    startWindow(m_server.url("/words"), "javascript:%word");
    QVERIFY(waitForComplete(m_server.url("/words")));
    lookUp("cmdEn2En", "Apple"); // refused: the browser is not asked
    QVERIFY(status().startsWith("Cannot open"));
    const QString url = QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort());
    runJs("location.href = '" + url + "'");
    QVERIFY(waitForComplete(url));
    QTRY_VERIFY_WITH_TIMEOUT(pageText().contains("could not reach"), kTimeout);
    QVERIFY2(pageText().contains("The page could not reach 127.0.0.1"), qPrintable(pageText()));
}

void BrowserActionsTest::httpErrorShowsProvidersPage()
{
    startWindow(m_server.url("/words"), m_server.url("/missing?w=%word"));
    QVERIFY(waitForComplete(m_server.url("/words")));
    lookUp("cmdEn2En", "Apple");
    QVERIFY(waitForComplete(m_server.url("/missing?w=Apple")));
    QTest::qWait(500);
    QCOMPARE(pageText().trimmed(), QString("The provider has no such word."));
}

QTEST_MAIN(BrowserActionsTest)
#include "tst_browser_actions.moc"
