// The file lock on Windows: a named mutex per file path stands for the lock,
// so the file itself is not held open and can be replaced through a rename
// or removed by the lock's holder, which Windows refuses for an open file.
// The name comes from the lower-cased absolute path (the file system ignores
// case); every holder is exclusive, shared ones included. fd() stays -1.
#include "platform/FileLock.h"

#include "platform/win32/Win32Errors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace tarvik {

namespace {

QString mutexNameOf(const QString &path)
{
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toLower();
    return QStringLiteral("Local\\Tarvik.lock.")
        + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

const wchar_t *wide(const QString &text) { return reinterpret_cast<const wchar_t *>(text.utf16()); }

} // namespace

FileLock::FileLock(const QString &path, Mode, Options options)
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, wide(mutexNameOf(path)));
    if (!mutex) {
        m_error = int(GetLastError());
        m_status = Status::LockFailed;
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex, INFINITE);
    // A holder that died leaves the mutex abandoned, which still hands it over.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        m_error = int(GetLastError());
        CloseHandle(mutex);
        m_status = Status::LockFailed;
        return;
    }
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file = CreateFileW(wide(native), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, options.create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_error = int(GetLastError());
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        const bool missing = m_error == ERROR_FILE_NOT_FOUND;
        m_status = missing && !options.create ? Status::Missing : Status::OpenFailed;
        if (missing && !options.create)
            m_error = 0;
        return;
    }
    CloseHandle(file);
    m_mutex = mutex;
    m_status = Status::Locked;
}

FileLock::~FileLock()
{
    if (m_mutex) {
        ReleaseMutex(static_cast<HANDLE>(m_mutex));
        CloseHandle(static_cast<HANDLE>(m_mutex));
    }
}

QString FileLock::errorText() const
{
    return m_error ? win32::win32ErrorText(DWORD(m_error)) : QString();
}

} // namespace tarvik
