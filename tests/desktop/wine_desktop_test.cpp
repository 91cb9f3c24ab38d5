// The Windows build under Wine on the X display: a menu opens with its title,
// registers in the instance file beside tarvik.exe, and closing it keeps its
// files there; a bar button starts its sub-menu as a second process; the
// root's close ends its family; a tenth copy is refused; keys with accents
// reach Wine's own notepad whole, on a US and an AZERTY layout.
// scripts/test-windows --desktop runs it with the packed folder
// (TARVIK_WINDOWS_FOLDER), Wine (TARVIK_WINE) and a Wine prefix of its own;
// without them it is skipped. Every wait polls with a deadline; only the
// processes started here are ended.

#include <gtest/gtest.h>

#include "DesktopSupport.h"
#include "QtPrinters.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <vector>

namespace {

using namespace tarvik::testing;

// Wine starts a program in seconds, not in the tens of milliseconds of a
// native one.
constexpr int kWineDeadlineMs = 60000;

// A path of this system as the programs under Wine see it (drive Z: is "/").
QString windowsPath(const QString &path)
{
    return QStringLiteral("Z:") + QFileInfo(path).absoluteFilePath().replace(u'/', u'\\');
}

// The command line of a process under Wine: Wine shows the Windows program
// and its arguments in place of its own.
QStringList windowsCommandLine(qint64 pid)
{
    QStringList words = QString::fromUtf8(readFile(QStringLiteral("/proc/%1/cmdline").arg(pid))).split(QChar(0));
    while (!words.isEmpty() && words.last().isEmpty())
        words.removeLast();
    return words;
}

// The Windows program a process under Wine runs, its file name only.
QString windowsProgramOf(qint64 pid)
{
    const QStringList words = windowsCommandLine(pid);
    return words.isEmpty() ? QString() : words.first().section(u'\\', -1).toLower();
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

class WineDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureCoreApplication();
        if (s_screen.open())
            s_windowManager.startUnlessRunning();
    }
    static void TearDownTestSuite()
    {
        s_windowManager.stop();
        s_screen.close();
    }
    void SetUp() override
    {
        folder = qEnvironmentVariable("TARVIK_WINDOWS_FOLDER");
        wine = qEnvironmentVariable("TARVIK_WINE");
        if (folder.isEmpty() || wine.isEmpty())
            GTEST_SKIP() << "run by scripts/test-windows --desktop, which names the Windows folder and Wine";
        ASSERT_TRUE(s_screen.isOpen()) << "desktop tests need an X display";
        ASSERT_TRUE(app.isValid());
        ASSERT_TRUE(copyTree(folder, app.path())) << folder.toStdString();
    }
    void TearDown() override
    {
        for (QProcess *p : {&menu, &second})
            if (p->state() != QProcess::NotRunning)
                killProcess(*p);
        for (auto &p : copies)
            if (p->state() != QProcess::NotRunning)
                killProcess(*p);
        endFollowed();
        if (!originalLayout.isEmpty())
            setxkbmap({QStringLiteral("-layout"), originalLayout});
    }

