#include "app/runtime_error.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>
#ifdef __GNUG__
#include <cxxabi.h>
#endif

void reportRuntimeErrorAndExit(const QString& kind, const QString& description)
{
    const QString message = QStringLiteral("Run-time error (%1):\n%2").arg(kind, description);
    std::fprintf(stderr, "lexivo: %s\n", qPrintable(message));
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::critical(nullptr, QStringLiteral("Lexivo Dictionary II"), message);
    std::exit(EXIT_FAILURE);
}

namespace {
QString typeName(const std::type_info& type)
{
#ifdef __GNUG__
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status == 0 && demangled) {
        const QString name = QString::fromLatin1(demangled);
        std::free(demangled);
        return name;
    }
#endif
    return QString::fromLatin1(type.name());
}
} // namespace

void reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        reportRuntimeErrorAndExit(typeName(typeid(e)), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportRuntimeErrorAndExit(QStringLiteral("unknown"),
                                  QStringLiteral("An unknown error ended the program."));
    }
}

LexivoApplication::LexivoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool LexivoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
    }
}
