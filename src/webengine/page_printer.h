#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QPrintDialog;
class QPrinter;
class QWebEngineView;

// Prints the page shown in a view: the print dialog, then the page on the printer chosen. With
// no printer installed it says how to keep the page instead. One job at a time. A child of the
// view.
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
    bool isPrinting() const { return m_printer != nullptr; }

private:
    void showMessage(const QString& text);

    QWebEngineView* m_view;
    std::unique_ptr<QPrinter> m_printer; // while a print job runs
};
