#pragma once

#include <QString>

#include <optional>

// URL templates hold two placeholders: "%firstchar" (the first character of the word: one code
// point, so a surrogate pair stays whole) and
// "%word" (the whole word). Matching is exact and case-sensitive.
namespace url_template {

// Removes leading and trailing U+0020 spaces only; tabs and other blanks stay.
QString trimSpaces(const QString& text);

// Percent-encodes the characters that carry URL syntax (% & # + ? / \ = ;) so that a word such
// as "AT&T" or "C++" reaches the provider as typed. Everything else is left to the browser.
QString encodeUrlSyntax(const QString& text);

// Replaces every "%firstchar" with firstChar, then every "%word" in that result with word.
// The inserted word is never scanned again; the inserted first character can complete a "%word"
// with the template text around it, and that one is replaced.
QString expand(const QString& urlTemplate, const QString& firstChar, const QString& word);

// The address a lookup goes to for what the user typed and the button's template, or nothing
// when the trimmed word is empty.
std::optional<QString> lookupAddress(const QString& typedWord, const QString& urlTemplate);

} // namespace url_template
