// An address as the user gives it, and a URL as a page navigates to it: check which ones the
// program opens, and what it says about the others.
//
// Input: UTF-8 text. An input starting with a NUL byte is raw UTF-16LE instead, which reaches
// lone surrogates.
#include "core/address_rule.h"
#include "fuzz_check.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool opensFor(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("about") || scheme == QLatin1String("file");
}

// Whether the text, blanks trimmed, begins with prefix in any letter case.
bool beginsWith(const QString& text, const char* prefix)
{
    const QString trimmed = text.trimmed();
    const qsizetype length = qsizetype(std::strlen(prefix));
    if (trimmed.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = trimmed.at(i).unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        if (lower != char16_t(prefix[i]))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QString address;
    if (size > 0 && data[0] == 0) {
        address.resize(qsizetype((size - 1) / 2));
        std::memcpy(address.data(), data + 1, std::size_t(address.size()) * sizeof(QChar));
    } else {
        address = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    }

    using address_rule::Verdict;
    const Verdict verdict = address_rule::classify(address);
    require((verdict.kind == Verdict::Empty) == address.trimmed().isEmpty(),
            "empty exactly when nothing but blanks", address);
    const QString text = address_rule::refusalText(address, verdict);
    require(text.isEmpty() != verdict.refused(), "a refusal, and only a refusal, has a text",
            address);
    if (verdict.refused())
        require(text.startsWith(QStringLiteral("Cannot open ") + address + QStringLiteral(": ")),
                "the text names the address", text);

    switch (verdict.kind) {
    case Verdict::Open:
        require(verdict.url.isValid(), "an opened address is valid", address);
        require(opensFor(verdict.url.scheme()), "opened with a scheme that is not allowed",
                verdict.url.toString());
        require(verdict.url.toEncoded().size() <= address_rule::kMaxEncodedLength,
                "opened beyond the engine's limit", address);
        // Never a local file by accident: a file address is written as one.
        if (verdict.url.scheme() == QLatin1String("file"))
            require(beginsWith(address, "file:"), "became a file address", address);
        break;
    case Verdict::RefusedScheme:
        require(!verdict.scheme.isEmpty() && !opensFor(verdict.scheme),
                "refused a scheme that is allowed", verdict.scheme);
        require(beginsWith(address, (verdict.scheme + QLatin1Char(':')).toLatin1().constData()),
                "refused a scheme the address does not begin with", address);
        break;
    case Verdict::Empty:
    case Verdict::Invalid:
    case Verdict::TooLong:
        require(verdict.url.isEmpty(), "a refused address carries no URL", address);
        break;
    }

    const Verdict page = address_rule::classifyPageNavigation(address);
    require(page.kind == Verdict::Open || page.kind == Verdict::RefusedScheme,
            "a page's navigation is opened or refused for its scheme", address);
    return 0;
}
