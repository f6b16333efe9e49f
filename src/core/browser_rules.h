#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

// Rules of the browser's own commands: zoom steps, which selection can be looked up, and the name
// a printed page is offered under.

namespace zoom_steps {

// The zoom levels a browser steps through, in percent; the engine shows 25 % to 500 %.
constexpr std::array<int, 17> kSteps = {25,  33,  50,  67,  75,  80,  90,  100, 110,
                                        125, 150, 175, 200, 250, 300, 400, 500};
constexpr int kDefault = 100;

// The next step above (or below) percent; the largest (smallest) step stays where it is. A level
// between two steps goes to the nearer one in that direction.
int zoomIn(int percent);
int zoomOut(int percent);

} // namespace zoom_steps

namespace selection_lookup {

constexpr int kMaxLength = 100;

// The text a selection is looked up with: the selection trimmed of white space. None for an
// empty selection, one that runs over several lines or one longer than kMaxLength characters.
std::optional<QString> lookupText(const QString& selection);

// The selection is offered to the six dictionaries of kLookupDictionaries (query_string_set.h).

// The caption of the menu entry that looks text up: Look up "text", with "&" kept literal.
QString menuCaption(const QString& text);

} // namespace selection_lookup

namespace print_file {

constexpr int kMaxBaseLength = 100;

// The file name a page is printed to by default: its title, white space made single spaces,
// each character file systems refuse (\ / : * ? " < > | and control characters) made "_", no
// dot or space at either end, at most kMaxBaseLength characters, never a name Windows keeps for
// a device ("NUL" becomes "NUL_"); then ".pdf". A page without a title is "page.pdf".
QString pdfName(const QString& title);

// The same name made unique by a number before ".pdf" ("Apple (2).pdf"), the first of which
// taken(name) is false.
QString unusedName(const QString& name, const std::function<bool(const QString&)>& taken);

} // namespace print_file
