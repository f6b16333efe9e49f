#pragma once

#include <QString>

// The loading animation in the status bar: the text itself is the only state. Each tick adds
// two full stops until there are 20 or more, then falls back to a single one.
namespace status_dots {

constexpr int kMaxDots = 20;

int trailingDots(const QString& text);
QString nextTick(const QString& text);

} // namespace status_dots
