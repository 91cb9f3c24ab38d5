#pragma once
// Where the menus' files live. A copy whose own folder the user may write is
// portable: its menus stay beside it, as they always have. An installed copy
// (its folder belongs to the system, e.g. /usr/bin) keeps them in the user's
// data folder instead, so that every user of the machine has menus of their own.

#include <QString>

namespace tarvik {

// The folder of a path, ending in "/".
QString folderOf(const QString &path);
// The folder with a "/" at its end.
QString withSlash(QString folder);

// True when this user may create files in the folder. Judged by the
// permission bits of the class the user falls in (owner, group, others) and
// by the kernel's own answer, so a folder made read-only counts as such even
// for an administrator, and so does a read-only mount.
bool isWritableFolder(const QString &folder);

// $XDG_DATA_HOME/tarvik/, or ~/.local/share/tarvik/ when that variable is
// unset or not an absolute path.
QString userMenusFolder();

// executableFolder when it is writable, else userMenusFolder, created when
// missing. Both end in "/".
QString chooseMenusFolder(const QString &executableFolder);

} // namespace tarvik
