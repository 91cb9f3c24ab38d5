// An installed copy: the menus' files live in a folder of their own, away
// from the executable. Every file, the instance file, the search for a menu,
// renaming and the folder item use that folder; sub-menus still start the
// executable.
#include "UiTestSupport.h"

#include "platform/LineFile.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

class MenusFolderTest : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        // The executable stands in a folder that does not even exist here:
        // nothing may be read or written beside it.
        os.exePath = dir.filePath(QStringLiteral("usr/bin/tarvik"));
        os.appDir = dir.filePath(QStringLiteral("data/tarvik/"));
        ASSERT_TRUE(QDir().mkpath(os.appDir));
    }
    QString menus(const QString &name) const { return QStringLiteral("data/tarvik/") + name; }
    std::vector<PlatformCall> starts() const { return os.callsNamed(QStringLiteral("ShellExecute")); }
};

TEST_F(MenusFolderTest, EveryFileOfAMenuIsInTheMenusFolder)
{
    writeFile(menus(QStringLiteral("MES_JEUX.items.txt")), "/usr/games/a\r\n");
    writeFile(menus(QStringLiteral("MES JEUX.boutons.txt")), "Fermer\r\nCARTES\r\n");
    TForm1 &f = startMenu(QStringLiteral("mes jeux"));

    EXPECT_EQ(f._INI_FILE, os.appDir + QStringLiteral("MES JEUX.MENU.INI"));
    EXPECT_EQ(f._Instances_INI, os.appDir + QStringLiteral("MENUS.instances.ini"));
    EXPECT_EQ(f.Get_CommandsINI(), os.appDir + QStringLiteral("MES_JEUX.items.commands.ini"));
    EXPECT_EQ(f.ListBox1.Items, QStringList{QStringLiteral("/usr/games/a")});
    EXPECT_EQ(f.Compte_BOUTONS(), 2);
    EXPECT_TRUE(fileExists(menus(QStringLiteral("MENUS.instances.ini"))));

    EXPECT_TRUE(f.close());
    for (const char *name : {"MES JEUX.MENU.INI", "MES_JEUX.items.txt", "MES_JEUX.items.checked.txt",
                             "MES_JEUX.items.commands.ini", "MES JEUX.boutons.txt"})
        EXPECT_TRUE(fileExists(menus(QString::fromUtf8(name)))) << name;
    EXPECT_FALSE(fileExists(menus(QStringLiteral("MENUS.instances.ini")))) << "the root deletes it";
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("usr"))));
}

TEST_F(MenusFolderTest, SearchFolderItemAndRenamingUseTheMenusFolderButStartTheExecutable)
{
    TForm1 &f = startMenu(QStringLiteral("MENU"));
    os.clearCalls();

    f.Application1Click();
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].args.mid(1, 3), (QStringList{QStringLiteral("EXPLORE"), os.appDir, QString()}));

    os.clearCalls();
    dialogs.answerOpenFile(os.appDir + QStringLiteral("COMPTA.MENU.INI"));
    f.OuvrirunMenu1Click();
    EXPECT_EQ(dialogs.last().value, os.appDir + QStringLiteral("|MENU.INI|*.MENU.INI"));
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].args.mid(1, 3), (QStringList{QStringLiteral("RUNAS"), os.exePath, QStringLiteral("COMPTA")}));

    // Naming an empty button moves the files of the old name in the menus' folder.
    writeFile(menus(QStringLiteral(".items.txt")), "/bin/true\r\n");
    f.mnu_BtnAddClick();
    QPushButton *added = f.barButtons().back();
    f.activateWindow();
    QApplication::setActiveWindow(&f);
    added->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(f.focusWidget(), added);
    os.clearCalls();
    dialogs.answerInput(true, QStringLiteral("LABO"));
    f.MENU_BTN_ADDClick();
    EXPECT_EQ(readFile(menus(QStringLiteral("LABO.items.txt"))), "/bin/true\r\n");
    EXPECT_FALSE(fileExists(menus(QStringLiteral(".items.txt"))));
    EXPECT_EQ(decodeLines(readFile(menus(QStringLiteral("MENU.boutons.txt")))),
              (QStringList{QStringLiteral("Fermer"), QStringLiteral("LABO")}));
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].args.mid(1, 3), (QStringList{QStringLiteral("RUNAS"), os.exePath, QStringLiteral("LABO")}));
}

} // namespace
