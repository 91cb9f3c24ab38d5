#include "platform/LinuxFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tarvik {

namespace {

// Renames without ever replacing an existing target; errno tells why not.
bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without that flag: a hard link is just as exclusive.
    if (link(from.constData(), to.constData()) == 0) {
        unlink(from.constData());
        return true;
    }
    if (errno != EPERM && errno != ENOSYS)
        return false;
    // Nothing exclusive left (FAT): check, then rename.
    if (access(to.constData(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.constData(), to.constData()) == 0;
}

} // namespace

bool copyRegularFile(const QString &source, const QString &target, bool failIfExists)
{
    const QFileInfo sourceInfo(source);
    const QFileInfo targetInfo(target);
    if (!sourceInfo.isFile() || targetInfo.isDir())
        return false;
    if (failIfExists && (targetInfo.exists() || targetInfo.isSymLink()))
        return false;

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
                       + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return false;
    }
    if (!out.flush() || fdatasync(out.handle()) != 0)
        return false;
    if (out.size() != in.size())
        return false;
    out.setPermissions(in.permissions());
    out.setFileTime(sourceInfo.lastModified(), QFileDevice::FileModificationTime);

    const QByteArray temporary = QFile::encodeName(out.fileName());
    const QByteArray destination = QFile::encodeName(targetInfo.absoluteFilePath());
    if (failIfExists) {
        if (!renameNoReplace(temporary, destination))
            return false;
    } else if (rename(temporary.constData(), destination.constData()) != 0) {
        return false;
    }
    out.setAutoRemove(false);
    return true;
}

bool moveWithoutReplacing(const QString &source, const QString &target)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    if (from.isEmpty() || to.isEmpty())
        return false;
    if (renameNoReplace(from, to))
        return true;
    if (errno != EXDEV)
        return false;
    // Another file system: a file is copied, then its source removed; a
    // folder is not moved across (MoveFileW refuses that too).
    if (!QFileInfo(source).isFile() || QFileInfo(source).isSymLink())
        return false;
    if (!copyRegularFile(source, target, true))
        return false;
    if (unlink(from.constData()) != 0) {
        unlink(to.constData()); // leave one file, not two
        return false;
    }
    return true;
}

} // namespace tarvik
