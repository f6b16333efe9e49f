// bench_write_settings: writes a settings file with the program's own writer, so the bench copy of
// the program reads exactly the format it would have saved.
//
//   bench_write_settings <file> <home> <chinese> <english> <thesaurus> <japanese> <chi-computer>
//                        <eng-computer>

#include "core/query_string_set.h"
#include "core/settings_format.h"
#include "core/settings_io.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2 + kQueryKeyCount) {
        std::fprintf(stderr, "usage: %s <file> <seven values in settings order>\n", argv[0]);
        return 2;
    }
    QueryStringSet values;
    for (int i = 0; i < kQueryKeyCount; ++i)
        values[kQueryKeys[std::size_t(i)]] = QString::fromLocal8Bit(argv[2 + i]);
    const auto result = settings_file::writeTextFile(QString::fromLocal8Bit(argv[1]),
                                                     settings_file::buildSettingsText(values));
    if (!result.ok) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(result.error));
        return 1;
    }
    return 0;
}
