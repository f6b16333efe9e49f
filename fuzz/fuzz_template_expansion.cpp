// A typed word and a URL template: check what a lookup may and may not do with them.
//
// Input: UTF-8 text, the word up to the first line feed and the template after it. An input
// starting with a NUL byte is raw UTF-16LE instead (same split), which reaches lone surrogates.
#include "core/url_template.h"
#include "fuzz_check.h"

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

const QString kSyntax = QStringLiteral("%&#+?/\\=;");

QString spacesTrimmed(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QChar(u' '))
        ++first;
    while (last > first && text.at(last - 1) == QChar(u' '))
        --last;
    return text.mid(first, last - first);
}

QString percentEncoded(const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    for (const QChar c : text) {
        if (kSyntax.contains(c)) {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c.unicode() >> 4]);
            out += QLatin1Char(hex[c.unicode() & 0xF]);
        } else {
            out += c;
        }
    }
    return out;
}

// Undoes percentEncoded only: "%XX" for the nine characters, everything else as it is.
QString percentDecoded(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype which = -1;
        for (qsizetype k = 0; k < kSyntax.size() && text.at(i) == u'%'; ++k) {
            if (matchesAt(text, percentEncoded(kSyntax.mid(k, 1)), i))
                which = k;
        }
        if (which >= 0) {
            out += kSyntax.at(which);
            i += 2;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

// Left to right, non-overlapping; the inserted text is not searched again.
QString replacedAll(const QString& text, const QString& placeholder, const QString& with)
{
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = naiveIndexOf(text, placeholder, from);
        if (at < 0)
            break;
        out += text.mid(from, at - from) + with;
        from = at + placeholder.size();
    }
    return out + text.mid(from);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QString input;
    if (size > 0 && data[0] == 0) {
        input.resize(qsizetype((size - 1) / 2));
        std::memcpy(input.data(), data + 1, std::size_t(input.size()) * sizeof(QChar));
    } else {
        input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    const qsizetype lineEnd = input.indexOf(QLatin1Char('\n'));
    const QString typed = lineEnd < 0 ? input : input.left(lineEnd);
    const QString urlTemplate = lineEnd < 0 ? QString() : input.mid(lineEnd + 1);

    const std::optional<QString> address = url_template::lookupAddress(typed, urlTemplate);
    const QString word = spacesTrimmed(typed);
    require(address.has_value() == !word.isEmpty(),
            "a lookup happens exactly when the trimmed word is not empty", typed);
    if (!address)
        return 0;

    // The whole rule, written out: %firstchar first (the first code point, counted here by
    // QString's UCS-4 conversion: two UTF-16 units outside the BMP), then %word in that result.
    const QString trimmedTemplate = spacesTrimmed(urlTemplate);
    const QString firstChar =
        word.left(QChar::requiresSurrogates(word.left(2).toUcs4().value(0)) ? 2 : 1);
    const QString expected = replacedAll(
        replacedAll(trimmedTemplate, QStringLiteral("%firstchar"), percentEncoded(firstChar)),
        QStringLiteral("%word"), percentEncoded(word));
    require(*address == expected, "address differs from the rule", *address);

    // The word never brings URL syntax of its own, and the template's is all kept.
    for (const QChar c : kSyntax.mid(1))
        require(countOf(*address, c) == countOf(trimmedTemplate, c), "URL syntax added or lost",
                *address);

    // Without a '%' there is no placeholder: the template goes out as it is.
    if (!trimmedTemplate.contains(QLatin1Char('%')))
        require(*address == trimmedTemplate, "template without placeholders altered", *address);

    // A template of just the word gives the provider back exactly what was typed.
    const QString alone = url_template::lookupAddress(typed, QStringLiteral("%word")).value();
    require(percentDecoded(alone) == word, "word does not decode back", alone);
    require(!alone.contains(QStringLiteral("%word")) &&
                !alone.contains(QStringLiteral("%firstchar")),
            "an encoded word holds a placeholder", alone);
    return 0;
}
