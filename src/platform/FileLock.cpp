#include "platform/FileLock.h"

#include "platform/SystemError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

FileLock::FileLock(const QString &path, Mode mode, Options options)
{
    const QByteArray native = QFile::encodeName(path);
    const int flags = (options.readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | (options.create ? O_CREAT : 0)
        | (options.followLinks ? 0 : O_NOFOLLOW);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int fd = ::open(native.constData(), flags, options.permissions);
        if (fd < 0) {
            m_error = errno;
            m_status = m_error == ENOENT && !options.create ? Status::Missing : Status::OpenFailed;
            return;
        }
        int result;
        do
            result = ::flock(fd, mode == Mode::Exclusive ? LOCK_EX : LOCK_SH);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            m_error = errno;
            ::close(fd);
            m_status = Status::LockFailed;
            return;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(native.constData(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_status = Status::Locked;
            return;
        }
        ::close(fd); // replaced or removed while we waited
    }
    m_status = Status::KeptMoving;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString FileLock::errorText() const
{
    return m_error ? systemErrorText(m_error) : QString();
}

} // namespace tarvik
