#pragma once
// The five files a menu keeps in the application folder. Settings and buttons
// are named by the menu name; entries, check lines and launch options by the
// file stem, the name with every blank as "_". Start-up, saving and the
// rename of a menu all name the files here: the rename moves what the menu
// will read only while the three agree.

#include <QString>
#include <QStringList>

namespace tarvik {

class MenuFiles {
public:
    // The files of the menu called menuName, in folder (App_Path() when empty).
    explicit MenuFiles(const QString &menuName, const QString &folder = QString());

    QString menuName() const { return m_name; }
    QString fileStem() const;

    QString settings() const; // NAME.MENU.INI
    QString entries() const;  // STEM.items.txt
    QString checks() const;   // STEM.items.checked.txt
    QString commands() const; // STEM.items.commands.ini
    QString buttons() const;  // NAME.boutons.txt

    // The five suffixes, in the order a rename moves the files.
    static const QStringList &suffixes();
    // The path of the file of that suffix.
    QString path(const QString &suffix) const;

private:
    QString m_name;
    QString m_folder;
};

} // namespace tarvik
