// Real menus over a damaged file: a settings or commands file that a NUL cuts
// short is kept as it is, the user is told once, and the menu still closes
// after saving its other files.
//
// Every wait polls with a deadline; only processes started here are ended,
// by their ids.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QFile>
#include <QProcess>

namespace {

using tarvik::testing::WindowId;
using tarvik::testing::xdotool;

class KeptFilesDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    KeptFilesDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    // The box that tells about the damaged file, shown by this menu, dismissed with Enter.
    void dismissNotice(QProcess *menu)
    {
        WindowId box = 0;
        ASSERT_TRUE(waitUntil([&] {
            box = s_screen.windowTitled(QStringLiteral("Tarvik"));
            return box != 0 && s_screen.pidOf(box) == menu->processId();
        })) << "the menu said nothing about the damaged file";
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        ASSERT_TRUE(waitUntil([&] { return s_screen.windowTitled(QStringLiteral("Tarvik")) == 0; }))
            << "the notice stayed open";
    }
};

TEST_F(KeptFilesDesktop, AMenuWithADamagedFileClosesAndSavesTheOthers)
{
    const struct {
        const char *menu;
        const char *damaged;
        QByteArray bytes;
        bool toldAtStart; // the settings file is read at start-up, the commands file at the first save
    } cases[] = {
        {"REGLAGES", "REGLAGES.MENU.INI", QByteArray("[tarvik]\r\nForm1=40:50:300:200\r\n") + '\0' + "[OPTIONS]\r\n", true},
        {"COMMANDES", "COMMANDES.items.commands.ini",
         QByteArray("[/usr/bin/env]\r\nPW=\r\n") + '\0' + "[/usr/bin/yes]\r\nPW=\r\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.menu);
        const QString menu = QString::fromLatin1(c.menu);
        tarvik::testing::writeFile(path(c.damaged), c.bytes);
        tarvik::testing::writeFile(path(menu + QStringLiteral(".items.txt")), "/usr/bin/env\r\n");

        QProcess *p = start(menu);
        if (c.toldAtStart)
            dismissNotice(p);
        const WindowId window = waitWindow(menu);
        ASSERT_NE(window, 0u);
        s_screen.requestClose(window);
        if (!c.toldAtStart)
            dismissNotice(p);
        ASSERT_TRUE(ended(p)) << "the menu did not close";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);

        EXPECT_EQ(readFile(c.damaged), c.bytes);
        EXPECT_EQ(readFile(menu + QStringLiteral(".items.txt")), "/usr/bin/env\r\n");
        EXPECT_EQ(readFile(menu + QStringLiteral(".items.checked.txt")), "0\r\n");
        EXPECT_EQ(readFile(menu + QStringLiteral(".boutons.txt")), "Fermer\r\n");
    }
}

} // namespace
