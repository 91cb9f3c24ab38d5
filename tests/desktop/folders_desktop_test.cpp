// The folder and help menus of the built program on a real X display: a key
// press opens the folder menu and its first item reaches the desktop's file
// opener (a stand-in xdg-open first in PATH records what it is given); the
// help menu shows its text in a real message box.
// Needs an X display and xdotool (the test run provides Xvfb).

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>


namespace {

using tarvik::testing::readFile;
using tarvik::testing::visibleWindowsOf;
using tarvik::testing::waitUntil;
using tarvik::testing::writeFile;
using tarvik::testing::writeScript;
using tarvik::testing::xdotool;

class FoldersDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qApp)
            return;
        // The clipboard of the display is read through Qt.
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "folders_desktop_test";
        static char *argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "desktop tests need an X display";
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) << "xdotool is missing";
        ASSERT_TRUE(m_app.isValid());
        for (const char *d : {"app", "bin", "run", "home/Bureau", "home/Documents/TARVIK", "home/.config"})
            ASSERT_TRUE(QDir().mkpath(at(d))) << d;
        QFile::setPermissions(at("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(at("home/.config/user-dirs.dirs"),
                  "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
        // The desktop's opener, replaced by one that writes down its argument.
        writeScript(at("bin/xdg-open"), "printf '%s\\n' \"$1\" >> '" + at("opened.txt").toUtf8() + "'\n");
        // The program keeps its files beside itself: it runs from its own folder.
        ASSERT_TRUE(m_app.install(QStringLiteral(TARVIK_EXE), QStringLiteral("app/tarvik")));
        // The pointer away from where the popups open, so that it selects nothing.
        xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
    }

    void TearDown() override { tarvik::testing::stopProcess(m_menu); }

    QString at(const QString &relative) const { return m_app.path(relative); }

    // The keys, in order, to the window that has the focus: X delivers them
    // in that order, and the program handles them in the order received.
    static void keys(const QStringList &names) { xdotool(QStringList{QStringLiteral("key")} + names); }

    // Opens a popup of the menu with its key and, once it shows, walks it
    // with the others: keys sent before it shows would reach the window.
    void inPopup(const QString &opener, const QStringList &walk)
    {
        const qsizetype shown = visibleWindowsOf(m_menu.processId()).size();
        keys({opener});
        ASSERT_TRUE(waitUntil([&] { return visibleWindowsOf(m_menu.processId()).size() > shown; }))
            << "the popup of " << opener.toStdString() << " never showed";
        keys(walk);
    }

    // The first window of the menu's process whose whole title is title; empty when none.
    QString windowTitled(const QString &title) const
    {
        return xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--pid"),
                        QString::number(m_menu.processId()), QStringLiteral("--name"),
                        QStringLiteral("^%1$").arg(title)})
            .section(u'\n', 0, 0);
    }

    void focus(const QString &window)
    {
        // Returns once the window has the X keyboard focus; the program sees
        // the focus change before any key sent after it.
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    }

    tarvik::testing::AppDirectory m_app;
    QProcess m_menu;
};

TEST_F(FoldersDesktop, AFolderItemReachesTheFileManagerAndAHelpItemShowsItsText)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", at("home"));
    env.insert("XDG_CONFIG_HOME", at("home/.config"));
    env.insert("XDG_RUNTIME_DIR", at("run"));
    env.insert("PATH", at("bin") + u':' + env.value(QStringLiteral("PATH")));
    env.insert("QT_QPA_PLATFORM", "xcb");
    m_menu.setProcessEnvironment(env);
    m_menu.start(at("app/tarvik"), {QStringLiteral("dossiers")});
    ASSERT_TRUE(m_menu.waitForStarted(10000));

    QString menuWindow;
    ASSERT_TRUE(waitUntil([&] { return !(menuWindow = windowTitled(QStringLiteral("DOSSIERS"))).isEmpty(); }))
        << "the menu window never appeared; it said: " << m_menu.readAllStandardError().toStdString();

    // Ctrl+O opens the folder menu; its first item is "Documents du Tarvik".
    focus(menuWindow);
    inPopup(QStringLiteral("ctrl+o"), {QStringLiteral("Down"), QStringLiteral("Return")});
    const QString expected = at("home/Documents/TARVIK") + u'\n';
    EXPECT_TRUE(waitUntil([&] { return readFile(at("opened.txt")) == expected.toUtf8(); }))
        << "the file manager was given: \"" << readFile(at("opened.txt")).toStdString() << '"';

    // F1 opens the help menu; from its end, upwards: "En ligne 2019 ...",
    // "BETA TEST", "Que faire quand rien ne va plus ?", then the text about
    // deleting sub-menus.
    focus(menuWindow);
    inPopup(QStringLiteral("F1"), {QStringLiteral("Up"), QStringLiteral("Up"), QStringLiteral("Up"),
                                   QStringLiteral("Up"), QStringLiteral("Return")});
    QString box;
    ASSERT_TRUE(waitUntil([&] { return !(box = windowTitled(QStringLiteral("Information"))).isEmpty(); }))
        << "no information box appeared";

    // The box's text can be selected: a click into it, select all, copy.
    QGuiApplication::clipboard()->clear();
    focus(box);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), box, QStringLiteral("250"),
             QStringLiteral("30"), QStringLiteral("click"), QStringLiteral("1")});
    keys({QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")});
    xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
    QString helpText = QStringLiteral(
        "A PROPOS DE LA SUPPRESSION D'UN SOUS MENU\r\n==========================================\r\n\r\n"
        "Supprimer le BOUTON d'un sous menu n'efface pas le menu du Disque\r\n"
        "Le bouton n'apparait plus au menu principal\r\n\r\n"
        "Pour régénérer un sous menu supprimé, il suffit de recréer un nouveau bouton du même NOM\r\n\r\n"
        "La liste des sous menus disponibles se trouve dans le dossier de l'application (menu: "
        "\"Rechercher un dossier\"");
    // A selection gives its line breaks as "\n".
    helpText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString copied;
    EXPECT_TRUE(waitUntil([&] { return (copied = QGuiApplication::clipboard()->text()) == helpText; }))
        << "the box holds: " << copied.toStdString();

    keys({QStringLiteral("Return")});
    EXPECT_TRUE(waitUntil([&] { return windowTitled(QStringLiteral("Information")).isEmpty(); }))
        << "the information box did not close on Return";
    // The help item opened nothing.
    EXPECT_EQ(readFile(at("opened.txt")), expected.toUtf8());
    EXPECT_EQ(m_menu.state(), QProcess::Running);
}

} // namespace