    void start(QProcess &process, const QString &name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(app.path());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(wine, {app.filePath(QStringLiteral("tarvik.exe")), name});
        process.waitForStarted(10000);
    }
    void start(const QString &name) { start(menu, name); }
    QString path(const QString &name) const { return app.filePath(name); }
    WindowId waitWindow(const QString &title)
    {
        WindowId window = 0;
        waitUntil([&] { return (window = s_screen.windowTitled(title)) != 0; }, kWineDeadlineMs);
        return window;
    }
    QStringList instanceLines() const
    {
        return QString::fromLatin1(readFile(path(QStringLiteral("MENUS.instances.ini"))))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    // Ends with the test a process a menu started, while it runs that Windows program.
    void follow(qint64 pid, const QString &program)
    {
        if (pid > 0 && windowsProgramOf(pid) == program)
            followed.append({pid, program});
    }
    // Programs the menus started, ended by id while they still run the program they ran.
    void endFollowed()
    {
        for (const auto &[pid, program] : std::as_const(followed))
            if (processRuns(pid) && windowsProgramOf(pid) == program)
                ::kill(pid_t(pid), SIGKILL);
        followed.clear();
    }
    // The process of a shown window that runs the Windows program, 0 for none.
    qint64 processShowing(const QString &program)
    {
        for (const auto &[window, title] : s_screen.clientWindows()) {
            const qint64 pid = s_screen.pidOf(window);
            if (windowsProgramOf(pid) == program)
                return pid;
        }
        return 0;
    }
    static QString setxkbmap(const QStringList &args) { return runTool(QStringLiteral("setxkbmap"), args); }
    static QString currentLayout()
    {
        for (const QString &line : setxkbmap({QStringLiteral("-query")}).split(u'\n'))
            if (line.startsWith(QLatin1String("layout:")))
                return line.section(u':', 1).trimmed();
        return QString();
    }
    // Switches the display's layout until the end of the test; Wine
    // programs started afterwards read it.
    bool useLayout(const QString &layout)
    {
        if (originalLayout.isEmpty())
            originalLayout = currentLayout();
        setxkbmap({QStringLiteral("-layout"), layout});
        return !originalLayout.isEmpty() && currentLayout() == layout;
    }

    static inline Screen s_screen;
    static inline WindowManager s_windowManager;
    QList<QPair<qint64, QString>> followed;
    QString originalLayout;
    QString folder;
    QString wine;
    QTemporaryDir app;
    QProcess menu;
    QProcess second;
    std::vector<std::unique_ptr<QProcess>> copies;
};

TEST_F(WineDesktop, MenuOpensWithItsTitleAndKeepsItsFilesInItsFolder)
{
    writeFile(path(QStringLiteral("ESSAI.items.txt")), "C:\\windows\\notepad.exe\r\n");
    start(QStringLiteral("essai"));
    ASSERT_EQ(menu.state(), QProcess::Running);

    const WindowId window = waitWindow(QStringLiteral("ESSAI"));
    ASSERT_NE(window, 0u) << "no window titled ESSAI";
    // Registered by its Windows handle: one decimal line, as the root of a new family.
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }, kWineDeadlineMs));
    const QStringList lines = instanceLines();
    bool decimal = false;
    EXPECT_NE(lines[0].toULongLong(&decimal), 0u);
    EXPECT_TRUE(decimal) << lines[0].toStdString();

    s_screen.requestClose(window);
    ASSERT_TRUE(menu.waitForFinished(kWineDeadlineMs)) << "the menu did not close";
    EXPECT_EQ(menu.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(menu.exitCode(), 0);

    // The root's close removes the family's file; the menu's own files stay.
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    EXPECT_TRUE(readFile(path(QStringLiteral("ESSAI.MENU.INI"))).contains("caption=ESSAI"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("ESSAI.boutons.txt"))));
    EXPECT_EQ(readFile(path(QStringLiteral("ESSAI.items.txt"))), "C:\\windows\\notepad.exe\r\n");
    EXPECT_EQ(readFile(path(QStringLiteral("ESSAI.items.checked.txt"))), "0\r\n");
}

// The root's close reaches the other menu of its family, a process of its
// own, through its Windows handle in the instance file.
TEST_F(WineDesktop, ClosingTheRootClosesTheOtherMenuAfterItSaved)
{
    start(menu, QStringLiteral("RACINE"));
    const WindowId root = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(root, 0u) << "no window titled RACINE";
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }, kWineDeadlineMs));
    start(second, QStringLiteral("COMPTA"));
    ASSERT_NE(waitWindow(QStringLiteral("COMPTA")), 0u) << "no window titled COMPTA";
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 2; }, kWineDeadlineMs));
    EXPECT_NE(instanceLines()[0], instanceLines()[1]);

    s_screen.requestClose(root);
    for (QProcess *p : {&menu, &second}) {
        ASSERT_TRUE(p->waitForFinished(kWineDeadlineMs)) << "a menu of the family still runs";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    for (const char *name : {"RACINE", "COMPTA"})
        EXPECT_TRUE(readFile(path(QStringLiteral("%1.MENU.INI").arg(QLatin1String(name))))
                        .contains(QByteArray("caption=") + name))
            << name;
}

