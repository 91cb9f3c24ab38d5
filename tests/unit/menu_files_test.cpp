// The names of a menu's five files.
#include "lib/MenuFiles.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(MenuFiles, NamesByMenuNameOrFileStem)
{
    struct Case {
        QString name;
        QString stem;
        QString settings, entries, checks, commands, buttons;
    } cases[] = {
        {"JEUX", "JEUX", "JEUX.MENU.INI", "JEUX.items.txt", "JEUX.items.checked.txt", "JEUX.items.commands.ini",
         "JEUX.boutons.txt"},
        {"MES  JEUX", "MES__JEUX", "MES  JEUX.MENU.INI", "MES__JEUX.items.txt", "MES__JEUX.items.checked.txt",
         "MES__JEUX.items.commands.ini", "MES  JEUX.boutons.txt"},
        {" éTé ", "_éTé_", " éTé .MENU.INI", "_éTé_.items.txt", "_éTé_.items.checked.txt",
         "_éTé_.items.commands.ini", " éTé .boutons.txt"},
    };
    const QString folder = QStringLiteral("/menus/");
    for (const Case &c : cases) {
        const MenuFiles files(c.name, folder);
        EXPECT_EQ(files.menuName(), c.name);
        EXPECT_EQ(files.fileStem(), c.stem);
        EXPECT_EQ(files.settings(), folder + c.settings);
        EXPECT_EQ(files.entries(), folder + c.entries);
        EXPECT_EQ(files.checks(), folder + c.checks);
        EXPECT_EQ(files.commands(), folder + c.commands);
        EXPECT_EQ(files.buttons(), folder + c.buttons);
    }
}

TEST(MenuFiles, TheRenameMovesEveryFileTheMenuReads)
{
    const MenuFiles files(QStringLiteral("A B"), QStringLiteral("/m/"));
    QStringList moved;
    for (const QString &suffix : MenuFiles::suffixes())
        moved.append(files.path(suffix));
    moved.sort();
    QStringList read{files.settings(), files.entries(), files.checks(), files.commands(), files.buttons()};
    read.sort();
    EXPECT_EQ(moved, read);
    EXPECT_EQ(moved.removeDuplicates(), 0);
}
