#include "core/browser_rules.h"

#include <algorithm>

namespace zoom_steps {

int zoomIn(int percent)
{
    const auto next = std::upper_bound(kSteps.begin(), kSteps.end(), percent);
    return next == kSteps.end() ? kSteps.back() : *next;
}

int zoomOut(int percent)
{
    const auto next = std::lower_bound(kSteps.begin(), kSteps.end(), percent);
    return next == kSteps.begin() ? kSteps.front() : *(next - 1);
}

} // namespace zoom_steps

namespace selection_lookup {

std::optional<QString> lookupText(const QString& selection)
{
    const QString text = selection.trimmed();
    if (text.isEmpty() || text.size() > kMaxLength)
        return std::nullopt;
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == u'\x85')
            return std::nullopt;
    }
    return text;
}

QString menuCaption(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("Look up \"") + shown + QLatin1Char('"');
}

} // namespace selection_lookup

namespace print_file {

namespace {

bool isReservedDeviceName(const QString& base)
{
    static const QStringList reserved = {
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),
        QStringLiteral("NUL"),  QStringLiteral("COM1"), QStringLiteral("COM2"),
        QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM5"),
        QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
        QStringLiteral("LPT3"), QStringLiteral("LPT4"), QStringLiteral("LPT5"),
        QStringLiteral("LPT6"), QStringLiteral("LPT7"), QStringLiteral("LPT8"),
        QStringLiteral("LPT9")};
    return reserved.contains(base.section(QLatin1Char('.'), 0, 0), Qt::CaseInsensitive);
}

QString trimmedOfDotsAndSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && (text.at(first) == u'.' || text.at(first) == u' '))
        ++first;
    while (last > first && (text.at(last - 1) == u'.' || text.at(last - 1) == u' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QString pdfName(const QString& title)
{
    QString base;
    for (const QChar c : title) {
        if (c.isSpace())
            base += u' ';
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f ||
                 QStringView(u"\\/:*?\"<>|").contains(c))
            base += u'_';
        else
            base += c;
    }
    base = trimmedOfDotsAndSpaces(base.simplified());
    if (base.size() > kMaxBaseLength) {
        // Not between the two halves of a character outside the Basic Multilingual Plane.
        base.truncate(base.at(kMaxBaseLength - 1).isHighSurrogate() ? kMaxBaseLength - 1
                                                                    : kMaxBaseLength);
        base = trimmedOfDotsAndSpaces(base);
    }
    if (base.isEmpty())
        base = QStringLiteral("page");
    else if (isReservedDeviceName(base))
        base += u'_';
    return base + QStringLiteral(".pdf");
}

QString unusedName(const QString& name, const std::function<bool(const QString&)>& taken)
{
    const QString base = name.chopped(4); // ".pdf"
    QString candidate = name;
    for (int number = 2; taken(candidate); ++number)
        candidate = base + QStringLiteral(" (%1).pdf").arg(number);
    return candidate;
}

} // namespace print_file

namespace error_page {

QString htmlEscape(const QString& text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

namespace {

// Chromium's network error codes (net/base/net_error_list.h) the user can act on.
QString plainWords(int code)
{
    switch (code) {
    case -105:
        return QStringLiteral("the host name is unknown");
    case -137:
        return QStringLiteral("the host name could not be looked up");
    case -102:
        return QStringLiteral("the server refused the connection");
    case -7:
    case -118:
        return QStringLiteral("the server did not answer in time");
    case -106:
        return QStringLiteral("this computer is not connected to a network");
    case -104:
    case -109:
        return QStringLiteral("the server cannot be reached");
    case -100:
    case -101:
    case -324:
        return QStringLiteral("the server closed the connection without an answer");
    case -107:
    case -113:
        return QStringLiteral("a secure connection could not be made");
    case -312:
        return QStringLiteral("the program does not connect to that port");
    case -130:
    case -131:
        return QStringLiteral("the proxy server cannot be reached");
    default:
        if (code <= -200 && code > -300)
            return QStringLiteral("the site's security certificate is not valid");
        return QStringLiteral("the page could not be loaded");
    }
}

} // namespace

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
    return plainWords(errorCode) + QStringLiteral(" (") + name + QLatin1Char(')');
}

QString html(const QString& dictionary, const QString& host, const QString& error)
{
    const QString shownHost =
        host.isEmpty() ? QStringLiteral("the server")
                       : QStringLiteral("<b>") + htmlEscape(host) + QStringLiteral("</b>");
    const QString who = dictionary.isEmpty() ? QStringLiteral("The page")
                                             : QStringLiteral("The dictionary <b>") +
                                                   htmlEscape(dictionary) + QStringLiteral("</b>");
    return QLatin1String("<!DOCTYPE html><html><head><meta charset=\"utf-8\">") +
           QLatin1String(kMarker) +
           QLatin1String(
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
               "script-src 'none'; style-src 'unsafe-inline'\">"
               "<title>Page not reached</title></head>"
               "<body style=\"font-family: sans-serif; font-size: 11pt; line-height: 1.4; "
               "margin: 2em; max-width: 42em\">"
               "<h2 style=\"font-size: 14pt\">The page could not be reached</h2>") +
           QStringLiteral("<p>") + who + QStringLiteral(" could not reach ") + shownHost +
           QStringLiteral(": ") + htmlEscape(error) + QStringLiteral(".</p>") +
           QLatin1String(
               "<p>Check that this computer is connected to the network and try again. If the "
               "site has moved or closed, choose another provider: <b>Option</b> &#9656; "
               "<b>Online Dictionary Query String</b> &#9656; <b>Select</b>.</p>"
               "</body></html>");
}

QString rendererEndedHtml()
{
    return QLatin1String("<!DOCTYPE html><html><head><meta charset=\"utf-8\">") +
           QLatin1String(kRendererEndedMarker) +
           QLatin1String("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                         "'none'; style-src 'unsafe-inline'\">"
                         "<title>Page stopped</title></head>"
                         "<body style=\"font-family: sans-serif; margin: 2em\">"
                         "<h3>This page stopped working.</h3>"
                         "<p>The process that showed it ended unexpectedly: it crashed or ran out "
                         "of memory.</p>"
                         "<p>Look the word up again, or choose another dictionary.</p>"
                         "</body></html>");
}

bool isOwnPage(const QUrl& url, const char* marker)
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

} // namespace error_page