// A bar button starts its sub-menu through ShellExecuteExW: a second
// tarvik.exe process, given the menu's name, that shows its window and no
// other (a console program would open a console beside it). Both register
// in the family's file, and the root's close ends both.
TEST_F(WineDesktop, ASubMenuButtonStartsASecondCopyAndTheRootClosesBoth)
{
    writeFile(path(QStringLiteral("RACINE.boutons.txt")), "Fermer\r\nCOMPTA\r\n");
    start(menu, QStringLiteral("RACINE"));
    const WindowId root = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(root, 0u) << "no window titled RACINE";
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }, kWineDeadlineMs));
    QList<WindowId> before;
    for (const auto &[window, title] : s_screen.clientWindows())
        before << window;

    // The bar lies along the bottom of the window, created buttons from the left.
    const QRect geometry = s_screen.rootGeometry(root);
    xdotool({QStringLiteral("mousemove"), QString::number(geometry.x() + 30),
             QString::number(geometry.y() + geometry.height() - 14), QStringLiteral("click"), QStringLiteral("1")});
    const WindowId compta = waitWindow(QStringLiteral("COMPTA"));
    ASSERT_NE(compta, 0u) << "the sub-menu did not open";
    const qint64 pid = s_screen.pidOf(compta);
    follow(pid, QStringLiteral("tarvik.exe"));
    EXPECT_NE(pid, menu.processId());
    const QStringList commandLine = windowsCommandLine(pid);
    ASSERT_EQ(commandLine.size(), 2) << commandLine.join(u' ').toStdString();
    EXPECT_EQ(commandLine[0].toLower(), windowsPath(path(QStringLiteral("tarvik.exe"))).toLower());
    EXPECT_EQ(commandLine[1], QStringLiteral("COMPTA"));
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 2; }, kWineDeadlineMs));
    EXPECT_NE(instanceLines()[0], instanceLines()[1]);

    // The sub-menu's window is the one new window.
    const auto shownSince = [&] {
        QStringList shown;
        for (const auto &[window, title] : s_screen.clientWindows())
            if (!before.contains(window) && window != compta)
                shown << title;
        return shown;
    };
    EXPECT_FALSE(waitUntil([&] { return !shownSince().isEmpty(); }, 3000))
        << "also shown: " << shownSince().join(QStringLiteral(", ")).toStdString();

    s_screen.requestClose(root);
    ASSERT_TRUE(menu.waitForFinished(kWineDeadlineMs)) << "the root did not close";
    EXPECT_EQ(menu.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(menu.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return !processRuns(pid); }, kWineDeadlineMs)) << "the sub-menu still runs";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    for (const char *name : {"RACINE", "COMPTA"})
        EXPECT_TRUE(readFile(path(QStringLiteral("%1.MENU.INI").arg(QLatin1String(name))))
                        .contains(QByteArray("caption=") + name))
            << name;
}

