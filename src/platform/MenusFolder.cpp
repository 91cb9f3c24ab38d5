#include "platform/MenusFolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tarvik {

namespace {

bool inGroup(gid_t gid)
{
    if (gid == getegid())
        return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = getgroups(n, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<size_t>(i)] == gid)
            return true;
    return false;
}

} // namespace

bool isWritableFolder(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    // The administrator passes every permission check: only the bits tell
    // a folder that was made read-only from one that was not.
    mode_t bit = S_IWOTH;
    if (st.st_uid == geteuid())
        bit = S_IWUSR;
    else if (inGroup(st.st_gid))
        bit = S_IWGRP;
    return (st.st_mode & bit) != 0 && access(native.constData(), W_OK | X_OK) == 0;
}

QString userMenusFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // Relative values are invalid and to be ignored.
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return withSlash(QDir::cleanPath(dataHome)) + QStringLiteral("tarvik/");
}

QString chooseMenusFolder(const QString &executableFolder)
{
    if (isWritableFolder(executableFolder))
        return withSlash(executableFolder);
    const QString folder = userMenusFolder();
    // A folder that cannot be made is reported by the first write into it.
    // The menus hold the scrambled passwords of their entries: a folder made
    // here is the user's alone.
    if (!QDir(folder).exists() && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

} // namespace tarvik
