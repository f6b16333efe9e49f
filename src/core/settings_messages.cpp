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

QString changedOnDisk(const QString& path, const settings_file::Fingerprint& found,
                      const settings_file::Fingerprint& seen)
{
    using settings_file::Fingerprint;
    const QString file = QDir::toNativeSeparators(path);
    if (!found.linkTarget.isEmpty() && found.linkTarget != seen.linkTarget) {
        const QString where = QDir::toNativeSeparators(found.linkTarget);
        return QStringLiteral("The settings file\n%1\nis now a link to\n%2\n%3since this copy of "
                              "the program read or saved it.\n\nSave your values into %2, "
                              "through the link?\n\nIf not, nothing is written, and your values "
                              "stay in use until the program ends.")
            .arg(file, where,
                 found.kind == Fingerprint::Missing ? QStringLiteral("(which does not exist) ")
                                                    : QString());
    }
    if (found.kind == Fingerprint::Missing)
        return QStringLiteral("The settings file\n%1\nhas been removed since this copy of the "
                              "program read or saved it.\n\nSave your values there again?\n\n"
                              "If not, your values stay in use until the program ends.")
            .arg(file);
    return QStringLiteral("The settings file\n%1\nhas changed since this copy of the program read "
                          "or saved it; another copy of the program may have saved its settings "
                          "there.\n\nReplace them with the values you are saving?\n\n"
                          "If not, the file stays as it is, and your values stay in use until "
                          "the program ends.")
        .arg(file);
}

QString folderInTheWay(const settings_file::Fingerprint& found)
{
    if (found.linkTarget.isEmpty())
        return settings_file::problemText(settings_file::FileProblem::IsFolder, {});
    return QStringLiteral("A link to the folder %1 has the file's name.")
        .arg(QDir::toNativeSeparators(found.linkTarget));
}

QString readFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("The settings could not be read from\n%1\n\n%2\n\n"
                          "All seven settings start empty. Saving them will replace that file.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace settings_messages
