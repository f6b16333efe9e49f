#include "core/address_rule.h"

namespace address_rule {

namespace {

bool isSchemeChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'-' || c == u'.';
}

// The scheme the address is written with, or an empty string when it has none. As in an address
// bar, "localhost:8080/x" is a host and its port, not a scheme.
QString explicitScheme(const QString& address)
{
    if (address.isEmpty() || !address.at(0).isLetter() || address.at(0).unicode() > 0x7f)
        return QString();
    qsizetype colon = 1;
    while (colon < address.size() && isSchemeChar(address.at(colon)))
        ++colon;
    if (colon == address.size() || address.at(colon) != u':')
        return QString();
    qsizetype digits = colon + 1;
    while (digits < address.size() && address.at(digits).isDigit() &&
           address.at(digits).unicode() < 0x80)
        ++digits;
    if (digits > colon + 1 &&
        (digits == address.size() || QStringView(u"/?#").contains(address.at(digits))))
        return QString();
    return address.left(colon).toLower();
}

bool isUserScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("about") || scheme == QLatin1String("file");
}

bool isWebScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

Verdict refusedScheme(const QString& scheme)
{
    Verdict verdict;
    verdict.kind = Verdict::RefusedScheme;
    verdict.scheme = scheme;
    return verdict;
}

} // namespace

Verdict classify(const QString& address)
{
    Verdict verdict;
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return verdict;
    const QString scheme = explicitScheme(trimmed);
    if (!scheme.isEmpty() && !isUserScheme(scheme))
        return refusedScheme(scheme);

    const QString full = scheme.isEmpty() ? QStringLiteral("http://") + trimmed : trimmed;
    const QUrl url(full, QUrl::TolerantMode);
    // An invalid URL has no encoded form; its text is as near as it gets.
    if ((url.isValid() ? url.toEncoded().size() : full.size()) > kMaxEncodedLength) {
        verdict.kind = Verdict::TooLong;
        return verdict;
    }
    // A web address names a server; "http:///home/x" must not become a host called "home".
    if (!url.isValid() || (isWebScheme(url.scheme()) && url.host().isEmpty())) {
        verdict.kind = Verdict::Invalid;
        return verdict;
    }
    verdict.kind = Verdict::Open;
    verdict.url = url;
    return verdict;
}

Verdict classifyPageNavigation(const QString& url)
{
    const QString scheme = QUrl(url).scheme().toLower();
    // Without a scheme (an empty URL) it names no other program.
    if (!scheme.isEmpty() && !isUserScheme(scheme) && scheme != QLatin1String("data") &&
        scheme != QLatin1String("blob"))
        return refusedScheme(scheme);
    Verdict verdict;
    verdict.kind = Verdict::Open;
    verdict.url = QUrl(url);
    return verdict;
}

QString refusalText(const QString& address, const Verdict& verdict)
{
    const QString start = QStringLiteral("Cannot open ") + address + QStringLiteral(": ");
    switch (verdict.kind) {
    case Verdict::RefusedScheme:
        return start + QLatin1Char('"') + verdict.scheme +
               QStringLiteral(":\" addresses are not allowed");
    case Verdict::Invalid:
        return start + QStringLiteral("it is not a valid address");
    case Verdict::TooLong:
        return start + QStringLiteral("the address is too long");
    case Verdict::Empty:
    case Verdict::Open:
        break;
    }
    return QString();
}

} // namespace address_rule
