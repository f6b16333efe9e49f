#pragma once

#include "browser/browser_export.h"
#include "core/query_string_set.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

// What the main window uses of its embedded browser, and nothing more: start a navigation, place
// the view, and the facts of each navigation as signals. The browser makes its own decisions
// (which page navigations it refuses, that no new window opens) and reports their outcome. The
// program runs with a QtWebEngine implementation; widget tests use a fake that records
// navigations and raises the signals on request.
class LEXIVO_BROWSER_EXPORT Browser : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Browser() override;

    // The view to place in the window; the browser keeps ownership until it is reparented.
    virtual QWidget* view() = 0;

    // Starts loading the address and returns at once. The address is completed as a browser's
    // address bar does (a missing scheme is http://); an empty address, and one that
    // address_rule refuses, do nothing. lookupCaption names the dictionary whose lookup this is
    // (a lookup button's caption), so that the page shown when its site cannot be reached can say
    // which one failed; it is empty for a navigation that is no lookup (the home page, the
    // website).
    virtual void navigate(const QString& address, const QString& lookupCaption = QString()) = 0;

    // Readies the way to servers a navigation is likely to go to next (the lookups' servers,
    // while the user types a word): their names are resolved and, where the engine can, a
    // connection is opened, so that the navigation need not wait for either. Nothing is asked of
    // the servers. Returns at once.
    virtual void preconnect(const QList<QUrl>& origins) = 0;

Q_SIGNALS:
    // A navigation of the view or one of its frames goes ahead, also one started inside the
    // page. It ends with documentComplete.
    void navigationStarting(const QString& url);
    // A navigation the page started was refused by address_rule (a link to mailto: and the
    // like); reason is the status text that says why. It has no documentComplete.
    void navigationRefused(const QString& url, const QString& reason);
    // A document, the top page's or a frame's, has finished loading, successfully or not; or a
    // navigation of the top page ended without one (an empty answer, a file, a stop).
    void documentComplete(const QString& url);
    // The user asked, from the page (the context menu of a selection), to look word up in the
    // dictionary of key, as if typed in the word box and that button pressed. word is trimmed.
    void lookUpRequested(QueryKey key, const QString& word);
};
