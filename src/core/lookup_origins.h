#pragma once

#include "core/query_string_set.h"

#include <QList>
#include <QUrl>

// The servers a lookup will go to, known before the word is: each lookup template's origin
// (scheme, host and port). The browser can resolve their names, and connect, while the user is
// still typing, so that the click does not wait for it. Nothing of the word is in an origin.
namespace lookup_origins {

// The origin a lookup with this template goes to, as the address the lookup opens would have
// it ("dict.test/q?w=%word" is http://dict.test), with the port left out when it is the scheme's
// own. None (an empty URL) when that depends on the word (a placeholder in the scheme, host or
// port) or when the template opens no web page (empty, about:, file:, refused).
QUrl originOf(const QString& urlTemplate);

// The origins of the six lookup templates, in the buttons' order, each once.
QList<QUrl> ofLookups(const QueryStringSet& queryStrings);

} // namespace lookup_origins
