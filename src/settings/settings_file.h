#pragma once

#include "query_string_set.h"

#include <QByteArray>
#include <QString>

// The settings file: XML-like text written by concatenation and read by substring search, with
// values stored verbatim (no escaping), CR LF line ends, in the ANSI code page.
namespace settings_file {

// The file's name inside the session folder.
QString fileName();

// The complete file text for the seven values; no line end after the closing root tag.
QString BuildSettingsXML(const QueryStringSet& values);

// The text between the first "<tag>" (any letter case) and the next "</tag>" after it, or the
// empty string when either is missing.
QString GetTagValue(const QString& text, const QString& tagName);

// All seven values out of a settings text; a key that is not found gives the empty string.
QueryStringSet parse(const QString& text);

// The ANSI code page: the system's on Windows, Windows-1252 elsewhere. Characters the code page
// cannot hold are written as "?".
QByteArray encodeAnsi(const QString& text);
QString decodeAnsi(const QByteArray& bytes);

// Reads the whole file as ANSI text. False, with text untouched, when the file cannot be read
// or is empty.
bool ReadTextFile(const QString& path, QString& text);

struct WriteResult
{
    bool ok = false;
    QString error; // a reason a person can read, when !ok
};

// Replaces the file's content atomically: the new text goes to a temporary file beside it,
// which is renamed over the old file only once everything has been written and flushed. A
// failed or interrupted save leaves the previous file as it was.
WriteResult WriteTextFile(const QString& path, const QString& text);

} // namespace settings_file
