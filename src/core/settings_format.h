#pragma once

#include "core/query_string_set.h"

#include <QString>

// The settings file's text: XML-like, written by concatenation and read by substring search,
// with CR LF line ends and the values verbatim, except in the rare file where a value holds one
// of the file's own tags (settings_escape.h). Which bytes hold the text: settings_encoding.h.
namespace settings_file {

// The file's name inside the session folder.
QString fileName();

// The complete file text for the seven values; no line end after the closing root tag. When a
// value holds one of the seven tags, and only then, the "Type" element says "Option+escaped"
// instead of "Option" and every value is escaped. Files of tag-free values are byte for byte
// what they always were, and no file written before the marker existed has it (their first
// Type element is always "Option").
QString buildSettingsText(const QueryStringSet& values);

// The text between the first "<tag>" (any letter case) and the next "</tag>" after it, or the
// empty string when either is missing.
QString tagValue(const QString& text, const QString& tagName);

// All seven values out of a settings text; a key that is not found gives the empty string.
// Undoes the escaping of buildSettingsText in a file that is marked for it.
QueryStringSet parseSettingsText(const QString& text);

} // namespace settings_file
