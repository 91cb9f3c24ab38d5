#pragma once
// The list of running copies of one executable on Windows, shared between
// processes: a small file per executable path (named after a hash of the
// lower-cased path, since the file system ignores case), one line
// "pid creationtime" per copy in the order they registered, read and
// rewritten while holding a named mutex of the same name. The creation time
// tells a running copy from a process that merely got the pid of a dead one,
// so copies that were killed are forgotten.

#include <QList>
#include <QString>

namespace tarvik::win32 {

class CopyRegistry {
public:
    // The registry of the executable at exePath, in directory (the user's
    // local application data folder when empty).
    explicit CopyRegistry(const QString &exePath, const QString &directory = QString());

    // Appends the process (once) after forgetting copies that no longer run;
    // returns its position from 0, or -1 when the registry cannot be used.
    int registerProcess(qint64 pid);
    void unregisterProcess(qint64 pid);
    // Pids of the copies that still run, oldest first.
    QList<qint64> processes();

    QString filePath() const { return m_filePath; }
    QString mutexName() const { return m_mutexName; }

    // The process's creation time (100 ns units); 0 when it does not run.
    static quint64 processStartTime(qint64 pid);

private:
    struct Entry {
        qint64 pid;
        quint64 startTime;
    };
    QList<Entry> readEntries() const;
    bool writeEntries(const QList<Entry> &entries) const;
    static QList<Entry> running(const QList<Entry> &entries);

    QString m_filePath;
    QString m_mutexName;
};

} // namespace tarvik::win32
