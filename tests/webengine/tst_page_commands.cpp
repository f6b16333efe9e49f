// The embedded browser's printing and its page's context menu, through the real QtWebEngine
// view in the main window.
#include "browser_window.h"
#include "wait_until.h"
#include "webengine/page_printer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

using page_driver::kTimeout;

namespace {

} // namespace

class PageCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void printCancelledPrintsNothing();
    void printToPdf_data();
    void printToPdf();
    void printWithoutPrinterSaysSo();
    void contextMenuHasOnlyWorkingEntries();
    void contextMenuLooksUpSelection();
    void contextMenuLooksUpSelectionInInputField();
    void contextMenuOffersNoLongSelection();

private:
    LocalHttpServer m_server;
    BrowserWindow m_window{m_server};
};

void PageCommandsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/words", BrowserWindow::wordsPage());
    m_server.setPage("/one-page", "<!DOCTYPE html><html><head><title>Apple pie</title></head>"
                                  "<body><h1>Apple pie</h1><p>apple pie, apple tart, Apple</p>"
                                  "</body></html>");
    QByteArray sixPages = "<!DOCTYPE html><html><head><title>Six pages</title></head><body>";
    for (char page = '1'; page <= '6'; ++page)
        sixPages += QByteArray("<h1 style='page-break-after: always'>Page ") + page + "</h1>";
    m_server.setPage("/six-pages", sixPages + "</body></html>");
}

void PageCommandsTest::init()
{
    QVERIFY(m_window.start(m_server.url("/words"), m_server.url("/English?w=%word")));
    QVERIFY(m_window.waitForComplete(m_server.url("/words")));
}

void PageCommandsTest::cleanup()
{
    PagePrinter::printDialogRunner() = [](QPrintDialog& dialog) { return dialog.exec(); };
    QVERIFY(m_window.stop());
    m_server.clearRequests();
}

void PageCommandsTest::printCancelledPrintsNothing()
{
    int shown = 0;
    PagePrinter::printDialogRunner() = [&](QPrintDialog&) {
        ++shown;
        return int(QDialog::Rejected);
    };
    QVERIFY(m_window.focusPage());
    m_window.key(Qt::Key_P, Qt::ControlModifier);
    QTRY_COMPARE(shown, 1);
    QVERIFY(!m_window.part<PagePrinter>()->isPrinting());
    QVERIFY(!m_window.window->findChild<QMessageBox*>("printMessage"));
}

void PageCommandsTest::printToPdf_data()
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
void PageCommandsTest::printToPdf()
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
    QVERIFY(m_window.loadPage(target));
    QString file;
    PagePrinter::printDialogRunner() = [&](QPrintDialog& dialog) {
        file = dialog.printer()->outputFileName();
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat); // "Print to File (PDF)"
        return int(QDialog::Accepted);
    };
    QSignalSpy finished(m_window.part<PagePrinter>(), &PagePrinter::finished);
    QVERIFY(m_window.focusPage());

    m_window.key(Qt::Key_P, Qt::ControlModifier);

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

void PageCommandsTest::printWithoutPrinterSaysSo()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("a printer is installed here");
    QString title;
    PagePrinter::printDialogRunner() = [&](QPrintDialog& dialog) {
        title = dialog.windowTitle();
        dialog.printer()->setOutputFileName(QString()); // no file to print to
        return int(QDialog::Accepted);
    };
    m_window.part<PagePrinter>()->print();
    QCOMPARE(title, QString("Print - no printer is installed"));
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = m_window.window->findChild<QMessageBox*>("printMessage")));
    QVERIFY(box->text().startsWith("No printer is installed."));
    box->close();
    QVERIFY(!m_window.part<PagePrinter>()->isPrinting());
}

void PageCommandsTest::contextMenuHasOnlyWorkingEntries()
{
    QMenu* menu = m_window.openContextMenu(QPoint(300, 300));
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
    menu = m_window.openContextMenu(QPoint(300, 300));
    QVERIFY(menu);
    QAction* print = menu->findChild<QAction*>("printPage");
    QVERIFY(print);
    print->trigger();
    menu->close();
    QTRY_COMPARE(shown, 1);
}

void PageCommandsTest::contextMenuLooksUpSelection()
{
    m_window.evaluate("window.getSelection().selectAllChildren(document.getElementById('w'))");
    QMenu* menu = m_window.openContextMenu(QPoint(40, 30));
    QVERIFY(menu);
    auto* lookUpMenu = menu->findChild<QMenu*>("lookUpMenu");
    QVERIFY(lookUpMenu);
    QCOMPARE(lookUpMenu->title(), QString("Look up \"Apple\""));
    QStringList captions;
    for (QAction* action : lookUpMenu->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({"Chinese", "English", "Thesaurus", "Jananese", "Computer (Chi)",
                                    "Computer (Eng)"}));
    QSignalSpy requested(m_window.browser, &Browser::lookUpRequested);
    lookUpMenu->actions().at(2)->trigger();
    menu->close();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).value<QueryKey>(), QueryKey::Thesaurus);
    QCOMPARE(requested.at(0).at(1).toString(), QString("Apple"));
    const QString url = m_server.url("/Thesaurus?w=Apple");
    QCOMPARE(m_window.window->findChild<QLineEdit*>("txtWord")->text(), QString("Apple"));
    QCOMPARE(m_window.status(), "goto " + url);
    QVERIFY(m_window.waitForComplete(url));
    QCOMPARE(m_window.before.count(url), 1);
    QCOMPARE(m_window.window->currentUrl(), url);
}

void PageCommandsTest::contextMenuLooksUpSelectionInInputField()
{
    m_window.evaluate("var i = document.getElementById('i'); i.focus(); i.select();");
    const QPoint inInput(60, 2 * 60 + 70);
    QString rect;
    bool done = false;
    m_window.view()->page()->runJavaScript(
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
    QMenu* menu = m_window.openContextMenu(QPoint(xy[0].toInt(), xy[1].toInt()));
    QVERIFY(menu);
    auto* lookUpMenu = menu->findChild<QMenu*>("lookUpMenu");
    QVERIFY(lookUpMenu);
    QCOMPARE(lookUpMenu->title(), QString("Look up \"banana split\""));
    lookUpMenu->actions().at(5)->trigger();
    menu->close();
    const QString url = m_server.url("/EngComputer?w=banana split");
    QVERIFY(waitUntil([&] { return m_server.requestCount("/EngComputer?w=banana%20split") == 1; },
                      kTimeout));
    QVERIFY(m_window.waitForComplete(QUrl(url).toString()));
}

void PageCommandsTest::contextMenuOffersNoLongSelection()
{
    m_window.evaluate("window.getSelection().selectAllChildren(document.getElementById('long'))");
    QMenu* menu = m_window.openContextMenu(QPoint(300, 300));
    QVERIFY(menu);
    const bool offered = menu->findChild<QMenu*>("lookUpMenu") != nullptr;
    menu->close();
    QVERIFY(!offered);
}

LEXIVO_BROWSER_TEST_MAIN(PageCommandsTest)
#include "tst_page_commands.moc"
