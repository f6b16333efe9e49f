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

// The length of the well-formed UTF-8 sequence at `at` (Unicode's table of well-formed byte
// sequences: no overlong forms, no surrogates, nothing beyond U+10FFFF), or 0 when there is none,
// as Qt's decoder judges it.
int utf8SequenceLength(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return at + i < bytes.size() ? uchar(bytes[at + i]) : 0; };
    const auto follows = [&](qsizetype i, uchar low = 0x80, uchar high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    const uchar lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return follows(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uchar low = lead == 0xE0 ? 0xA0 : 0x80;
        const uchar high = lead == 0xED ? 0x9F : 0xBF;
        return follows(1, low, high) && follows(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar low = lead == 0xF0 ? 0x90 : 0x80;
        const uchar high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(1, low, high) && follows(2) && follows(3) ? 4 : 0;
    }
    return 0;
}

// Text after a byte-order mark that is not all UTF-8, as from a Windows-1252 editor: every
// well-formed sequence is UTF-8, every other byte the code page's, so no byte is lost to U+FFFD.
QString decodeMixed(const QByteArray& bytes)
{
    QStringDecoder codePage = makeDecoder();
    QString text;
    qsizetype run = 0; // start of the UTF-8 not yet decoded
    const auto decodeRun = [&](qsizetype end) {
        // Only at the very start would a mark be dropped, as QString::fromUtf8 drops it there.
        QStringDecoder utf8(QStringConverter::Utf8,
                            run == 0 ? QStringConverter::Flag::Stateless
                                     : QStringConverter::Flag::Stateless |
                                           QStringConverter::Flag::ConvertInitialBom);
        text += utf8.decode(QByteArrayView(bytes).sliced(run, end - run));
    };
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = utf8SequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        decodeRun(at);
        text += codePage.decode(QByteArrayView(bytes).sliced(at, 1));
        run = ++at;
    }
    decodeRun(bytes.size());
    return text;
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
    if (!bytes.startsWith(kUtf8Bom)) {
        QStringDecoder decoder = makeDecoder();
        return decoder.decode(bytes);
    }
    const QByteArray body = bytes.mid(kUtf8Bom.size());
    // Stateless: a character cut short at the end is an error too. Like QString::fromUtf8, it
    // drops a second mark right after the first.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(body);
    return utf8.hasError() ? decodeMixed(body) : text;
}

} // namespace settings_file
