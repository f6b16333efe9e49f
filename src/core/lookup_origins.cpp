#include "core/lookup_origins.h"

#include "core/address_rule.h"
#include "core/url_template.h"

namespace lookup_origins {

namespace {

QUrl webOrigin(const QString& address)
{
    const address_rule::Verdict verdict = address_rule::classify(address);
    const QString scheme = verdict.url.scheme();
    if (verdict.kind != address_rule::Verdict::Open ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    QUrl origin;
    origin.setScheme(scheme);
    origin.setHost(verdict.url.host());
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    if (verdict.url.port() != defaultPort)
        origin.setPort(verdict.url.port());
    return origin;
}

} // namespace

QUrl originOf(const QString& urlTemplate)
{
    // The template filled with two different words: where the origins differ, a placeholder
    // lies in the scheme, host or port, and the server is known only once the word is.
    const QUrl first =
        webOrigin(url_template::lookupAddress(QStringLiteral("a"), urlTemplate).value());
    const QUrl second =
        webOrigin(url_template::lookupAddress(QStringLiteral("b"), urlTemplate).value());
    return first == second ? first : QUrl();
}

QList<QUrl> ofLookups(const QueryStringSet& queryStrings)
{
    QList<QUrl> origins;
    for (const LookupDictionary& dictionary : kLookupDictionaries) {
        const QUrl origin = originOf(queryStrings[dictionary.key]);
        if (!origin.isEmpty() && !origins.contains(origin))
            origins.append(origin);
    }
    return origins;
}

} // namespace lookup_origins
