// Real menu processes of the built program under X with a window manager:
// the root closing its family, and the limit of nine copies.
//
// Each test copies the program into its own temporary folder, which is the
// application directory of the menus it starts (and the key of their copy
// registry). Every wait polls with a deadline; only processes started here
// are ended, by their ids.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QFile>
#include <QProcess>
#include <QSet>

#include <vector>

namespace {

using tarvik::testing::WindowId;
using tarvik::testing::xdotool;

class FamilyDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    FamilyDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    // The plain box that turns a copy away: shown by that copy, dismissed with Enter.
    void dismissLimitMessage(QProcess *copy)
    {
        WindowId box = 0;
        ASSERT_TRUE(waitUntil([&] {
            box = s_screen.windowTitled(QStringLiteral("Tarvik"));
            return box != 0 && s_screen.pidOf(box) == copy->processId();
        })) << "no message box of the rejected copy";
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        ASSERT_TRUE(ended(copy));
        EXPECT_EQ(copy->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(copy->exitCode(), 0);
    }
};

TEST_F(FamilyDesktop, ClosingTheRootClosesEverySubMenuAfterItSaved)
{
    const QStringList subs{QStringLiteral("COMPTA"), QStringLiteral("LABO"), QStringLiteral("BANQUE")};
    for (const QString &sub : subs) {
        QFile f(path(sub + QStringLiteral(".items.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("/usr/bin/" + sub.toLower().toLatin1() + "\r\n");
    }

    QProcess *root = start(QStringLiteral("RACINE"));
    const WindowId rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }));
    EXPECT_EQ(instanceLines(), QStringList{QString::number(rootWindow)});

    std::vector<QProcess *> family{root};
    QList<WindowId> windows{rootWindow};
    for (const QString &sub : subs) {
        family.push_back(start(sub));
        windows << waitWindow(sub);
        ASSERT_NE(windows.last(), 0u) << sub.toStdString();
    }
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 4; }));
    QStringList expected;
    for (WindowId w : windows)
        expected << QString::number(w);
    EXPECT_EQ(instanceLines(), expected);

    s_screen.requestClose(rootWindow);
    for (size_t i = 0; i < family.size(); ++i) {
        ASSERT_TRUE(ended(family[i])) << "menu " << i << " still runs";
        EXPECT_EQ(family[i]->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(family[i]->exitCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    // Each menu saved its own files as it closed.
    for (const QString &menu : QStringList{QStringLiteral("RACINE")} + subs) {
        EXPECT_TRUE(readFile(menu + QStringLiteral(".MENU.INI")).contains("caption=" + menu.toLatin1()))
            << menu.toStdString();
        EXPECT_TRUE(QFile::exists(path(menu + QStringLiteral(".boutons.txt")))) << menu.toStdString();
    }
    for (const QString &sub : subs) {
        EXPECT_EQ(readFile(sub + QStringLiteral(".items.txt")), "/usr/bin/" + sub.toLower().toLatin1() + "\r\n");
        EXPECT_EQ(readFile(sub + QStringLiteral(".items.checked.txt")), "0\r\n") << sub.toStdString();
    }
}

TEST_F(FamilyDesktop, NineCopiesAtMost)
{
    // The oldest copy first, then eight started at the same moment.
    std::vector<QProcess *> menus{start(QStringLiteral("M1"))};
    ASSERT_NE(waitWindow(QStringLiteral("M1")), 0u);
    for (int i = 2; i <= 9; ++i)
        menus.push_back(start(QStringLiteral("M%1").arg(i)));
    QList<WindowId> windows;
    for (int i = 1; i <= 9; ++i) {
        windows << waitWindow(QStringLiteral("M%1").arg(i));
        ASSERT_NE(windows.last(), 0u) << "M" << i;
    }
    // No registration lost to a simultaneous one, each menu its own window.
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 9; })) << instanceLines().join(u' ').toStdString();
    QSet<QString> expected;
    for (WindowId w : windows)
        expected << QString::number(w);
    const QStringList lines = instanceLines();
    EXPECT_EQ(QSet<QString>(lines.begin(), lines.end()), expected);
    EXPECT_EQ(lines.first(), QString::number(windows.first()));

    // A tenth copy says so, brings the oldest to the front and leaves without a trace.
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(windows.last())});
    ASSERT_TRUE(waitUntil([&] { return s_screen.active() == windows.last(); }, 5000));
    const QByteArray before = readFile(QStringLiteral("MENUS.instances.ini"));
    dismissLimitMessage(start(QStringLiteral("M10")));
    if (s_screen.hasWindowManager())
        EXPECT_TRUE(waitUntil([&] { return s_screen.active() == windows.first(); }, 5000))
            << "active " << s_screen.active() << ", oldest " << windows.first();
    EXPECT_EQ(readFile(QStringLiteral("MENUS.instances.ini")), before);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("M10.MENU.INI"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("M10.boutons.txt"))));
    for (QProcess *m : menus)
        EXPECT_EQ(m->state(), QProcess::Running);

    // Once one has closed, a new copy starts normally.
    s_screen.requestClose(windows[4]);
    ASSERT_TRUE(ended(menus[4]));
    QProcess *m11 = start(QStringLiteral("M11"));
    ASSERT_NE(waitWindow(QStringLiteral("M11")), 0u);

    // A killed copy does not count either.
    menus[8]->kill();
    ASSERT_TRUE(ended(menus[8]));
    QProcess *m12 = start(QStringLiteral("M12"));
    ASSERT_NE(waitWindow(QStringLiteral("M12")), 0u);
    EXPECT_EQ(instanceLines().size(), 11);

    // Nine run again: the next one is turned away.
    dismissLimitMessage(start(QStringLiteral("M13")));
    EXPECT_EQ(instanceLines().size(), 11);

    // The root closes what is left of its family; the ids of M5 and of the
    // killed M9 are passed over.
    s_screen.requestClose(windows.first());
    for (QProcess *m : {menus[0], menus[1], menus[2], menus[3], menus[5], menus[6], menus[7], m11, m12})
        EXPECT_TRUE(ended(m)) << m->arguments().join(u' ').toStdString() << " still runs";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
}

} // namespace