// F5 starts the pointed entry, Wine's own notepad on a file of the test, and
// types its keys into it: letters with accents, capitals, braces, an Enter,
// then Ctrl+S, which saves the file. The file then holds exactly what
// notepad received. Under Wine no key of a layout gives an accented letter
// and Ctrl+Alt never gives a character, so these arrive as the characters
// themselves; on AZERTY the braces, "@" and "#" are on the AltGr level.
TEST_F(WineDesktop, KeysWithAccentsReachNotepadWhole)
{
    struct Case {
        const char *layout;
        const char *sequence;
        const char *saved; // what notepad saves (UTF-8)
    };
    const Case cases[] = {
        {"us", "+d\xc3\xa9j\xc3\xa0 l'\xc3\xa9t\xc3\xa9 : \xc3\xa7" "a, o\xc3\xb9, \xc3\xaatre, \xc5\x93uvre, 20 \xe2\x82\xac~"
               "\xc3\x89lodie {{}ok{}} [1] @#",
         "D\xc3\xa9j\xc3\xa0 l'\xc3\xa9t\xc3\xa9 : \xc3\xa7" "a, o\xc3\xb9, \xc3\xaatre, \xc5\x93uvre, 20 \xe2\x82\xac\r\n"
         "\xc3\x89lodie {ok} [1] @#"},
        {"fr", "+d\xc3\xa9j\xc3\xa0 \xc3\xa8 \xc3\xa7\xc3\xb9 \xc3\xaa \xc5\x93 \xe2\x82\xac azerty +q~"
               "{{}x{}} [1] @# 1234567890",
         "D\xc3\xa9j\xc3\xa0 \xc3\xa8 \xc3\xa7\xc3\xb9 \xc3\xaa \xc5\x93 \xe2\x82\xac azerty Q\r\n"
         "{x} [1] @# 1234567890"},
    };
    const QString notepad = QStringLiteral("C:\\windows\\notepad.exe");
    const QString text = path(QStringLiteral("saisie.txt"));
    const QByteArray bom("\xef\xbb\xbf");
    writeFile(path(QStringLiteral("ESSAI.items.txt")), notepad.toLatin1() + "\r\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.layout);
        ASSERT_TRUE(useLayout(QLatin1String(c.layout))) << "setxkbmap could not switch to " << c.layout;
        // A file notepad opens as UTF-8 (its mark) and saves the same way.
        writeFile(text, bom);
        writeFile(path(QStringLiteral("ESSAI.items.commands.ini")),
                  '[' + notepad.toLatin1() + "]\r\nARGUMENTS=" + windowsPath(text).toUtf8() + "\r\nSENDKEYS=" + c.sequence
                      + "^s\r\n");
        QProcess essai;
        start(essai, QStringLiteral("essai"));
        const WindowId window = waitWindow(QStringLiteral("ESSAI"));
        ASSERT_NE(window, 0u) << "no window titled ESSAI";
        ASSERT_TRUE(waitUntil(
            [&] {
                xdotool({QStringLiteral("windowactivate"), QString::number(window)});
                return s_screen.active() == window;
            },
            kWineDeadlineMs))
            << "the menu never became the active window";
        xdotool({QStringLiteral("key"), QStringLiteral("F5")});

        const QByteArray expected = bom + c.saved;
        const bool saved = waitUntil([&] { return readFile(text) == expected; }, kWineDeadlineMs);
        follow(processShowing(QStringLiteral("notepad.exe")), QStringLiteral("notepad.exe"));
        EXPECT_TRUE(saved) << "notepad saved \"" << readFile(text).toStdString() << "\", not \""
                           << expected.toStdString() << '"';
        // The menu told of nothing: no warning, no box of the player.
        for (const auto &[shown, title] : s_screen.windowsOf(essai.processId()))
            EXPECT_EQ(title, QStringLiteral("ESSAI"));

        s_screen.requestClose(window);
        EXPECT_TRUE(essai.waitForFinished(kWineDeadlineMs)) << "the menu did not close";
        if (essai.state() != QProcess::NotRunning)
            killProcess(essai);
        endFollowed();
    }
}

// Nine copies run at most: a tenth says so in a plain box and ends, through
// the copy registry the copies share under their named mutex.
TEST_F(WineDesktop, ATenthCopyIsRefused)
{
    for (int i = 1; i <= 10; ++i) {
        copies.push_back(std::make_unique<QProcess>());
        start(*copies.back(), QStringLiteral("M%1").arg(i));
        if (i < 10)
            ASSERT_NE(waitWindow(QStringLiteral("M%1").arg(i)), 0u) << "no window of copy " << i;
    }
    QProcess &tenth = *copies.back();
    WindowId box = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            box = s_screen.windowTitled(QStringLiteral("Tarvik"));
            return box != 0;
        },
        kWineDeadlineMs))
        << "no message box of the tenth copy";
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(tenth.waitForFinished(kWineDeadlineMs)) << "the tenth copy still runs";
    EXPECT_EQ(tenth.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("M10.MENU.INI"))));
    for (size_t i = 0; i + 1 < copies.size(); ++i)
        EXPECT_EQ(copies[i]->state(), QProcess::Running) << "copy " << i + 1;
    EXPECT_EQ(instanceLines().size(), 9);
}

} // namespace
