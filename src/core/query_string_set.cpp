#include "core/query_string_set.h"

QString keyName(QueryKey key)
{
    switch (key) {
    case QueryKey::Home:
        return QStringLiteral("Home");
    case QueryKey::Chinese:
        return QStringLiteral("Chinese");
    case QueryKey::English:
        return QStringLiteral("English");
    case QueryKey::Thesaurus:
        return QStringLiteral("Thesaurus");
    case QueryKey::Japanese:
        return QStringLiteral("Japanese");
    case QueryKey::ChiComputer:
        return QStringLiteral("ChiComputer");
    case QueryKey::EngComputer:
        return QStringLiteral("EngComputer");
    }
    Q_UNREACHABLE();
}

QString lookupCaption(QueryKey key)
{
    for (const LookupDictionary& dictionary : kLookupDictionaries)
        if (dictionary.key == key)
            return QString::fromLatin1(dictionary.caption);
    return QString();
}
