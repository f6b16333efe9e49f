#include "webengine/page_printer.h"

#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
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
        if (!success)
            showMessage(QStringLiteral("The page could not be printed."));
    });
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::print()
{
    if (m_printer)
        return; // one job at a time
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
    QPrintDialog dialog(printer.get(), m_view->window());
    if (noPrinter)
        dialog.setWindowTitle(QStringLiteral("Print - no printer is installed"));
    if (printDialogRunner()(dialog) != QDialog::Accepted)
        return;
    // With no printer the dialog can only print to a file, and it needs the file's name.
    if (noPrinter && (printer->outputFormat() == QPrinter::NativeFormat ||
                      printer->outputFileName().isEmpty())) {
        showMessage(QStringLiteral("No printer is installed. To keep the page, choose \"Print to "
                                   "File (PDF)\" in the print dialog."));
        return;
    }
    m_printer = std::move(printer);
    m_view->print(m_printer.get());
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
