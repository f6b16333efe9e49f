#pragma once

#include <QString>
#include <QUrl>

// The program's error pages, shown in the browser in place of a page: the page for a site that
// cannot be reached, with advice that fits the cause, and the page for a page whose renderer
// ended. Both are local, run no script, follow the colours they are given and wrap any text.
namespace error_page {

// The page's colours, as CSS colours ("#rrggbb"); dark tells the engine to draw its own parts
// (scroll bars, the page around the text) dark as well.
struct Colors
{
    QString text = QStringLiteral("#000000");
    QString background = QStringLiteral("#ffffff");
    bool dark = false;
};

// A navigation the engine could not complete.
struct Failure
{
    QString dictionary; // the lookup button's caption; empty for any other page
    QUrl url;
    int errorCode = 0; // the engine's network error (Chromium's net error list)
    QString engineText;
};

// What went wrong, in the terms of what the user can do about it.
enum class Cause {
    UnknownHost,      // no server has that name
    NameLookupFailed, // the names could not be looked up at all
    NoNetwork,
    Refused,     // nothing answers at that port
    TimedOut,    // the server took too long
    Unreachable, // no way to the server
    NoAnswer,    // the server closed the connection without an answer
    SecureConnection,
    Certificate,
    UnsafePort, // a port kept for other services, which the engine does not use
    Proxy,
    Other,
};
Cause causeOf(int errorCode);

// The engine's network error in plain words, followed by its own short name, e.g.
// "the host name is unknown (ERR_NAME_NOT_RESOLVED)".
QString shortError(int errorCode, const QString& engineText);

// The server as the user wrote it: its host name, and its port when the address names one.
QString shownHost(const QUrl& url);

// What the user can do, as plain text. For a lookup (a failure with a dictionary) it points to
// the dictionary's settings where the cause lies with the site; never for the program's own web
// site or another page.
QString advice(const Failure& failure);

// The program's page for a site that cannot be reached: who could not reach which server, why,
// and the advice. Without scripts; every value escaped.
QString unreachableSiteHtml(const Failure& failure, const Colors& colors);

// The page shown in place of one whose renderer crashed or ran out of memory.
QString rendererEndedHtml(const Colors& colors);

// Whether url is one of the program's error pages (a data: URL as setHtml makes them, holding the
// pages' marker): it is shown, never navigated to.
bool isErrorPage(const QUrl& url);
// Whether url is the page for a site that cannot be reached.
bool isUnreachableSitePage(const QUrl& url);

} // namespace error_page
