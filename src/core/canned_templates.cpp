#include "core/canned_templates.h"

#include <algorithm>

namespace canned_templates {

const std::vector<Provider>& providers()
{
    // clang-format off
    static const std::vector<Provider> table = {
        {QueryKey::Chinese, 1, 1, "Yahoo Dictionary (Hong Kong)", "hk.dictionary.yahoo.com", "/dict?s=%word"},
        {QueryKey::Chinese, 2, 3, "OK88 Dictionary", "www.ok88.com", "/cgi-bin/ecdict.cgi?english=%word"},
        {QueryKey::Chinese, 3, 2, "Yahoo Dictionary (China)", "cn.dictionary.yahoo.com", "/dictionary/result/%firstchar/%word.html"},
        {QueryKey::English, 1, 1, "MSN Encarta Dictionary", "encarta.msn.com", "/dictionary_/%word.html"},
        {QueryKey::English, 2, 2, "Merriam-Webster Online Dictionary", "www.m-w.com", "/cgi-bin/dictionary?book=Dictionary&va=%word&x=14&y=15"},
        {QueryKey::Thesaurus, 1, 1, "Thesaurus.com", "thesaurus.com", "/search?q=%word"},
        {QueryKey::Thesaurus, 2, 2, "Merriam-Webster Online Dictionary", "www.m-w.com", "/cgi-bin/thesaurus?book=Thesaurus&va=%word&x=16&y=17"},
        {QueryKey::Japanese, 1, 1, "Online Japanese Dictionary", "www.freedict.com", "/english/japanese/?word=%word"},
        {QueryKey::ChiComputer, 1, 1, "HK Computer Society Database (Big-5)", "www.hkcs.org.hk", "/search.cgi?query=%word&trad=b5&text=Text&st=1&dbname=hk&db=none&.submit=Search"},
        {QueryKey::ChiComputer, 2, 2, "HK Computer Society Database (GB)", "www.hkcs.org.hk", "/search.cgi?query=%word&trad=gb&text=Text&st=1&dbname=hk&db=none&.submit=Search"},
        {QueryKey::EngComputer, 1, 1, "FOLDOC Online Dictionary of Computing", "foldoc.org", "/foldoc/foldoc.cgi?query=%word&action=Search"},
    };
    // clang-format on
    return table;
}

std::vector<Provider> providersFor(QueryKey key)
{
    std::vector<Provider> result;
    for (const Provider& provider : providers()) {
        if (provider.key == key)
            result.push_back(provider);
    }
    std::sort(result.begin(), result.end(),
              [](const Provider& a, const Provider& b) { return a.checkBox < b.checkBox; });
    return result;
}

QString templateOf(const Provider& provider)
{
    return QStringLiteral("http://") + QLatin1String(provider.host) +
           QLatin1String(provider.pathQuery);
}

QueryStringSet defaults()
{
    QueryStringSet values;
    values[QueryKey::Home] = homeDefault();
    for (const Provider& provider : providers()) {
        if (provider.checkBox == 1)
            values[provider.key] = templateOf(provider);
    }
    return values;
}

std::optional<QString> selectedTemplate(QueryKey key, const std::vector<bool>& ticked)
{
    std::optional<QString> chosen;
    for (const Provider& provider : providersFor(key)) {
        const std::size_t box = static_cast<std::size_t>(provider.checkBox - 1);
        if (box < ticked.size() && ticked[box])
            chosen = templateOf(provider);
    }
    return chosen;
}

} // namespace canned_templates
