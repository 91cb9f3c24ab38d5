#include "platform/CopyRegistry.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

QByteArray readAll(int fd)
{
    QByteArray data;
    if (lseek(fd, 0, SEEK_SET) < 0)
        return data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

} // namespace

CopyRegistry::CopyRegistry(const QString &exePath, const QString &directory)
{
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    if (dir.isEmpty())
        return;
    // The program compares executable paths without regard to case, so two
    // spellings of one path share one registry.
    const QByteArray key = QCryptographicHash::hash(exePath.toCaseFolded().toUtf8(), QCryptographicHash::Sha1)
                               .toHex()
                               .left(20);
    m_filePath = dir + QStringLiteral("/tarvik-copies-") + QString::fromLatin1(key) + QStringLiteral(".lst");
}

QString CopyRegistry::defaultDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        struct stat st {};
        if (stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) && access(runtime.constData(), W_OK) == 0)
            return QFile::decodeName(runtime);
    }
    // A folder of our own in /tmp, refused when someone else made it first.
    const uid_t uid = getuid();
    const QByteArray fallback = "/tmp/tarvik-" + QByteArray::number(uid);
    if (mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    struct stat st {};
    if (lstat(fallback.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid)
        return QString();
    if ((st.st_mode & 077) != 0 && chmod(fallback.constData(), 0700) != 0)
        return QString();
    return QFile::decodeName(fallback);
}

quint64 CopyRegistry::processStartTime(qint64 pid)
{
    if (pid <= 0)
        return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command name may hold blanks and parentheses: fields resume after the last ')'.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    // fields[0] is field 3 (the state), so field 22 is fields[19].
    if (fields.size() < 20)
        return 0;
    if (fields[0] == "Z" || fields[0] == "X")
        return 0; // a killed copy nobody reaped yet no longer runs
    bool ok = false;
    const quint64 start = fields[19].toULongLong(&ok);
    return ok ? start : 0;
}

FileLock CopyRegistry::lock(bool exclusive) const
{
    // Private to the user, and never through a link someone else planted.
    return FileLock(m_filePath, exclusive ? FileLock::Mode::Exclusive : FileLock::Mode::Shared,
                    {.create = true, .readWrite = true, .permissions = 0600, .followLinks = false});
}

QList<CopyRegistry::Entry> CopyRegistry::readEntries(int fd)
{
    QList<Entry> entries;
    const QByteArray data = readAll(fd);
    for (const QByteArray &line : data.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() != 2)
            continue; // a torn or foreign line is ignored
        bool pidOk = false, startOk = false;
        const qint64 pid = parts[0].toLongLong(&pidOk);
        const quint64 start = parts[1].toULongLong(&startOk);
        if (pidOk && startOk && pid > 0)
            entries.append({pid, start});
    }
    return entries;
}

bool CopyRegistry::writeEntries(int fd, const QList<Entry> &entries)
{
    QByteArray data;
    for (const Entry &e : entries)
        data += QByteArray::number(e.pid) + ' ' + QByteArray::number(e.startTime) + '\n';
    // Rewritten in place under the lock: a rename would leave waiting
    // processes holding the lock of a file nobody reads any more.
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = pwrite(fd, data.constData() + done, static_cast<size_t>(data.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return ftruncate(fd, data.size()) == 0;
}

QList<CopyRegistry::Entry> CopyRegistry::running(const QList<Entry> &entries)
{
    QList<Entry> alive;
    for (const Entry &e : entries)
        if (e.startTime != 0 && processStartTime(e.pid) == e.startTime)
            alive.append(e);
    return alive;
}

int CopyRegistry::registerProcess(qint64 pid)
{
    const quint64 start = processStartTime(pid);
    if (start == 0)
        return -1;
    const FileLock held = lock(true);
    if (!held.locked())
        return -1;
    QList<Entry> entries = running(readEntries(held.fd()));
    int position = -1;
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].pid == pid)
            position = i;
    if (position < 0) {
        entries.append({pid, start});
        position = static_cast<int>(entries.size()) - 1;
    }
    const bool written = writeEntries(held.fd(), entries);
    return written ? position : -1;
}

void CopyRegistry::unregisterProcess(qint64 pid)
{
    const FileLock held = lock(true);
    if (!held.locked())
        return;
    QList<Entry> entries = running(readEntries(held.fd()));
    entries.removeIf([pid](const Entry &e) { return e.pid == pid; });
    writeEntries(held.fd(), entries);
}

QList<qint64> CopyRegistry::processes()
{
    QList<qint64> pids;
    const FileLock held = lock(false);
    if (!held.locked())
        return pids;
    for (const Entry &e : running(readEntries(held.fd())))
        pids.append(e.pid);
    return pids;
}

} // namespace tarvik
