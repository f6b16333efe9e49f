#include "core/url_template.h"

namespace url_template {

namespace {
const QString kFirstCharPlaceholder = QStringLiteral("%firstchar");
const QString kWordPlaceholder = QStringLiteral("%word");
const QString kUrlSyntaxCharacters = QStringLiteral("%&#+?/\\=;");
} // namespace

QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

QString encodeUrlSyntax(const QString& text)
{
    QString encoded;
    encoded.reserve(text.size());
    for (const QChar c : text) {
        if (kUrlSyntaxCharacters.contains(c))
            encoded += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            encoded += c;
    }
    return encoded;
}

QString expand(const QString& urlTemplate, const QString& firstChar, const QString& word)
{
    QString address = urlTemplate;
    address.replace(kFirstCharPlaceholder, firstChar, Qt::CaseSensitive);
    address.replace(kWordPlaceholder, word, Qt::CaseSensitive);
    return address;
}

std::optional<QString> lookupAddress(const QString& typedWord, const QString& urlTemplate)
{
    const QString word = trimSpaces(typedWord);
    if (word.isEmpty())
        return std::nullopt;
    // The first whole character, in the case the user typed it: a character outside the BMP is
    // two UTF-16 units, and half of one would reach the address as invalid UTF-8.
    const bool pair =
        word.size() > 1 && word.at(0).isHighSurrogate() && word.at(1).isLowSurrogate();
    const QString firstChar = word.left(pair ? 2 : 1);
    return expand(trimSpaces(urlTemplate), encodeUrlSyntax(firstChar), encodeUrlSyntax(word));
}

} // namespace url_template
