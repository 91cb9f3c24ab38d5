// The path rules of the menus' folder that every system shares; which folder
// is chosen, and how writability is judged, belong to each system's own file.
#include "platform/MenusFolder.h"

namespace tarvik {

QString withSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString folderOf(const QString &path)
{
    return withSlash(path.left(path.lastIndexOf(u'/') + 1));
}

} // namespace tarvik
