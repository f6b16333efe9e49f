#pragma once

#include "core/query_string_set.h"
#include "local_http_server.h"

// Settings whose every lookup is served by server ("/<Key>?w=%word"), with the home page and the
// English template given.
inline QueryStringSet settingsServedBy(const LocalHttpServer& server, const QString& home,
                                       const QString& englishTemplate)
{
    QueryStringSet settings;
    for (QueryKey key : kQueryKeys)
        settings[key] = server.url("/" + keyName(key) + "?w=%word");
    settings[QueryKey::Home] = home;
    settings[QueryKey::English] = englishTemplate;
    return settings;
}
