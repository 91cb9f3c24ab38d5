#include "platform/win32/Win32CopyRegistry.h"

#include "platform/win32/NamedMutex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <windows.h>

namespace tarvik::win32 {

namespace {

QString defaultDirectory()
{
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty())
        base = QDir::tempPath();
    return QDir::fromNativeSeparators(base) + QStringLiteral("/Tarvik");
}

} // namespace

CopyRegistry::CopyRegistry(const QString &exePath, const QString &directory)
{
    // Local\: the copies of one user's desktop session.
    m_mutexName = mutexNameForPath(QStringLiteral("copies"), exePath);
    const QString hash = m_mutexName.mid(m_mutexName.lastIndexOf(u'.') + 1).left(16);
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    m_filePath = dir + QStringLiteral("/copies-") + hash + QStringLiteral(".txt");
}

quint64 CopyRegistry::processStartTime(qint64 pid)
{
    if (pid <= 0)
        return 0;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return 0;
    quint64 start = 0;
    FILETIME created, exited, kernel, user;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT
        && GetProcessTimes(process, &created, &exited, &kernel, &user))
        start = (quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    CloseHandle(process);
    return start;
}

QList<CopyRegistry::Entry> CopyRegistry::readEntries() const
{
    QList<Entry> entries;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() != 2)
            continue;
        bool pidOk = false;
        bool startOk = false;
        const Entry e{fields[0].toLongLong(&pidOk), fields[1].toULongLong(&startOk)};
        if (pidOk && startOk && e.pid > 0)
            entries << e;
    }
    return entries;
}

bool CopyRegistry::writeEntries(const QList<Entry> &entries) const
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    if (entries.isEmpty()) {
        QFile::remove(m_filePath);
        return !QFile::exists(m_filePath);
    }
    QByteArray text;
    for (const Entry &e : entries)
        text += QByteArray::number(e.pid) + ' ' + QByteArray::number(e.startTime) + '\n';
    QSaveFile file(m_filePath);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

QList<CopyRegistry::Entry> CopyRegistry::running(const QList<Entry> &entries)
{
    QList<Entry> alive;
    for (const Entry &e : entries)
        if (e.startTime != 0 && processStartTime(e.pid) == e.startTime)
            alive << e;
    return alive;
}

int CopyRegistry::registerProcess(qint64 pid)
{
    const quint64 start = processStartTime(pid);
    if (start == 0)
        return -1;
    NamedMutexLock lock(m_mutexName, 30000);
    if (!lock.held())
        return -1;
    QList<Entry> entries = running(readEntries());
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].pid == pid)
            return i;
    entries << Entry{pid, start};
    if (!writeEntries(entries))
        return -1;
    return int(entries.size()) - 1;
}

void CopyRegistry::unregisterProcess(qint64 pid)
{
    NamedMutexLock lock(m_mutexName, 30000);
    if (!lock.held())
        return;
    QList<Entry> entries = running(readEntries());
    QList<Entry> kept;
    for (const Entry &e : entries)
        if (e.pid != pid)
            kept << e;
    writeEntries(kept);
}

QList<qint64> CopyRegistry::processes()
{
    QList<qint64> pids;
    NamedMutexLock lock(m_mutexName, 30000);
    if (!lock.held())
        return pids;
    for (const Entry &e : running(readEntries()))
        pids << e.pid;
    return pids;
}

} // namespace tarvik::win32
