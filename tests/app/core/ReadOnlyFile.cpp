#include "ReadOnlyFile.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

namespace {
bool SetImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
} // namespace
#endif

ReadOnlyFile::ReadOnlyFile(const QString& path) : m_path(path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
#ifdef Q_OS_UNIX
    if (::geteuid() != 0) {
        m_protected = true;
        return;
    }
#ifdef Q_OS_LINUX
    m_immutable = SetImmutable(path, true);
#endif
    m_protected = m_immutable;
#else
    m_protected = true;
#endif
}

ReadOnlyFile::~ReadOnlyFile()
{
#ifdef Q_OS_LINUX
    if (m_immutable)
        SetImmutable(m_path, false);
#endif
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
