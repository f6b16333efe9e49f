// Arbitrary bytes as a settings file: decode, parse, and check what the reader promises.
#include "core/query_string_set.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "fuzz_check.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Only ASCII letters are folded: the text is Windows-1252, none of whose other letters fold onto
// the ASCII letters of the tag names.
QString asciiLower(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

// The documented rule, written out: the text after the first opening tag (any case) up to the
// next closing tag, or nothing when either is missing.
QString expectedTagValue(const QString& text, const QString& lowerText, const QString& tag)
{
    const QString open = asciiLower(QLatin1Char('<') + tag + QLatin1Char('>'));
    const QString close = asciiLower(QStringLiteral("</") + tag + QLatin1Char('>'));
    const qsizetype openAt = naiveIndexOf(lowerText, open, 0);
    if (openAt < 0)
        return {};
    const qsizetype start = openAt + open.size();
    const qsizetype closeAt = naiveIndexOf(lowerText, close, start);
    if (closeAt < 0)
        return {};
    return text.mid(start, closeAt - start);
}

void checkRoundTrip(const QueryStringSet& values)
{
    const QString built = settings_file::buildSettingsText(values);
    require(settings_file::parseSettingsText(built) == values, "built text does not parse back",
            built);
    const QByteArray bytes = settings_file::encodeFileText(built);
    require(settings_file::parseSettingsText(settings_file::decodeFileText(bytes)) == values,
            "encoded text does not parse back", built);
}

// Every Windows-1252 character, from decoding all 256 bytes once.
const QString& codePageCharacters()
{
    static const QString all = [] {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
        return settings_file::decodeFileText(bytes);
    }();
    return all;
}

// encodeFileText on any UTF-16: lone surrogates become "?"; then one byte per character when the
// code page holds them all, otherwise UTF-8 after a byte-order mark.
void checkEncoding(const QString& text)
{
    QString clean;
    QByteArray codePage;
    bool fits = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean += c;
            clean += text.at(++i);
            fits = false;
            continue;
        }
        clean += c.isSurrogate() ? QChar(u'?') : c;
        const qsizetype byte = codePageCharacters().indexOf(clean.back());
        fits = fits && byte >= 0;
        codePage.append(char(byte));
    }
    const QByteArray expected = fits ? codePage : "\xEF\xBB\xBF" + clean.toUtf8();
    require(settings_file::encodeFileText(text) == expected, "encodeFileText", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    // The file's bytes as the program reads them. Without a byte-order mark they are
    // Windows-1252, which defines all 256 bytes, one character each, so nothing is lost or
    // invented.
    const QString text = settings_file::decodeFileText(bytes);
    // After a byte-order mark, bytes that are no UTF-8 are the code page's: nothing becomes
    // U+FFFD unless the file holds it.
    require(!text.contains(QChar(0xFFFD)) || bytes.contains("\xEF\xBF\xBD"),
            "a byte was replaced by U+FFFD", text);
    if (!bytes.startsWith("\xEF\xBB\xBF")) {
        require(text.size() == bytes.size(), "decoding changed the length", text);
        require(settings_file::encodeFileText(text) == bytes,
                "decode then encode is not the identity", text);
    }

    const QString lowerText = asciiLower(text);
    const QueryStringSet values = settings_file::parseSettingsText(text);
    // A file marked as escaped has its values unescaped after the tag rule.
    const bool escaped =
        settings_file::tagValue(text, QStringLiteral("Type")) == QLatin1String("Option+escaped");
    for (const QueryKey key : kQueryKeys) {
        const QString name = keyName(key);
        if (escaped)
            continue;
        require(values[key] == settings_file::tagValue(text, name), "parse differs from tagValue");
        require(values[key] == expectedTagValue(text, lowerText, name), "tagValue breaks the rule",
                name + QLatin1Char('=') + values[key]);
    }

    // What was read, saved again, reads back the same, whatever the values hold.
    checkRoundTrip(values);

    // The same text as seven raw values, split at U+0001, so values hold anything at all.
    QueryStringSet raw;
    const QStringList parts = text.split(QChar(1));
    for (int i = 0; i < kQueryKeyCount && i < parts.size(); ++i)
        raw[kQueryKeys[std::size_t(i)]] = parts[i];
    checkRoundTrip(raw);

    // The bytes as UTF-16, for the encoder's handling of characters outside the code page.
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, size_t(utf16.size()) * sizeof(QChar));
    checkEncoding(utf16);
    return 0;
}
