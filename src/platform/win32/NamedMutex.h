#pragma once
// Named mutexes of the user's session: the locks the Windows back-ends share
// between the running copies (one per file they guard). A copy that died
// while holding one leaves it abandoned, which still hands it over.

#include <QString>

namespace tarvik::win32 {

// "Local\Tarvik.<kind>.<hash>", the hash of the absolute path lower-cased
// (Windows file names ignore case).
QString mutexNameForPath(const QString &kind, const QString &path);

// Waits for the named mutex and holds it for the object's lifetime.
class NamedMutexLock {
public:
    static constexpr unsigned long Forever = 0xFFFFFFFF;
    explicit NamedMutexLock(const QString &name, unsigned long timeoutMs = Forever);
    ~NamedMutexLock();
    NamedMutexLock(const NamedMutexLock &) = delete;
    NamedMutexLock &operator=(const NamedMutexLock &) = delete;

    bool held() const { return m_held; }
    // The system's error when the mutex could not be had, 0 otherwise.
    unsigned long error() const { return m_error; }
    // Hands the held mutex to the caller, who frees it with releaseMutex().
    void *release();
    static void releaseMutex(void *mutex);

private:
    void *m_mutex = nullptr;
    bool m_held = false;
    unsigned long m_error = 0;
};

} // namespace tarvik::win32
