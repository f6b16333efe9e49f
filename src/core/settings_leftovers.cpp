#include "core/settings_leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace settings_file {

bool isStaleTemporaryFile(const QString& name, const QString& target, const QDateTime& modified,
                          const QDateTime& now)
{
    // Qt draws the six characters from letters and digits. One all in small letters is left
    // alone: more likely a name someone chose ("lexivo.xml.backup") than a leftover.
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    static const QRegularExpression notAWord(QStringLiteral("[A-Z0-9]"));
    const QString rest = name.mid(target.size());
    return name.startsWith(target) && suffix.match(rest).hasMatch() &&
           notAWord.match(rest).hasMatch() && modified.msecsTo(now) > 60 * 1000;
}

int removeStaleTemporaryFiles(const QString& folder, const QString& target)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int removed = 0;
    const QFileInfoList candidates = QDir(folder).entryInfoList(
        {target + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : candidates) {
        if (isStaleTemporaryFile(info.fileName(), target, info.lastModified().toUTC(), now) &&
            QFile::remove(info.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace settings_file
