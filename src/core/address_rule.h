#pragma once

#include <QString>
#include <QUrl>

// Which addresses the program opens, taken as an address bar takes them: an address without a
// scheme is a web address ("dict.test/q" is "http://dict.test/q"), never a local file; one with
// a scheme opens only for the schemes a dictionary needs. Anything else gets a status text that
// says why it was not opened.
namespace address_rule {

// The engine drops, without a word, any address longer than this (its encoded form).
constexpr qsizetype kMaxEncodedLength = 2 * 1024 * 1024;

struct Verdict
{
    enum Kind {
        Empty,         // nothing to open: left to the browser, which does nothing
        Open,          // url is the address to load
        RefusedScheme, // scheme names the scheme, lower case, without its colon
        Invalid,       // not an address, even with "http://" before it
        TooLong,       // longer than kMaxEncodedLength once encoded
    };
    Kind kind = Empty;
    QUrl url;
    QString scheme;

    bool refused() const { return kind == RefusedScheme || kind == Invalid || kind == TooLong; }
};

// An address the user gave (a filled template, the home page, the maker's site). Surrounding
// blanks are ignored. Only http, https, about and file addresses are opened.
Verdict classify(const QString& address);

// A navigation a page starts (a link, a script, a frame), as the browser reports it. Besides the
// schemes above, a page may open its own data: and blob: content; any other scheme (mailto:,
// tel:, ...) would leave the browser for another program, and is refused.
Verdict classifyPageNavigation(const QString& url);

// The status text for a refused address; empty when the verdict is not a refusal.
QString refusalText(const QString& address, const Verdict& verdict);

} // namespace address_rule
