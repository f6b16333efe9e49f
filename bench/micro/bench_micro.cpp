// Micro-benchmarks of the rules a lookup and a start-up run through: template expansion and
// reading the seven values out of a settings text.

#include "core/query_string_set.h"
#include "core/settings_encoding.h"
#include "core/settings_format.h"
#include "core/url_template.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

const QString kTypicalTemplate = QStringLiteral("http://dict.example.com/search?q=%word&lang=en");
const QString kFirstCharTemplate =
    QStringLiteral("http://dict.example.com/browse/%firstchar/%word.html");

// A long template: a long path with both placeholders several times.
QString longTemplate()
{
    QString t = QStringLiteral("  http://dict.example.com/") +
                QString(QStringLiteral("segment/")).repeated(100);
    for (int i = 0; i < 10; ++i)
        t += QStringLiteral("p%1=%firstchar&w%1=%word&").arg(i);
    return t + QStringLiteral("  ");
}

void BM_LookupAddress_Typical(benchmark::State& state)
{
    const QString word = QStringLiteral("serendipity");
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, kTypicalTemplate));
}
BENCHMARK(BM_LookupAddress_Typical);

void BM_LookupAddress_FirstChar(benchmark::State& state)
{
    const QString word = QStringLiteral("  serendipity  ");
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, kFirstCharTemplate));
}
BENCHMARK(BM_LookupAddress_FirstChar);

void BM_LookupAddress_SyntaxChars(benchmark::State& state)
{
    const QString word = QStringLiteral("C++ & C# / AT&T = 100%?");
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, kTypicalTemplate));
}
BENCHMARK(BM_LookupAddress_SyntaxChars);

// Long words: plain letters, and one URL-syntax character in every four.
void BM_LookupAddress_LongWord(benchmark::State& state)
{
    const QString word = QString(QStringLiteral("abcd")).repeated(int(state.range(0) / 4));
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, kTypicalTemplate));
    state.SetBytesProcessed(state.iterations() * word.size());
}
BENCHMARK(BM_LookupAddress_LongWord)->Arg(1000)->Arg(100000);

void BM_LookupAddress_LongSyntaxWord(benchmark::State& state)
{
    const QString word = QString(QStringLiteral("ab&d")).repeated(int(state.range(0) / 4));
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, kTypicalTemplate));
    state.SetBytesProcessed(state.iterations() * word.size());
}
BENCHMARK(BM_LookupAddress_LongSyntaxWord)->Arg(1000)->Arg(100000);

void BM_LookupAddress_LongTemplate(benchmark::State& state)
{
    const QString tmpl = longTemplate();
    const QString word = QStringLiteral("serendipity");
    for (auto _ : state)
        benchmark::DoNotOptimize(url_template::lookupAddress(word, tmpl));
}
BENCHMARK(BM_LookupAddress_LongTemplate);

// Settings texts of about 1 MB (1 << 20 UTF-16 units), built by the program's own writer.
QueryStringSet typicalValues()
{
    QueryStringSet values;
    values[QueryKey::Home] = QStringLiteral("about:blank");
    for (const QueryKey key : kQueryKeys)
        if (key != QueryKey::Home)
            values[key] = kTypicalTemplate;
    return values;
}

// The seven values share the megabyte: the reader copies large values out.
QString megabyteOfValues()
{
    QueryStringSet values;
    const int each = (1 << 20) / kQueryKeyCount;
    for (const QueryKey key : kQueryKeys)
        values[key] = QString(QStringLiteral("x")).repeated(each - 200) + kTypicalTemplate;
    return settings_file::buildSettingsText(values);
}

// Small values behind a megabyte of text the reader must search through (a hand-edited file
// with a long comment, say).
QString megabyteBeforeTags()
{
    const QString padding = QStringLiteral("<!--") +
                            QString(QStringLiteral("comment ")).repeated((1 << 20) / 8) +
                            QStringLiteral("-->");
    QString text = settings_file::buildSettingsText(typicalValues());
    const qsizetype root = text.indexOf(QStringLiteral("<LexivoDictionaryII>"));
    return text.insert(root, padding);
}

// A megabyte with none of the tags: every search runs to the end.
QString megabyteWithoutTags()
{
    return QString(QStringLiteral("<LexivoDictionaryII>")) +
           QString(QStringLiteral("comment ")).repeated((1 << 20) / 8);
}

void parseBenchmark(benchmark::State& state, const QString& text)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(settings_file::parseSettingsText(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void decodeParseBenchmark(benchmark::State& state, const QString& text)
{
    const QByteArray bytes = settings_file::encodeFileText(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            settings_file::parseSettingsText(settings_file::decodeFileText(bytes)));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_Parse_TypicalFile(benchmark::State& state)
{
    parseBenchmark(state, settings_file::buildSettingsText(typicalValues()));
}
BENCHMARK(BM_Parse_TypicalFile);

void BM_Parse_1MB_LargeValues(benchmark::State& state)
{
    parseBenchmark(state, megabyteOfValues());
}
BENCHMARK(BM_Parse_1MB_LargeValues)->Unit(benchmark::kMicrosecond);

void BM_Parse_1MB_TagsAtEnd(benchmark::State& state)
{
    parseBenchmark(state, megabyteBeforeTags());
}
BENCHMARK(BM_Parse_1MB_TagsAtEnd)->Unit(benchmark::kMicrosecond);

void BM_Parse_1MB_NoTags(benchmark::State& state)
{
    parseBenchmark(state, megabyteWithoutTags());
}
BENCHMARK(BM_Parse_1MB_NoTags)->Unit(benchmark::kMicrosecond);

void BM_DecodeParse_TypicalFile(benchmark::State& state)
{
    decodeParseBenchmark(state, settings_file::buildSettingsText(typicalValues()));
}
BENCHMARK(BM_DecodeParse_TypicalFile);

void BM_DecodeParse_1MB_LargeValues(benchmark::State& state)
{
    decodeParseBenchmark(state, megabyteOfValues());
}
BENCHMARK(BM_DecodeParse_1MB_LargeValues)->Unit(benchmark::kMicrosecond);

void BM_DecodeParse_1MB_TagsAtEnd(benchmark::State& state)
{
    decodeParseBenchmark(state, megabyteBeforeTags());
}
BENCHMARK(BM_DecodeParse_1MB_TagsAtEnd)->Unit(benchmark::kMicrosecond);

void BM_DecodeAnsi_1MB(benchmark::State& state)
{
    const QByteArray bytes = settings_file::encodeFileText(megabyteBeforeTags());
    for (auto _ : state)
        benchmark::DoNotOptimize(settings_file::decodeFileText(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeAnsi_1MB)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
