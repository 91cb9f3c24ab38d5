#pragma once
// An flock on a file shared between processes, held for the life of the
// object. Files of this kind are often replaced through a rename or removed
// while another process waits for the lock, so once the lock is granted it
// checks that the locked file is still the one the path names, and starts
// again when it is not: a holder always holds the file others will open.

#include <QString>

namespace tarvik {

class FileLock {
public:
    enum class Mode { Shared, Exclusive };
    struct Options {
        bool create = true;           // a missing file is created empty
        bool readWrite = false;       // fd() may be written
        unsigned permissions = 0666;  // of a created file, before the umask
        bool followLinks = true;      // false: a symbolic link is refused
    };
    enum class Status { Locked, Missing, OpenFailed, LockFailed, KeptMoving };

    FileLock(const QString &path, Mode mode, Options options);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    Status status() const { return m_status; }
    bool locked() const { return m_status == Status::Locked; }
    // The locked file's descriptor; -1 without lock.
    int fd() const { return m_fd; }
    // The system's error of a failed open or lock (errno), 0 otherwise.
    int error() const { return m_error; }
    // The French text of error().
    QString errorText() const;

private:
    int m_fd = -1;
    void *m_mutex = nullptr; // Windows: the named mutex that stands for the lock
    int m_error = 0;
    Status m_status = Status::KeptMoving;
};

} // namespace tarvik
