#include "platform/win32/NamedMutex.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace tarvik::win32 {

QString mutexNameForPath(const QString &kind, const QString &path)
{
    const QString key = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath()).toLower();
    return QStringLiteral("Local\\Tarvik.") + kind + u'.'
        + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

NamedMutexLock::NamedMutexLock(const QString &name, unsigned long timeoutMs)
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.toStdWString().c_str());
    if (!mutex) {
        m_error = GetLastError();
        return;
    }
    m_mutex = mutex;
    const DWORD waited = WaitForSingleObject(mutex, timeoutMs);
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (!m_held)
        m_error = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
}

NamedMutexLock::~NamedMutexLock()
{
    if (m_held)
        ReleaseMutex(m_mutex);
    if (m_mutex)
        CloseHandle(m_mutex);
}

void *NamedMutexLock::release()
{
    if (!m_held)
        return nullptr;
    void *mutex = m_mutex;
    m_mutex = nullptr;
    m_held = false;
    return mutex;
}

void NamedMutexLock::releaseMutex(void *mutex)
{
    if (!mutex)
        return;
    ReleaseMutex(static_cast<HANDLE>(mutex));
    CloseHandle(static_cast<HANDLE>(mutex));
}

} // namespace tarvik::win32
