// Real menu processes of the built program under X with a window manager:
// a bar button opening its sub-menu or bringing it forward, and renaming a
// button, which moves that menu's files and opens it under the new name.
//
// Each test copies the program into its own temporary folder, which is the
// application directory of the menus it starts (and the key of their copy
// registry). Every wait polls with a deadline; only processes started here
// are ended, by their ids.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>

namespace {

using tarvik::testing::executableOf;
using tarvik::testing::processRuns;
using tarvik::testing::WindowId;
using tarvik::testing::writeFile;
using tarvik::testing::xdotool;

class SubMenuDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    SubMenuDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    // Where a bar button's centre is, on the screen: the bar lies along the
    // bottom of the window, created buttons from the left.
    QPoint firstCreatedButton(WindowId w)
    {
        const QRect window = s_screen.rootGeometry(w);
        return QPoint(window.x() + 30, window.y() + window.height() - 14);
    }
};

TEST_F(SubMenuDesktop, ButtonOpensItsSubMenuThenBringsItForward)
{
    writeFile(path(QStringLiteral("RACINE.boutons.txt")), "Fermer\r\nCOMPTA\r\n");
    QProcess *root = start(QStringLiteral("RACINE"));
    const WindowId rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    const QPoint button = firstCreatedButton(rootWindow);
    const QStringList click{QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
                            QStringLiteral("click"), QStringLiteral("1")};

    xdotool(click);
    const WindowId compta = waitWindow(QStringLiteral("COMPTA"));
    ASSERT_NE(compta, 0u) << "the sub-menu did not open";
    const qint64 pid = s_screen.pidOf(compta);
    adopt(pid);
    EXPECT_NE(pid, root->processId());
    EXPECT_EQ(executableOf(pid), QFileInfo(app.exe()).canonicalFilePath());
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 2; }));
    EXPECT_EQ(instanceLines(), (QStringList{QString::number(rootWindow), QString::number(compta)}));

    // A second click brings the open sub-menu forward and starts no other copy.
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(rootWindow)});
    ASSERT_TRUE(waitUntil([&] { return s_screen.active() == rootWindow; }, 5000));
    xdotool(click);
    EXPECT_TRUE(waitUntil([&] { return s_screen.active() == compta; }, 5000))
        << "active " << s_screen.active() << ", sub-menu " << compta;
    EXPECT_FALSE(waitUntil([&] { return s_screen.windowsTitled(QStringLiteral("COMPTA")).size() > 1
                                        || instanceLines().size() > 2; }, 1500));

    // Closing the root closes the sub-menu too.
    s_screen.requestClose(rootWindow);
    ASSERT_TRUE(ended(root));
    EXPECT_TRUE(waitUntil([&] { return !processRuns(pid); }));
}

TEST_F(SubMenuDesktop, RenamingMovesTheMenuFilesAndOpensItUnderTheNewName)
{
    const QByteArray entries = "/usr/bin/outil-compta\r\n";
    const QByteArray checks = "-1\r\n";
    const QByteArray commands = "[/usr/bin/outil-compta]\r\nSENDKEYS=abc\r\nARGUMENTS=\r\nPW=\r\n";
    writeFile(path(QStringLiteral("RACINE.boutons.txt")), "Fermer\r\nCOMPTA\r\n");
    writeFile(path(QStringLiteral("COMPTA.items.txt")), entries);
    writeFile(path(QStringLiteral("COMPTA.items.checked.txt")), checks);
    writeFile(path(QStringLiteral("COMPTA.items.commands.ini")), commands);
    writeFile(path(QStringLiteral("COMPTA.boutons.txt")), "Fermer\r\nPAIE\r\n");
    writeFile(path(QStringLiteral("COMPTA.MENU.INI")), "[MENU]\r\ncaption=COMPTA\r\n");

    QProcess *root = start(QStringLiteral("RACINE"));
    const WindowId rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(rootWindow)});

    // Point the button without clicking it: press, leave the button, release.
    const QPoint button = firstCreatedButton(rootWindow);
    xdotool({QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
             QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
             QString::number(button.x()), QString::number(button.y() - 80), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    xdotool({QStringLiteral("key"), QStringLiteral("F2")});
    const WindowId input = waitWindow(QStringLiteral("(RE)NOMMER LE BOUTON #2=COMPTA"));
    ASSERT_NE(input, 0u) << "no naming box for the pointed button";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))) && instanceLines().size() > 1)
        << "the press started the sub-menu";
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(input)});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdotool({QStringLiteral("type"), QStringLiteral("banque")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});

    const WindowId banque = waitWindow(QStringLiteral("BANQUE"));
    ASSERT_NE(banque, 0u) << "the renamed menu did not open";
    const qint64 pid = s_screen.pidOf(banque);
    adopt(pid);
    for (const char *suffix : {".MENU.INI", ".items.commands.ini", ".items.checked.txt", ".items.txt", ".boutons.txt"}) {
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("BANQUE") + QLatin1String(suffix)))) << suffix;
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("COMPTA") + QLatin1String(suffix)))) << suffix;
    }
    const QStringList bar = QString::fromLatin1(readFile(QStringLiteral("RACINE.boutons.txt"))).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(bar.contains(QStringLiteral("BANQUE")));
    EXPECT_FALSE(bar.contains(QStringLiteral("COMPTA")));

    // The renamed menu opened with its entries: closing it writes them back.
    s_screen.requestClose(banque);
    ASSERT_TRUE(waitUntil([&] { return !processRuns(pid); }));
    EXPECT_EQ(readFile(QStringLiteral("BANQUE.items.txt")), entries);
    EXPECT_EQ(readFile(QStringLiteral("BANQUE.items.checked.txt")), checks);
    EXPECT_TRUE(readFile(QStringLiteral("BANQUE.items.commands.ini")).contains("SENDKEYS=abc"));
    EXPECT_TRUE(readFile(QStringLiteral("BANQUE.boutons.txt")).contains("PAIE"));

    s_screen.requestClose(rootWindow);
    ASSERT_TRUE(ended(root));
}

} // namespace
