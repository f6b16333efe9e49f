#pragma once

#include "core/query_string_set.h"
#include "local_http_server.h"

// A query-string set whose every lookup is served by server ("/<Key>?w=%word"), with the home
// page and the English template given.
inline QueryStringSet queryStringsServedBy(const LocalHttpServer& server, const QString& home,
                                           const QString& englishTemplate)
{
    QueryStringSet values;
    for (QueryKey key : kQueryKeys)
        values[key] = server.url("/" + keyName(key) + "?w=%word");
    values[QueryKey::Home] = home;
    values[QueryKey::English] = englishTemplate;
    return values;
}
