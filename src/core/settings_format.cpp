#include "core/settings_format.h"

#include "core/settings_escape.h"

namespace settings_file {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("    ");
const QString kTypeTag = QStringLiteral("Type");
const QString kPlainType = QStringLiteral("Option");
const QString kEscapedType = QStringLiteral("Option+escaped");

QString element(const QString& tag, const QString& value)
{
    return kIndent + QLatin1Char('<') + tag + QLatin1Char('>') + value + QStringLiteral("</") +
           tag + QLatin1Char('>');
}

} // namespace

QString fileName()
{
    return QStringLiteral("lexivo.xml");
}

QString buildSettingsText(const QueryStringSet& values)
{
    bool escaped = false;
    for (const QueryKey key : kQueryKeys)
        escaped = escaped || holdsKeyTag(values[key]);
    QString text = QStringLiteral("<?xml version=\"1.0\"?>") + kLineEnd +
                   QStringLiteral("<LexivoDictionaryII>") + kLineEnd +
                   element(kTypeTag, escaped ? kEscapedType : kPlainType) + kLineEnd;
    for (const QueryKey key : kQueryKeys)
        text += element(keyName(key), escaped ? escapeValue(values[key]) : values[key]) + kLineEnd;
    text += QStringLiteral("</LexivoDictionaryII>");
    return text;
}

QString tagValue(const QString& text, const QString& tagName)
{
    const QString openingTag = QLatin1Char('<') + tagName + QLatin1Char('>');
    const QString closingTag = QStringLiteral("</") + tagName + QLatin1Char('>');
    const qsizetype open = text.indexOf(openingTag, 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    // Searching from the character after '<' keeps the closing tag from overlapping the opening
    // one.
    const qsizetype close = text.indexOf(closingTag, open + 1, Qt::CaseInsensitive);
    if (close < 0)
        return {};
    const qsizetype start = open + openingTag.size();
    const qsizetype length = close - start;
    return length > 0 ? text.mid(start, length) : QString();
}

QueryStringSet parseSettingsText(const QString& text)
{
    // Only a file whose first Type element is exactly the marker is escaped; every file written
    // without escaping has "Option" there and reads exactly as it always did.
    const bool escaped = tagValue(text, kTypeTag) == kEscapedType;
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys) {
        const QString value = tagValue(text, keyName(key));
        values[key] = escaped ? unescapeValue(value) : value;
    }
    return values;
}

} // namespace settings_file
