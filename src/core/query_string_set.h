#pragma once

#include <QString>

#include <array>

// The seven query strings: the home page and one URL template per lookup button, always handled
// in this order (the order of the settings file and of the options dialog's fields).
enum class QueryKey { Home, Chinese, English, Thesaurus, Japanese, ChiComputer, EngComputer };

constexpr int kQueryKeyCount = 7;

constexpr std::array<QueryKey, kQueryKeyCount> kQueryKeys = {
    QueryKey::Home,     QueryKey::Chinese,     QueryKey::English,     QueryKey::Thesaurus,
    QueryKey::Japanese, QueryKey::ChiComputer, QueryKey::EngComputer,
};

// The key's name as it appears in the settings file's tags.
QString keyName(QueryKey key);

// The six dictionaries, in the order of the main window's lookup buttons (left to right), with
// the buttons' captions; the page's context menu offers a selection to them under these names.
struct LookupDictionary
{
    QueryKey key;
    const char* caption;
};
constexpr std::array<LookupDictionary, kQueryKeyCount - 1> kLookupDictionaries = {{
    {QueryKey::Chinese, "Chinese"},
    {QueryKey::English, "English"},
    {QueryKey::Thesaurus, "Thesaurus"},
    {QueryKey::Japanese, "Jananese"},
    {QueryKey::ChiComputer, "Computer (Chi)"},
    {QueryKey::EngComputer, "Computer (Eng)"},
}};

// The caption of key's lookup button; empty for the home page, which has none.
QString lookupCaption(QueryKey key);

class QueryStringSet
{
public:
    const QString& operator[](QueryKey key) const { return m_values[index(key)]; }
    QString& operator[](QueryKey key) { return m_values[index(key)]; }
    bool operator==(const QueryStringSet& other) const { return m_values == other.m_values; }
    bool operator!=(const QueryStringSet& other) const { return !(*this == other); }

private:
    static std::size_t index(QueryKey key) { return static_cast<std::size_t>(key); }
    std::array<QString, kQueryKeyCount> m_values;
};
