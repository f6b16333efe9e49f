#pragma once

#include "core/query_string_set.h"

#include <QString>

#include <optional>
#include <vector>

// The ready-made URL templates offered by the provider suggestion dialogs, one row per check
// box. The first check box of each dialog is also that key's built-in default, so the two can
// never drift apart.
namespace canned_templates {

struct Provider
{
    QueryKey key;          // the setting the template is for
    int checkBox;          // 1, 2 or 3: Check1..Check3 of the key's suggestion dialog
    int row;               // position from the top of the dialog, counted from 1
    const char* name;      // the provider as the label beside the box names it
    const char* host;      // the provider's server
    const char* pathQuery; // after the host
};

const std::vector<Provider>& providers();

// The providers of one key, in check-box order (Check1, Check2, Check3).
std::vector<Provider> providersFor(QueryKey key);

// "http://" + host + path and query.
QString templateOf(const Provider& provider);

// The built-in settings used when there is no settings file.
QueryStringSet defaults();

// The template the Select flow writes for the ticked boxes (ticked[i] is Check(i+1)); every
// ticked box writes in check-box order, so the last ticked one wins. Nothing when none is ticked.
std::optional<QString> selectedTemplate(QueryKey key, const std::vector<bool>& ticked);

// The main window's Home default.
inline QString homeDefault()
{
    return QStringLiteral("about:blank");
}

} // namespace canned_templates
