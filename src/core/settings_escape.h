#pragma once

#include <QString>

// The one exception to storing values verbatim. A value that holds something the reader would
// take for one of the seven keys' tags ("<English>", "</home>", in any letter case) would corrupt
// the file, so a file with such a value is marked (see settings_format.h) and in every value of
// it the '<' of such a tag is written "&lt;" and an '&' that starts "&lt;" or "&amp;...lt;" gets
// one more "amp;". Only marked files are unescaped when read.
namespace settings_file {

// Whether the value holds one of the seven keys' opening or closing tags.
bool holdsKeyTag(const QString& value);

QString escapeValue(const QString& value);
QString unescapeValue(const QString& value);

} // namespace settings_file
