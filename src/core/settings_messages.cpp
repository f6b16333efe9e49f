#include "core/settings_messages.h"

#include <QDir>

namespace settings_messages {

QString title()
{
    return QStringLiteral("Lexivo Dictionary II");
}

QString saveFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("The settings could not be saved to\n%1\n\n%2\n\n"
                          "The new values stay in use until the program ends.")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString changedOnDisk(const QString& path)
{
    return QStringLiteral("The settings file\n%1\nhas changed since this copy of the program read "
                          "or saved it; another copy of the program may have saved its settings "
                          "there.\n\nReplace them with the values you are saving?\n\n"
                          "If not, the file stays as it is, and your values stay in use until "
                          "the program ends.")
        .arg(QDir::toNativeSeparators(path));
}

QString readFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("The settings could not be read from\n%1\n\n%2\n\n"
                          "All seven settings start empty. Saving them will replace that file.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace settings_messages
