// Reading a file whole, and replacing it whole.
//
// A file is replaced through a temporary file beside it and a rename, so a
// reader, a crash or a full disk never leaves half of it. The temporary file
// of a file has one fixed name, ".NAME.tarvik-tmp": a save that was killed
// leaves at most that one file, and the next save of the same file takes it
// over and renames it away. No other file is ever removed. Two copies of a
// menu saving the same file at once take turns on a lock held on that
// temporary file.
#include "platform/LineFile.h"

#include "platform/Errors.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

// The file a symbolic link finally names, so that a save replaces the file
// the link points to and keeps the link.
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

QString temporaryPathFor(const QString &target)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    return target.left(slash + 1) + u'.' + target.mid(slash + 1) + QStringLiteral(".tarvik-tmp");
}

int lockExclusive(int fd)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result;
}

// The temporary file opened and locked, and still the one its name gives:
// a save that held it before may have renamed it onto its target meanwhile.
int openTemporary(const QByteArray &temporary, int *error)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            *error = errno;
            return -1;
        }
        if (lockExclusive(fd) != 0) {
            *error = errno;
            ::close(fd);
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(temporary.constData(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            if (!S_ISREG(held.st_mode)) {
                ::close(fd);
                *error = EISDIR;
                return -1;
            }
            return fd;
        }
        ::close(fd);
    }
    *error = EAGAIN;
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

QByteArray readWholeFile(const QString &path)
{
    const auto cannotOpen = [&path](int error) {
        return FileError(QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2").arg(path, systemErrorText(error)));
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw cannotOpen(errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw cannotOpen(EISDIR);
    }
    QByteArray bytes;
    if (st.st_size > 0)
        bytes.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw FileError(
                QStringLiteral("Erreur de lecture du fichier \"%1\". %2").arg(path, systemErrorText(error)));
        }
        bytes.append(buffer, qsizetype(n));
    }
    ::close(fd);
    return bytes;
}

void writeWholeFile(const QString &path, const QByteArray &bytes, Durability durability)
{
    const auto cannotCreate = [&path](int error) {
        return FileError(QStringLiteral("Impossible de créer le fichier \"%1\". %2").arg(path, systemErrorText(error)));
    };
    const auto cannotWrite = [&path](int error) {
        return FileError(
            QStringLiteral("Erreur d'écriture dans le fichier \"%1\". %2").arg(path, systemErrorText(error)));
    };

    const QString target = finalTarget(path);
    const QByteArray nativeTarget = QFile::encodeName(target);
    struct stat existing {};
    const bool targetExists = ::stat(nativeTarget.constData(), &existing) == 0;
    if (targetExists && S_ISDIR(existing.st_mode))
        throw cannotCreate(EISDIR);

    const QByteArray temporary = QFile::encodeName(temporaryPathFor(target));
    int error = 0;
    const int fd = openTemporary(temporary, &error);
    if (fd < 0)
        throw cannotCreate(error);
    // From here on the temporary file is ours alone: written, then renamed
    // onto the target, or removed.
    const auto fail = [&](int why) {
        ::unlink(temporary.constData());
        ::close(fd);
        return cannotWrite(why);
    };
    if (::ftruncate(fd, 0) != 0)
        throw fail(errno);
    // The new file keeps the access rights of the one it replaces.
    if (targetExists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        throw fail(errno);
    if (!writeAll(fd, bytes))
        throw fail(errno);
    // A durable file is on the disk before it takes the target's place; the
    // registry of the running menus skips that wait, none of its readers
    // outliving a power cut.
    if (durability == Durability::Durable && ::fsync(fd) != 0)
        throw fail(errno);
    if (std::rename(temporary.constData(), nativeTarget.constData()) != 0)
        throw fail(errno);
    ::close(fd);
}

} // namespace tarvik
