#include "settings_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>

namespace settings_file {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("    ");

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

QString element(const QString& tag, const QString& value)
{
    return kIndent + QLatin1Char('<') + tag + QLatin1Char('>') + value + QStringLiteral("</") +
           tag + QLatin1Char('>');
}

} // namespace

QString fileName()
{
    return QStringLiteral("lexivo.xml");
}

QString BuildSettingsXML(const QueryStringSet& values)
{
    QString text = QStringLiteral("<?xml version=\"1.0\"?>") + kLineEnd +
                   QStringLiteral("<LexivoDictionaryII>") + kLineEnd +
                   element(QStringLiteral("Type"), QStringLiteral("Option")) + kLineEnd;
    for (const QueryKey key : kQueryKeys)
        text += element(keyName(key), values[key]) + kLineEnd;
    text += QStringLiteral("</LexivoDictionaryII>");
    return text;
}

QString GetTagValue(const QString& text, const QString& tagName)
{
    const QString openingTag = QLatin1Char('<') + tagName + QLatin1Char('>');
    const QString closingTag = QStringLiteral("</") + tagName + QLatin1Char('>');
    const qsizetype open = text.indexOf(openingTag, 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    // Searching from the character after '<' keeps the closing tag from overlapping the opening
    // one.
    const qsizetype close = text.indexOf(closingTag, open + 1, Qt::CaseInsensitive);
    if (close < 0)
        return {};
    const qsizetype start = open + openingTag.size();
    const qsizetype length = close - start;
    return length > 0 ? text.mid(start, length) : QString();
}

QueryStringSet parse(const QString& text)
{
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys)
        values[key] = GetTagValue(text, keyName(key));
    return values;
}

QByteArray encodeAnsi(const QString& text)
{
    QStringEncoder encoder = makeEncoder();
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;

    // The code page lacks some character: encode one character at a time so that exactly those
    // become "?". A surrogate pair is one character (one "?"); a lone surrogate is none at all.
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSurrogate()) {
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i; // no single-byte code page holds characters beyond the BMP
            bytes += '?';
            continue;
        }
        QStringEncoder single = makeEncoder(); // an encoder's error flag never clears
        const QByteArray encoded = single.encode(QStringView(&c, 1));
        bytes += single.hasError() ? QByteArray("?") : encoded;
    }
    return bytes;
}

QString decodeAnsi(const QByteArray& bytes)
{
    QStringDecoder decoder = makeDecoder();
    return decoder.decode(bytes);
}

bool ReadTextFile(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty() || file.error() != QFileDevice::NoError)
        return false;
    text = decodeAnsi(bytes);
    return true;
}

WriteResult WriteTextFile(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    const QByteArray bytes = encodeAnsi(text);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, reason};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace settings_file
