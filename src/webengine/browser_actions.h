#pragma once

#include "core/query_string_set.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class FindBar;
class QKeyEvent;
class QPoint;
class QPrintDialog;
class QPrinter;
class QUrl;
class QWebEngineLoadingInfo;
class QWebEngineView;
class QWidget;

// What makes the embedded view behave like a browser, inside the view and without touching the
// window's design: history, reload and stop keys and mouse buttons, zoom kept for the whole run,
// find in page, printing, a context menu of working entries (with a lookup of the selection),
// and a page of the program's own when a site cannot be reached. A child of the view.
//
// Keys count while the page or the window has the focus, not while another text box (the word
// box) has it: there they keep their editing meaning. The page gets its keys first; those it
// leaves come back to the view's window, where they are taken here.
class BrowserActions : public QObject
{
    Q_OBJECT
public:
    explicit BrowserActions(QWebEngineView* view);
    ~BrowserActions() override;

    // Shows the print dialog; the default runs it modally. Tests put their own runner in.
    using PrintDialogRunner = std::function<int(QPrintDialog&)>;
    static PrintDialogRunner& printDialogRunner();

    // Whether url is that of the page shown in place of one that could not be reached. It
    // follows the failed navigation, which has ended already: it is no navigation of its own.
    static bool isErrorPage(const QUrl& url);

    void back();
    void forward();
    void reload();
    void stop();
    void find();
    void print();
    int zoomPercent() const { return m_zoomPercent; }
    void setZoomPercent(int percent);
    FindBar* findBar() const { return m_findBar; }
    bool isPrinting() const { return m_printer != nullptr; }

    // The caption of the lookup the next navigation of the top page is, named on the page for a
    // site that cannot be reached; that navigation takes it (Browser::setLookupContext).
    void setLookupContext(const QString& dictionaryCaption);

Q_SIGNALS:
    // The context menu's lookup of the selection: Browser::lookUpRequested.
    void lookUpRequested(QueryKey key, const QString& word);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QKeyEvent* event);
    void watchWindow();
    void showContextMenu(const QPoint& pos);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void applyZoom();
    void showMessage(const QString& text);

    QWebEngineView* m_view;
    FindBar* m_findBar;
    QPointer<QWidget> m_window;      // the view's window, whose keys are watched
    QPointer<QWidget> m_contentView; // the view's focus proxy: mouse buttons and wheel
    int m_zoomPercent;
    int m_wheelDelta = 0;
    QString m_nextLookupCaption; // for the next main-frame navigation
    QString m_lookupCaption;     // of the main-frame navigation under way, if a lookup started it
    std::unique_ptr<QPrinter> m_printer; // while a print job runs
};
