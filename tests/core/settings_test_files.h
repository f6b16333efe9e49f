#pragma once

// Reading and making files in the settings suites, with no settings code involved.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The names of the files in a folder, hidden ones too, in name order.
inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

#ifdef Q_OS_UNIX
// While one lives, the folder refuses new files while the files in it stay writable by their
// owner, as a folder of another user holding the user's own file: as root it belongs to "nobody"
// (run the code under test with PermissionsEnforced), otherwise it is read-only.
class FolderRefusingNewFiles
{
public:
    explicit FolderRefusingNewFiles(const QString& folder) : m_folder(folder)
    {
        if (m_root)
            m_changed = ::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0;
        else
            m_changed = QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QFile::setPermissions(folder,
                              QFile::permissions(folder) | QFile::ExeOther | QFile::ReadOther);
    }
    ~FolderRefusingNewFiles()
    {
        if (m_root && m_changed)
            (void)::chown(QFile::encodeName(m_folder).constData(), 0, 0);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool changed() const { return m_changed; }

private:
    QString m_folder;
    bool m_root = ::geteuid() == 0;
    bool m_changed = false;
};
#endif
