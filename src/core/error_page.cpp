#include "core/error_page.h"

#include "core/product_info.h"

#include <QRegularExpression>

namespace error_page {

namespace {

// The markers that tell the program's error pages from the web's.
constexpr char kErrorPageMarker[] = "<meta name=\"lexivo-notice\"";
constexpr char kUnreachableSiteMarker[] = "<meta name=\"lexivo-notice\" content=\"load-failed\">";
constexpr char kRendererEndedMarker[] = "<meta name=\"lexivo-notice\" content=\"renderer\">";

const QString kSelectProvider =
    QStringLiteral(" If the site has moved or closed, choose another provider: Option \u25B8 "
                   "Online Dictionary Query String \u25B8 Select.");

QString htmlEscape(const QString& text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

// A colour as CSS takes it, or the fallback for anything else.
QString cssColor(const QString& color, const QString& fallback)
{
    static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    return hex.match(color).hasMatch() ? color : fallback;
}

// The head of a page of ours, up to its body: local, without scripts, in the given colours,
// wrapping any word that is wider than the page (a host name may be 255 characters long).
QString head(const char* marker, const QString& title, const Colors& colors)
{
    const Colors plain;
    const QString scheme = colors.dark ? QStringLiteral("dark") : QStringLiteral("light");
    return QLatin1String("<!DOCTYPE html><html><head><meta charset=\"utf-8\">") +
           QLatin1String(marker) +
           QLatin1String(
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
               "script-src 'none'; style-src 'unsafe-inline'\">") +
           QStringLiteral("<meta name=\"color-scheme\" content=\"%1\">").arg(scheme) +
           QStringLiteral("<title>%1</title><style>").arg(title) +
           QStringLiteral("html { color-scheme: %1; color: %2; background: %3; }")
               .arg(scheme, cssColor(colors.text, plain.text),
                    cssColor(colors.background, plain.background)) +
           QLatin1String("body { font-family: sans-serif; font-size: 11pt; line-height: 1.4; "
                         "margin: 2em; max-width: 42em; overflow-wrap: anywhere; } "
                         "h2 { font-size: 14pt; }</style></head><body>");
}

bool hasMarker(const QUrl& url, const char* marker)
{
    if (url.scheme() != QLatin1String("data"))
        return false;
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    const qsizetype comma = path.indexOf(',');
    if (comma < 0)
        return false;
    QByteArray content = QByteArray::fromPercentEncoding(path.mid(comma + 1));
    if (path.left(comma).endsWith(";base64"))
        content = QByteArray::fromBase64(content);
    return content.contains(marker);
}

bool isMakerWebsite(const QUrl& url)
{
    return !url.host().isEmpty() &&
           url.host().compare(QUrl(product::makerWebsite()).host(), Qt::CaseInsensitive) == 0;
}

int portOf(const QUrl& url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

// The engine's network error codes (net/base/net_error_list.h) the user can act on.
QString plainWords(Cause cause)
{
    switch (cause) {
    case Cause::UnknownHost:
        return QStringLiteral("the host name is unknown");
    case Cause::NameLookupFailed:
        return QStringLiteral("the host name could not be looked up");
    case Cause::NoNetwork:
        return QStringLiteral("this computer is not connected to a network");
    case Cause::Refused:
        return QStringLiteral("the server refused the connection");
    case Cause::TimedOut:
        return QStringLiteral("the server did not answer in time");
    case Cause::Unreachable:
        return QStringLiteral("the server cannot be reached");
    case Cause::NoAnswer:
        return QStringLiteral("the server closed the connection without an answer");
    case Cause::SecureConnection:
        return QStringLiteral("a secure connection could not be made");
    case Cause::Certificate:
        return QStringLiteral("the site's security certificate is not valid");
    case Cause::UnsafePort:
        return QStringLiteral("the program does not connect to that port");
    case Cause::Proxy:
        return QStringLiteral("the proxy server cannot be reached");
    case Cause::Other:
        break;
    }
    return QStringLiteral("the page could not be loaded");
}

} // namespace

Cause causeOf(int errorCode)
{
    switch (errorCode) {
    case -105:
        return Cause::UnknownHost;
    case -137:
        return Cause::NameLookupFailed;
    case -106:
        return Cause::NoNetwork;
    case -102:
        return Cause::Refused;
    case -7:
    case -118:
        return Cause::TimedOut;
    case -104:
    case -109:
        return Cause::Unreachable;
    case -100:
    case -101:
    case -324:
        return Cause::NoAnswer;
    case -107:
    case -113:
        return Cause::SecureConnection;
    case -312:
        return Cause::UnsafePort;
    case -130:
    case -131:
        return Cause::Proxy;
    default:
        return errorCode <= -200 && errorCode > -300 ? Cause::Certificate : Cause::Other;
    }
}

QString shortError(int errorCode, const QString& engineText)
{
    QString name = engineText.trimmed();
    if (name.startsWith(QLatin1String("net::")))
        name = name.mid(5);
    constexpr int kMaxName = 60;
    if (name.size() > kMaxName)
        name = name.left(kMaxName) + QChar(0x2026);
    if (name.isEmpty())
        name = QStringLiteral("error %1").arg(errorCode);
    return plainWords(causeOf(errorCode)) + QStringLiteral(" (") + name + QLatin1Char(')');
}

QString shownHost(const QUrl& url)
{
    if (url.host().isEmpty())
        return QStringLiteral("the server");
    return url.port() < 0 ? url.host()
                          : url.host() + QLatin1Char(':') + QString::number(url.port());
}

QString advice(const Failure& failure)
{
    const Cause cause = causeOf(failure.errorCode);
    const QString port = QString::number(portOf(failure.url));
    QString text;
    switch (cause) {
    case Cause::UnknownHost:
        text = QStringLiteral("No server is known by that name. Check the address for a typing "
                              "error.");
        break;
    case Cause::NameLookupFailed:
    case Cause::Unreachable:
        text = QStringLiteral("Check that this computer is connected to the network, then press "
                              "F5 to try again.");
        break;
    case Cause::NoNetwork:
        text = QStringLiteral("Connect this computer to a network, then press F5 to try again.");
        break;
    case Cause::Refused:
        text = QStringLiteral("Nothing answers at port %1 of that server: the service may be "
                              "stopped, or the address may name the wrong port. Press F5 to try "
                              "again later.")
                   .arg(port);
        break;
    case Cause::TimedOut:
        text = QStringLiteral("The server may be busy, or the network slow. Press F5 to try "
                              "again.");
        break;
    case Cause::NoAnswer:
        text = QStringLiteral("The server may be busy. Press F5 to try again.");
        break;
    case Cause::SecureConnection:
        text = QStringLiteral("The site's secure connection may be out of date or broken. Press "
                              "F5 to try again later.");
        break;
    case Cause::Certificate:
        text = QStringLiteral("The program does not show a page whose certificate it cannot trust "
                              "(expired, made for another site, or from an unknown authority): "
                              "what passes could be read or changed on the way. Check that this "
                              "computer's date and time are right.");
        break;
    case Cause::UnsafePort:
        text = QStringLiteral("Port %1 is kept for services other than web pages, so the program "
                              "does not connect to it. Web pages are served at port 80 (http) or "
                              "443 (https).")
                   .arg(port);
        break;
    case Cause::Proxy:
        text = QStringLiteral("Check this computer's proxy settings, then press F5 to try again.");
        break;
    case Cause::Other:
        text = QStringLiteral("Press F5 to try again.");
        break;
    }
    // The user's settings can mend only a lookup, and only where the site is at fault.
    if (failure.dictionary.isEmpty() || isMakerWebsite(failure.url))
        return text;
    switch (cause) {
    case Cause::NameLookupFailed:
    case Cause::NoNetwork:
    case Cause::Unreachable:
    case Cause::Proxy:
        return text;
    case Cause::UnsafePort:
        return text + QStringLiteral(" The address comes from the dictionary's template: correct "
                                     "it, or choose another provider, in Option \u25B8 Online "
                                     "Dictionary Query String.");
    default:
        return text + kSelectProvider;
    }
}

QString unreachableSiteHtml(const Failure& failure, const Colors& colors)
{
    const QString who = failure.dictionary.isEmpty()
                            ? QStringLiteral("The page")
                            : QStringLiteral("The dictionary <b>") +
                                  htmlEscape(failure.dictionary) + QStringLiteral("</b>");
    return head(kUnreachableSiteMarker, QStringLiteral("Page not reached"), colors) +
           QStringLiteral("<h2>The page could not be reached</h2><p>") + who +
           QStringLiteral(" could not reach <b>") + htmlEscape(shownHost(failure.url)) +
           QStringLiteral("</b>: ") +
           htmlEscape(shortError(failure.errorCode, failure.engineText)) +
           QStringLiteral(".</p><p>") + htmlEscape(advice(failure)) +
           QStringLiteral("</p></body></html>");
}

QString rendererEndedHtml(const Colors& colors)
{
    return head(kRendererEndedMarker, QStringLiteral("Page stopped"), colors) +
           QLatin1String("<h2>This page stopped working.</h2>"
                         "<p>The process that showed it ended unexpectedly: it crashed or ran out "
                         "of memory.</p>"
                         "<p>Look the word up again, or choose another dictionary.</p>"
                         "</body></html>");
}

bool isErrorPage(const QUrl& url)
{
    return hasMarker(url, kErrorPageMarker);
}

bool isUnreachableSitePage(const QUrl& url)
{
    return hasMarker(url, kUnreachableSiteMarker);
}

} // namespace error_page
