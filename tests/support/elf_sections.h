#pragma once

// Where a section of an ELF file lies, as readelf reports it: for tests that damage a module in a
// place of their choosing.

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>

namespace elf_sections {

struct Range
{
    qint64 offset = 0;
    qint64 size = 0;
};

// The section's place in the file; empty when readelf does not list it.
inline Range fileRange(const QString& file, const QString& section)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-SW"), file});
    readelf.waitForFinished();
    const QRegularExpression row(
        QStringLiteral("\\]\\s+") + QRegularExpression::escape(section) +
        QStringLiteral("\\s+\\S+\\s+[0-9a-f]+\\s+([0-9a-f]+)\\s+([0-9a-f]+)"));
    const QRegularExpressionMatch match =
        row.match(QString::fromLocal8Bit(readelf.readAllStandardOutput()));
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toLongLong(nullptr, 16), match.captured(2).toLongLong(nullptr, 16)};
}

// Overwrites count bytes from the start of the section plus offset with 0xCC (a trap
// instruction in x86 code, a nonsense address in data).
inline void overwrite(QByteArray& contents, const Range& section, qint64 offset, qint64 count)
{
    contents.replace(section.offset + offset, count, QByteArray(count, '\xcc'));
}

} // namespace elf_sections
