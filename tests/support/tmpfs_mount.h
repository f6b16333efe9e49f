#pragma once

// A small tmpfs of its own for one test, to run a save out of space for real. Mounting needs
// root: check available() and skip otherwise. Unmounted (lazily, so nothing can keep it busy)
// when it goes out of scope; declare it after the QTemporaryDir that holds its mount point.

#include <QByteArray>
#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class TmpfsMount
{
public:
    static bool available() { return ::geteuid() == 0; }

    // options as for mount -o, e.g. "size=64k" or "size=64k,nr_inodes=3".
    TmpfsMount(const QString& mountPoint, const QByteArray& options) : m_path(mountPoint)
    {
        const QByteArray path = QFile::encodeName(mountPoint);
        m_mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, options.constData()) == 0;
        if (!m_mounted)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }

    // Fills the file system with a file of that name until no byte more fits, then frees
    // `leaveFree` bytes (whole pages) again. True when the disk was found full.
    bool fill(const QString& fillerPath, qint64 leaveFree = 0) const
    {
        const int fd =
            ::open(QFile::encodeName(fillerPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        qint64 size = 0;
        ssize_t written = 0;
        while ((written = ::write(fd, block.constData(), size_t(block.size()))) > 0)
            size += written;
        bool full = written < 0 && errno == ENOSPC;
        if (full && leaveFree > 0)
            full = ::ftruncate(fd, size > leaveFree ? size - leaveFree : 0) == 0;
        ::close(fd);
        return full;
    }

private:
    QString m_path;
    bool m_mounted = false;
    QString m_error;
};
#else
class TmpfsMount
{
public:
    static bool available() { return false; }
    TmpfsMount(const QString&, const QByteArray&) {}
    bool mounted() const { return false; }
    QString error() const { return QStringLiteral("tmpfs is Linux only"); }
    bool fill(const QString&, qint64 = 0) const { return false; }
};
#endif
