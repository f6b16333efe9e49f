#pragma once

#include "core/query_string_set.h"

#include <QObject>
#include <QPointer>

class BrowserView;
class FindBar;
class NavigationTracker;
class PagePrinter;
class QAction;
class QPoint;
class QWebEngineView;
class QWidget;

// What makes the embedded view behave like a browser, without touching the window's design:
// history, reload and stop keys and mouse buttons, zoom kept for the whole run, find in page,
// printing, and a context menu of working entries (with a lookup of the selection). A child of
// the browser's view.
//
// The keys are actions of the browser's view with the platform's standard shortcuts, in no menu
// (the window's menus have no shortcut keys). They count while the window is active, also when
// the page or one of its frames has the focus, except while a text box of the window outside the
// browser (the word box) has it: there they keep their editing meaning. Escape stops a page that
// is loading wherever the focus is; while nothing loads, it is the page's.
class BrowserActions : public QObject
{
    Q_OBJECT
public:
    BrowserActions(BrowserView* view, QWebEngineView* webView, NavigationTracker* navigations,
                   FindBar* findBar);

    // The action whose object name is name ("back", "stop", "zoomIn", ...).
    QAction* action(const char* name) const;

    void back();
    void forward();
    void reload();
    void stop();
    void find();
    void findNext();
    void findPrevious();
    void print();
    void zoomIn();
    void zoomOut();
    void resetZoom();
    int zoomPercent() const { return m_zoomPercent; }
    void setZoomPercent(int percent);

Q_SIGNALS:
    // The context menu's lookup of the selection: Browser::lookUpRequested.
    void lookUpRequested(QueryKey key, const QString& word);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addActions();
    void updateEnabled();
    bool handleContentEvent(QEvent* event);
    void showContextMenu(const QPoint& pos);
    void applyZoom();

    BrowserView* m_view;
    QWebEngineView* m_webView;
    NavigationTracker* m_navigations;
    FindBar* m_findBar;
    PagePrinter* m_printer;
    QList<QAction*> m_actions;
    QAction* m_stop = nullptr;
    QPointer<QWidget> m_contentView; // the web view's focus proxy: mouse buttons and wheel
    int m_zoomPercent;
    int m_wheelDelta = 0;
};
