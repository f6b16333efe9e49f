#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QPrintDialog;
class QPrinter;
class QWebEngineView;

// Prints the page shown in a view: the print dialog, then the page on the printer chosen, or,
// when the dialog's target is a PDF file, the engine's own PDF of the page (with its text, and
// small) in that file. The file offered is named after the page's title, in the user's documents
// folder. With no printer installed it says how to keep the page instead. One job at a time. A
// child of the view.
class PagePrinter : public QObject
{
    Q_OBJECT
public:
    explicit PagePrinter(QWebEngineView* view);
    ~PagePrinter() override;

    // Shows the print dialog; the default runs it modally. Tests put their own runner in.
    using PrintDialogRunner = std::function<int(QPrintDialog&)>;
    static PrintDialogRunner& printDialogRunner();

    void print();
    bool isPrinting() const { return m_printing; }

Q_SIGNALS:
    // The job has ended, well or not (the user has been told then).
    void finished(bool success);

private:
    // The PDF file offered in the dialog: the page's title in the documents folder, a name not
    // taken yet.
    QString offeredPdfFile() const;
    void end(bool success);
    void showMessage(const QString& text);

    QWebEngineView* m_view;
    std::unique_ptr<QPrinter> m_printer; // while the page goes to a printer
    bool m_printing = false;
};
