#pragma once

#include <QByteArray>
#include <QString>

// Which bytes hold the settings text. The ANSI code page (the system's on Windows, Windows-1252
// elsewhere) as every earlier version wrote it, unless the text holds a character the code page
// lacks: then UTF-8 after a byte-order mark, so that no character is lost.
namespace settings_file {

// The code page when every character fits in it, otherwise UTF-8 after a byte-order mark. A lone
// surrogate, which no encoding can hold, becomes "?" either way.
QByteArray encodeFileText(const QString& text);

// UTF-8 when the bytes start with its byte-order mark, otherwise the code page. After the mark,
// a byte that is not part of well-formed UTF-8 (a file edited by hand in a Windows-1252 editor)
// is read as the code page's character rather than replaced.
QString decodeFileText(const QByteArray& bytes);

} // namespace settings_file
