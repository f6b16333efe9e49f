// Build tool: records the engine module's digest in a C++ source file that the program links.
//   lexivo_module_digest <module> <source to write>

#include "core/module_image.h"

#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <module> <source to write>\n", argv[0]);
        return 2;
    }
    QFile module(QString::fromLocal8Bit(argv[1]));
    if (!module.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(module.errorString()));
        return 1;
    }
    const QByteArray digest = module_image::digest(module.readAll());
    if (digest.isEmpty()) {
        std::fprintf(stderr, "%s: not a loadable module\n", argv[1]);
        return 1;
    }
    QFile source(QString::fromLocal8Bit(argv[2]));
    if (!source.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        source.write("// Written by lexivo_module_digest when the engine module was built.\n"
                     "#include \"webengine/engine_module_digest.h\"\n\n"
                     "QByteArray engineModuleDigest()\n{\n    return QByteArrayLiteral(\"" +
                     digest + "\");\n}\n") < 0 ||
        !source.flush()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(source.errorString()));
        return 1;
    }
    return 0;
}
