#include "webengine/page_printer.h"

#include "core/browser_rules.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QWebEnginePage>
#include <QWebEngineView>

PagePrinter::PrintDialogRunner& PagePrinter::printDialogRunner()
{
    static PrintDialogRunner runner = [](QPrintDialog& dialog) { return dialog.exec(); };
    return runner;
}

PagePrinter::PagePrinter(QWebEngineView* view) : QObject(view), m_view(view)
{
    setObjectName(QStringLiteral("pagePrinter"));
    connect(view, &QWebEngineView::printFinished, this, [this](bool success) {
        m_printer.reset();
        end(success);
    });
    connect(view->page(), &QWebEnginePage::pdfPrintingFinished, this,
            [this](const QString&, bool success) { end(success); });
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::print()
{
    if (m_printing)
        return; // one job at a time
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
    printer->setDocName(m_view->title());
    // Offered should the user choose to print to a file; a printer, if there is one, stays the
    // dialog's choice.
    printer->setOutputFileName(offeredPdfFile());
    if (!noPrinter)
        printer->setOutputFormat(QPrinter::NativeFormat);
    QPrintDialog dialog(printer.get(), m_view->window());
    if (noPrinter)
        dialog.setWindowTitle(QStringLiteral("Print - no printer is installed"));
    if (printDialogRunner()(dialog) != QDialog::Accepted)
        return;
    // The engine's own PDF keeps the page's text and its vector graphics; printed through a
    // QPrinter the page would be a picture of itself, megabytes a page.
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        m_printing = true;
        m_view->page()->printToPdf(printer->outputFileName(), printer->pageLayout(),
                                   printer->pageRanges());
        return;
    }
    // With no printer the dialog can only print to a file, and it needs the file's name.
    if (noPrinter) {
        showMessage(QStringLiteral("No printer is installed. To keep the page, choose \"Print to "
                                   "File (PDF)\" in the print dialog."));
        return;
    }
    m_printing = true;
    m_printer = std::move(printer);
    m_view->print(m_printer.get());
}

QString PagePrinter::offeredPdfFile() const
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QDir dir(folder);
    return dir.filePath(
        print_file::unusedName(print_file::pdfName(m_view->title()), [&dir](const QString& name) {
            return QFileInfo::exists(dir.filePath(name));
        }));
}

void PagePrinter::end(bool success)
{
    m_printing = false;
    if (!success)
        showMessage(QStringLiteral("The page could not be printed."));
    Q_EMIT finished(success);
}

// Not modal: the program goes on while the message is shown.
void PagePrinter::showMessage(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Print"), text,
                                QMessageBox::Ok, m_view->window());
    box->setObjectName(QStringLiteral("printMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
