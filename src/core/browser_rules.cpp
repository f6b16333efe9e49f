#include "core/browser_rules.h"

#include <QStringList>

#include <algorithm>

namespace zoom_steps {

int zoomIn(int percent)
{
    const auto next = std::upper_bound(kSteps.begin(), kSteps.end(), percent);
    return next == kSteps.end() ? kSteps.back() : *next;
}

int zoomOut(int percent)
{
    const auto next = std::lower_bound(kSteps.begin(), kSteps.end(), percent);
    return next == kSteps.begin() ? kSteps.front() : *(next - 1);
}

} // namespace zoom_steps

namespace selection_lookup {

std::optional<QString> lookupText(const QString& selection)
{
    const QString text = selection.trimmed();
    if (text.isEmpty() || text.size() > kMaxLength)
        return std::nullopt;
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == u'\x85')
            return std::nullopt;
    }
    return text;
}

QString menuCaption(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("Look up \"") + shown + QLatin1Char('"');
}

} // namespace selection_lookup

namespace print_file {

namespace {

bool isReservedDeviceName(const QString& base)
{
    static const QStringList reserved = {
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),
        QStringLiteral("NUL"),  QStringLiteral("COM1"), QStringLiteral("COM2"),
        QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM5"),
        QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
        QStringLiteral("LPT3"), QStringLiteral("LPT4"), QStringLiteral("LPT5"),
        QStringLiteral("LPT6"), QStringLiteral("LPT7"), QStringLiteral("LPT8"),
        QStringLiteral("LPT9")};
    return reserved.contains(base.section(QLatin1Char('.'), 0, 0), Qt::CaseInsensitive);
}

QString trimmedOfDotsAndSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && (text.at(first) == u'.' || text.at(first) == u' '))
        ++first;
    while (last > first && (text.at(last - 1) == u'.' || text.at(last - 1) == u' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QString pdfName(const QString& title)
{
    QString base;
    for (const QChar c : title) {
        if (c.isSpace())
            base += u' ';
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f ||
                 QStringView(u"\\/:*?\"<>|").contains(c))
            base += u'_';
        else
            base += c;
    }
    base = trimmedOfDotsAndSpaces(base.simplified());
    if (base.size() > kMaxBaseLength) {
        // Not between the two halves of a character outside the Basic Multilingual Plane.
        base.truncate(base.at(kMaxBaseLength - 1).isHighSurrogate() ? kMaxBaseLength - 1
                                                                    : kMaxBaseLength);
        base = trimmedOfDotsAndSpaces(base);
    }
    if (base.isEmpty())
        base = QStringLiteral("page");
    else if (isReservedDeviceName(base))
        base += u'_';
    return base + QStringLiteral(".pdf");
}

QString unusedName(const QString& name, const std::function<bool(const QString&)>& taken)
{
    const QString base = name.chopped(4); // ".pdf"
    QString candidate = name;
    for (int number = 2; taken(candidate); ++number)
        candidate = base + QStringLiteral(" (%1).pdf").arg(number);
    return candidate;
}

} // namespace print_file
