#include "core/settings_escape.h"

#include "core/query_string_set.h"

#include <QStringList>
#include <QStringView>

namespace settings_file {

namespace {

// Whether a reader would take the text at `at` for one of the seven keys' opening or closing
// tags, compared as tagValue compares them.
bool startsKeyTag(QStringView text, qsizetype at)
{
    static const QStringList tags = [] {
        QStringList all;
        for (const QueryKey key : kQueryKeys) {
            all << QLatin1Char('<') + keyName(key) + QLatin1Char('>')
                << QStringLiteral("</") + keyName(key) + QLatin1Char('>');
        }
        return all;
    }();
    if (text.at(at) != u'<')
        return false;
    const QStringView rest = text.mid(at);
    for (const QString& tag : tags) {
        if (rest.startsWith(tag, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Whether the '&' at `at` starts "&" ("amp;")* "lt;": text that an escaped file's reader would
// turn into something else, so the escaping must protect it. Linear: the run holds no '&'.
bool startsEscapeLike(QStringView text, qsizetype at)
{
    qsizetype i = at + 1;
    while (text.mid(i).startsWith(u"amp;"))
        i += 4;
    return text.mid(i).startsWith(u"lt;");
}

} // namespace

bool holdsKeyTag(const QString& value)
{
    for (qsizetype i = value.indexOf(u'<'); i >= 0; i = value.indexOf(u'<', i + 1)) {
        if (startsKeyTag(value, i))
            return true;
    }
    return false;
}

QString escapeValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'<' && startsKeyTag(value, i))
            escaped += QStringLiteral("&lt;");
        else if (c == u'&' && startsEscapeLike(value, i))
            escaped += QStringLiteral("&amp;");
        else
            escaped += c;
    }
    return escaped;
}

QString unescapeValue(const QString& value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QStringView rest = QStringView(value).mid(i);
        if (rest.startsWith(u"&lt;")) {
            plain += u'<';
            i += 3;
        } else if (rest.startsWith(u"&amp;") && startsEscapeLike(value, i)) {
            plain += u'&';
            i += 4;
        } else {
            plain += value.at(i);
        }
    }
    return plain;
}

} // namespace settings_file
