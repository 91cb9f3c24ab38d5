#include "lib/Orvo_DIR.h"

#include "platform/Platform.h"

#include <QFileInfo>

namespace tarvik {

bool IsDirectory(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool IsFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A Windows shortcut is a file of its own, whatever it points to.
    if (info.isShortcut())
        return true;
    return info.exists() && !info.isDir();
}

bool IsFlagSet(unsigned value, unsigned flag) { return (value & flag) == flag; }

bool DeleteFileToRecycleBin(const QString &path) { return platform().moveToTrash(path); }

} // namespace tarvik
