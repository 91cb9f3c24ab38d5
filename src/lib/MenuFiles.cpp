#include "lib/MenuFiles.h"

#include "lib/Orvo_ini.h"

namespace tarvik {

namespace {

const QString kSettings = QStringLiteral(".MENU.INI");
const QString kEntries = QStringLiteral(".items.txt");
const QString kChecks = QStringLiteral(".items.checked.txt");
const QString kCommands = QStringLiteral(".items.commands.ini");
const QString kButtons = QStringLiteral(".boutons.txt");

} // namespace

MenuFiles::MenuFiles(const QString &menuName, const QString &folder)
    : m_name(menuName), m_folder(folder)
{
}

QString MenuFiles::fileStem() const
{
    QString stem = m_name;
    stem.replace(u' ', u'_');
    return stem;
}

QString MenuFiles::settings() const { return path(kSettings); }
QString MenuFiles::entries() const { return path(kEntries); }
QString MenuFiles::checks() const { return path(kChecks); }
QString MenuFiles::commands() const { return path(kCommands); }
QString MenuFiles::buttons() const { return path(kButtons); }

const QStringList &MenuFiles::suffixes()
{
    static const QStringList all{kSettings, kCommands, kChecks, kEntries, kButtons};
    return all;
}

QString MenuFiles::path(const QString &suffix) const
{
    const bool byName = suffix == kSettings || suffix == kButtons;
    return (m_folder.isEmpty() ? App_Path() : m_folder) + (byName ? m_name : fileStem()) + suffix;
}

} // namespace tarvik
