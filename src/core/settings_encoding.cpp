#include "core/settings_encoding.h"

#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>

namespace settings_file {

namespace {

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// On Windows the system's ANSI code page. Elsewhere Windows-1252 rather than Latin-1, so a file
// from a Western Windows machine reads the same (Latin-1 lacks the euro sign and the typographic
// quotes).
// Stateless: a high surrogate at the end of the text is an error, not half of a character
// kept back for a next call that never comes.
QStringEncoder makeEncoder()
{
#ifdef Q_OS_WIN
    return QStringEncoder(QStringConverter::System, QStringConverter::Flag::Stateless);
#else
    return QStringEncoder("windows-1252", QStringConverter::Flag::Stateless);
#endif
}

QStringDecoder makeDecoder()
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringConverter::System);
#else
    return QStringDecoder("windows-1252");
#endif
}

// Lone surrogates, which no encoding can hold, as "?".
QString withoutLoneSurrogates(const QString& text)
{
    QString clean = text;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (c.isHighSurrogate() && i + 1 < clean.size() && clean.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            clean[i] = u'?';
    }
    return clean;
}

} // namespace

QByteArray encodeFileText(const QString& text)
{
    const QString clean = withoutLoneSurrogates(text);
    QStringEncoder encoder = makeEncoder();
    const QByteArray ansi = encoder.encode(clean);
    if (!encoder.hasError())
        return ansi;
    return kUtf8Bom + clean.toUtf8();
}

QString decodeFileText(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.constData() + kUtf8Bom.size(),
                                 bytes.size() - kUtf8Bom.size());
    QStringDecoder decoder = makeDecoder();
    return decoder.decode(bytes);
}

} // namespace settings_file
