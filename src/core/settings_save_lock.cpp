#include "core/settings_save_lock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

constexpr std::chrono::milliseconds kStaleAfter{30000};

#ifdef Q_OS_UNIX
// Locks the file itself for the in-place save; -1 when it cannot be (then *busy says whether
// another copy held it for the whole wait).
int lockInPlace(const QString& file, std::chrono::milliseconds wait, bool* busy)
{
    // Non-blocking: opening a FIFO someone put there must not hang the program.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const QDeadlineTimer deadline(wait);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK || errno == EINTR;
        if (!held || deadline.hasExpired()) {
            *busy = held;
            ::close(fd);
            return -1;
        }
        QThread::msleep(5);
    }
    return fd;
}
#endif

} // namespace

QString SaveLock::lockFileName(const QString& settingsFile)
{
    return settingsFile + QStringLiteral(".lock");
}

SaveLock::SaveLock(const QString& settingsFile, std::chrono::milliseconds wait)
    : m_lockFile(lockFileName(settingsFile))
{
    m_lockFile.setStaleLockTime(int(kStaleAfter.count()));
    if (m_lockFile.tryLock(int(wait.count()))) {
        m_state = State::Held;
        return;
    }
    if (m_lockFile.error() == QLockFile::LockFailedError) {
        m_state = State::Busy;
        return;
    }
#ifdef Q_OS_UNIX
    // The folder takes no lock file (no permission, a full disk, no folder at all).
    bool busy = false;
    m_lockedFile = lockInPlace(settingsFile, wait, &busy);
    if (m_lockedFile >= 0)
        m_state = State::Held;
    else if (busy)
        m_state = State::Busy;
#endif
}

SaveLock::~SaveLock()
{
#ifdef Q_OS_UNIX
    if (m_lockedFile >= 0)
        ::close(m_lockedFile); // releases the flock
#endif
}
