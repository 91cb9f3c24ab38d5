#pragma once
// The list of running copies of one executable, shared between processes:
// a small file in the user's runtime directory, one line "pid starttime" per
// copy in the order they registered, read-modified-written under an exclusive
// flock. The start time (from /proc) tells a running copy from a process that
// merely got the pid of a dead one, so copies that were killed are forgotten.

#include "platform/FileLock.h"

#include <QList>
#include <QString>

namespace tarvik {

class CopyRegistry {
public:
    // The registry of the executable at exePath, in directory (the user's
    // runtime directory when empty).
    explicit CopyRegistry(const QString &exePath, const QString &directory = QString());

    // Appends the process (once) after forgetting copies that no longer run;
    // returns its position from 0, or -1 when the registry cannot be used.
    int registerProcess(qint64 pid);
    void unregisterProcess(qint64 pid);
    // Pids of the copies that still run, oldest first.
    QList<qint64> processes();

    QString filePath() const { return m_filePath; }

    // The user's runtime directory: $XDG_RUNTIME_DIR, else /tmp/tarvik-<uid>
    // (created private); empty when neither can be used safely.
    static QString defaultDirectory();
    // Field 22 of /proc/PID/stat (clock ticks after boot); 0 when the process
    // does not run or is a zombie.
    static quint64 processStartTime(qint64 pid);

private:
    struct Entry {
        qint64 pid;
        quint64 startTime;
    };
    // Opens and locks the file.
    FileLock lock(bool exclusive) const;
    static QList<Entry> readEntries(int fd);
    static bool writeEntries(int fd, const QList<Entry> &entries);
    static QList<Entry> running(const QList<Entry> &entries);

    QString m_filePath;
};

} // namespace tarvik
