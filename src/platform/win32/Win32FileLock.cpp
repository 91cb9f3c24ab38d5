// The file lock on Windows: a named mutex per file path stands for the lock,
// so the file itself is not held open and can be replaced through a rename
// or removed by the lock's holder, which Windows refuses for an open file.
// The name comes from the lower-cased absolute path (the file system ignores
// case); every holder is exclusive, shared ones included. fd() stays -1.
#include "platform/FileLock.h"

#include "platform/win32/NamedMutex.h"
#include "platform/win32/Win32Errors.h"

#include <QDir>

#include <windows.h>

namespace tarvik {

namespace {

const wchar_t *wide(const QString &text) { return reinterpret_cast<const wchar_t *>(text.utf16()); }

} // namespace

FileLock::FileLock(const QString &path, Mode, Options options)
{
    win32::NamedMutexLock lock(win32::mutexNameForPath(QStringLiteral("lock"), path));
    if (!lock.held()) {
        m_error = int(lock.error());
        m_status = Status::LockFailed;
        return;
    }
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file = CreateFileW(wide(native), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, options.create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_error = int(GetLastError());
        const bool missing = m_error == ERROR_FILE_NOT_FOUND;
        m_status = missing && !options.create ? Status::Missing : Status::OpenFailed;
        if (missing && !options.create)
            m_error = 0;
        return;
    }
    CloseHandle(file);
    m_mutex = lock.release();
    m_status = Status::Locked;
}

FileLock::~FileLock()
{
    win32::NamedMutexLock::releaseMutex(m_mutex);
}

QString FileLock::errorText() const
{
    return m_error ? win32::win32ErrorText(DWORD(m_error)) : QString();
}

} // namespace tarvik
