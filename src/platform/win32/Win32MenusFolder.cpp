// Where the menus' files live, on Windows. A copy whose own folder the user
// may write is portable: its menus stay beside it. A copy installed where
// the user may not write (under Program Files) keeps them in the user's
// roaming application data folder instead.
#include "platform/MenusFolder.h"

#include <QDir>

#include <windows.h>

namespace tarvik {

bool isWritableFolder(const QString &folder)
{
    // Access rights on Windows are lists, not bits: the one sure answer is
    // a file made there, which the system removes with its last handle.
    const DWORD attributes = GetFileAttributesW(QDir::toNativeSeparators(folder).toStdWString().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    const QString probe = withSlash(QDir::fromNativeSeparators(folder))
        + QStringLiteral(".tarvik-write-test-%1").arg(GetCurrentProcessId());
    const HANDLE file = CreateFileW(QDir::toNativeSeparators(probe).toStdWString().c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

QString userMenusFolder()
{
    QString base = qEnvironmentVariable("APPDATA");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/AppData/Roaming");
    return withSlash(QDir::cleanPath(QDir::fromNativeSeparators(base))) + QStringLiteral("Tarvik/");
}

QString chooseMenusFolder(const QString &executableFolder)
{
    if (isWritableFolder(executableFolder))
        return withSlash(executableFolder);
    // A folder that cannot be made is reported by the first write into it.
    // Folders under the user's profile are the user's alone.
    const QString folder = userMenusFolder();
    QDir().mkpath(folder);
    return folder;
}

} // namespace tarvik
