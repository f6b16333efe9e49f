#include "core/status_dots.h"

namespace status_dots {

int trailingDots(const QString& text)
{
    qsizetype i = text.size();
    while (i > 0 && text.at(i - 1) == u'.')
        --i;
    // A text made of full stops only has no character before them to stop at: count 0.
    if (i == 0)
        return 0;
    return static_cast<int>(text.size() - i);
}

QString nextTick(const QString& text)
{
    const int dots = trailingDots(text);
    if (dots < kMaxDots)
        return text + QStringLiteral("..");
    return text.left(text.size() - dots) + QLatin1Char('.');
}

} // namespace status_dots
