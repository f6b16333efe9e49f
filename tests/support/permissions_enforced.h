#pragma once

// While one lives, this thread obeys file and folder permissions even when running as root: it
// drops the capabilities that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) from its
// effective set and puts them back at the end. Other users obey permissions anyway; for them
// it does nothing. Note that access() (QFileInfo::isWritable) still answers as root would.

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

class PermissionsEnforced
{
public:
    PermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (::geteuid() != 0) {
            m_enforced = true;
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
        m_enforced = m_dropped;
#endif
    }
    ~PermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
#endif
    }
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

    // False when running as root without the means to drop the capabilities.
    bool enforced() const
    {
        return m_enforced;
    }

private:
    bool m_enforced = false;
#ifdef Q_OS_LINUX
    bool m_dropped = false;
    __user_cap_header_struct m_header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
#endif
};
