// Launching from the built program on a real X display: F5 on a menu window
// starts the pointed entry through the Linux start service. A small script
// writes down the arguments it received; a text window of this test program
// (started by an entry script) writes down the keys typed into it; a
// .desktop entry starts by its Exec line; a folder reaches the desktop's
// opener (a stand-in xdg-open first in PATH).
// Needs an X display with XTEST and xdotool; starts openbox when no window
// manager runs (the test run provides Xvfb).

#include <gtest/gtest.h>
#include "QtPrinters.h"

#include "DesktopSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <ostream>
#include <unistd.h>

namespace {

// ---- the started program that receives keys -------------------------------
// When this test program is started with TARVIK_LAUNCH_TEST_WINDOW set, it is
// not a test run: it shows a one-line text window (titled by
// TARVIK_LAUNCH_TEST_TITLE, "cible des touches" by default), keeps the text
// it holds in the named file + ".live", and appends "[text]" to the named
// file at each Enter, until it is ended (or after 30 s).
const char kWindowVariable[] = "TARVIK_LAUNCH_TEST_WINDOW";
const char kTitleVariable[] = "TARVIK_LAUNCH_TEST_TITLE";

int runKeyTargetWhenAsked()
{
    const QByteArray out = qgetenv(kWindowVariable);
    if (out.isEmpty())
        return 0;
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int argc = 1;
    static char name[] = "cible-des-touches";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QString received = QString::fromLocal8Bit(out);
    {
        QFile pid(received + QStringLiteral(".pid"));
        if (pid.open(QIODevice::WriteOnly))
            pid.write(QByteArray::number(qint64(::getpid())));
    }
    QLineEdit edit;
    const QString title = qEnvironmentVariable(kTitleVariable);
    edit.setWindowTitle(title.isEmpty() ? QStringLiteral("cible des touches") : title);
    edit.resize(400, 40);
    QObject::connect(&edit, &QLineEdit::textChanged, [&](const QString &text) {
        QFile f(received + QStringLiteral(".live"));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text.toUtf8());
    });
    QObject::connect(&edit, &QLineEdit::returnPressed, [&] {
        QFile f(received);
        if (f.open(QIODevice::Append))
            f.write('[' + edit.text().toUtf8() + "]\n");
        edit.clear();
    });
    edit.show();
    edit.raise();
    edit.activateWindow();
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    const int rc = app.exec();
    std::_Exit(rc);
}

[[maybe_unused]] const int s_keyTarget = runKeyTargetWhenAsked();

// ---- the test fixture ----------------------------------------------------------

using tarvik::testing::readFile;
using tarvik::testing::waitUntil;
using tarvik::testing::writeFile;
using tarvik::testing::writeScript;
using tarvik::testing::xdotool;

class LaunchDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tarvik::testing::ensureCoreApplication();
        // New windows get the focus from the window manager, as on a desktop.
        s_windowManager.startUnlessRunning();
        s_screen.open();
    }

    static void TearDownTestSuite()
    {
        s_windowManager.stop();
        s_screen.close();
    }

    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "desktop tests need an X display";
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) << "xdotool is missing";
        ASSERT_TRUE(m_app.isValid());
        for (const char *d : {"app", "bin", "run", "home", "mes progs"})
            ASSERT_TRUE(QDir().mkpath(at(d))) << d;
        QFile::setPermissions(at("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The desktop's opener, replaced by one that writes down its argument.
        writeScript(at("bin/xdg-open"), "printf '%s\\n' \"$1\" >> '" + at("opened.txt").toUtf8() + "'\n");
        // Writes each argument it gets on a line of its own, between brackets.
        writeScript(at("mes progs/args.sh"),
                    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.out\"\n");
        ASSERT_TRUE(m_app.install(QStringLiteral(TARVIK_EXE), QStringLiteral("app/tarvik")));
    }

    void TearDown() override
    {
        tarvik::testing::stopProcess(m_menu);
        tarvik::testing::stopProcess(m_bystander);
        // A started script that waits on its fifo, ended by the id it wrote.
        tarvik::testing::signalIfRunning(readFile(at("script.pid")).trimmed().toLongLong(), QStringLiteral("/bin/sh"),
                                         SIGTERM);
        // The key window was started for this test by the menu; end it by its id.
        tarvik::testing::signalIfRunning(readFile(at("received.txt.pid")).toLongLong(),
                                         QCoreApplication::applicationFilePath(), SIGTERM);
    }

    QString at(const QString &relative) const { return m_app.path(relative); }

    // The menu ESSAI with one entry and its launch options (an INI section).
    void prepareMenu(const QString &entry, const QByteArray &options)
    {
        writeFile(at("app/ESSAI.items.txt"), entry.toUtf8() + "\r\n");
        writeFile(at("app/ESSAI.items.commands.ini"), '[' + entry.toUtf8() + "]\r\n" + options);
    }

    // Starts the menu, points nothing (the first entry is pointed), presses F5.
    void launchWithF5(const QString &callerArgument = QString())
    {
        tarvik::testing::stopProcess(m_menu);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", at("home"));
        env.insert("XDG_RUNTIME_DIR", at("run"));
        env.insert("PATH", at("bin") + u':' + env.value(QStringLiteral("PATH")));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove(QString::fromLatin1(kWindowVariable));
        m_menu.setProcessEnvironment(env);
        QStringList args{QStringLiteral("essai")};
        if (!callerArgument.isNull())
            args << callerArgument;
        m_menu.start(at("app/tarvik"), args);
        ASSERT_TRUE(m_menu.waitForStarted(10000));
        QString window;
        ASSERT_TRUE(waitUntil([&] {
            window = xdotool(
                         {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                          QString::number(m_menu.processId()), QStringLiteral("--name"), QStringLiteral("^ESSAI$")})
                         .section(u'\n', 0, 0);
            return !window.isEmpty();
        })) << "the menu window never appeared; it said: " << m_menu.readAllStandardError().toStdString();
        ASSERT_TRUE(activate(window)) << "the menu window never got the focus";
        xdotool({QStringLiteral("key"), QStringLiteral("F5")});
    }

    // A text window of this test program that the menu did not start (the
    // other program of the desktop); its X id once it shows.
    QString startBystander()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kWindowVariable), at("bystander.txt"));
        env.insert(QString::fromLatin1(kTitleVariable), QStringLiteral("témoin"));
        m_bystander.setProcessEnvironment(env);
        m_bystander.start(QCoreApplication::applicationFilePath(), {});
        EXPECT_TRUE(m_bystander.waitForStarted(10000));
        return windowOf(m_bystander.processId(), QStringLiteral("témoin"));
    }

    static QString windowOf(qint64 pid, const QString &title, int milliseconds = 15000)
    {
        QString window;
        waitUntil([&] {
            // --all: xdotool otherwise takes a window of the process or of the title.
            window = xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
                              u'^' + title + u'$'})
                         .section(u'\n', 0, 0);
            return !window.isEmpty();
        }, milliseconds);
        return window;
    }

    // Asked again until it holds: a window manager busy starting may drop a request.
    static bool activate(const QString &window)
    {
        return waitUntil([&] {
            xdotool({QStringLiteral("windowactivate"), window});
            return xdotool({QStringLiteral("getactivewindow")}) == window;
        }, 10000);
    }

    // What a key window received: its lines ended by Enter, and the text it holds.
    QByteArray received(const char *name) const { return readFile(at(name)); }
    QByteArray holding(const char *name) const { return readFile(at(name) + QStringLiteral(".live")); }

    // The menu's warning box, once it shows; empty after the deadline.
    QString menuWarning(int milliseconds = 15000)
    {
        return windowOf(m_menu.processId(), QStringLiteral("Avertissement"), milliseconds);
    }

    // A script line that runs a key window of this test program, the way
    // entry scripts start the real program ("exec": in place of the script).
    QByteArray keyWindowCommand(const char *how = "") const
    {
        return QByteArray(kWindowVariable) + "='" + at("received.txt").toUtf8() + "' " + how + " '"
            + QCoreApplication::applicationFilePath().toUtf8() + "'";
    }

    // What the script wrote, once it wrote it.
    QString argvOf(const QString &script)
    {
        const QString out = script + QStringLiteral(".out");
        waitUntil([&] { return QFile::exists(out); });
        return QString::fromUtf8(readFile(out));
    }

    tarvik::testing::AppDirectory m_app;
    QProcess m_menu;
    QProcess m_bystander;
    static inline tarvik::testing::WindowManager s_windowManager;
    static inline tarvik::testing::Screen s_screen;
};

TEST_F(LaunchDesktop, ArgumentsReachAScriptAsTextWithoutAShell)
{
    const QString script = at("mes progs/args.sh");

    // The caller's argument, blanks and quotes included, arrives whole.
    prepareMenu(script, "ARGUMENTS=%1\r\n");
    launchWithF5(QStringLiteral("DURAND;Marie \"dite Mimi\""));
    EXPECT_EQ(argvOf(script), QStringLiteral("[DURAND;Marie \"dite Mimi\"]\n"));

    // A command line is split as on Windows; nothing in it is run.
    QFile::remove(script + QStringLiteral(".out"));
    const QByteArray pwned = at("pwned").toUtf8();
    prepareMenu(script, "ARGUMENTS=\"un argument\" \"dit \"\"oui\"\"\" $(touch " + pwned + ");x `touch " + pwned
                            + "`\r\n");
    launchWithF5();
    EXPECT_EQ(argvOf(script), QString::fromUtf8("[un argument]\n[dit \"oui\"]\n[$(touch]\n[" + pwned + ");x]\n[`touch]\n["
                                                + pwned + "`]\n"));
    EXPECT_FALSE(QFile::exists(at("pwned")));
}

TEST_F(LaunchDesktop, KeystrokesAreTypedIntoTheStartedProgramThenEnter)
{
    const QString script = at("mes progs/cible.sh");
    writeScript(script, QByteArray(kWindowVariable) + "='" + at("received.txt").toUtf8() + "' exec '"
                            + QCoreApplication::applicationFilePath().toUtf8() + "'\n");
    prepareMenu(script, "SENDKEYS=+bonjour 42~suite\r\n");
    launchWithF5();
    // The sequence's own Enter, then the one that always follows it.
    const QByteArray expected("[Bonjour 42]\n[suite]\n");
    EXPECT_TRUE(waitUntil([&] { return readFile(at("received.txt")) == expected; }, 15000))
        << "the started window received: \"" << readFile(at("received.txt")).toStdString() << '"';
}

TEST_F(LaunchDesktop, DesktopEntryAndFolderStartThroughTheDesktop)
{
    const QString script = at("mes progs/args.sh");
    const QString entry = at("mes progs/essai.desktop");
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Essai\nExec=\"" + script.toUtf8()
                         + "\" --depuis-le-bureau %F\n");
    prepareMenu(entry, "ARGUMENTS=\"un fichier.txt\" autre\r\n");
    launchWithF5();
    EXPECT_EQ(argvOf(script), QStringLiteral("[--depuis-le-bureau]\n[un fichier.txt]\n[autre]\n"));

    const QString folder = at("mes progs");
    prepareMenu(folder, QByteArray());
    launchWithF5();
    EXPECT_TRUE(waitUntil([&] { return readFile(at("opened.txt")) == folder.toUtf8() + '\n'; }))
        << "the opener was given: \"" << readFile(at("opened.txt")).toStdString() << '"';
}

TEST_F(LaunchDesktop, AProgramThatNeverShowsAWindowGetsNothingAndNeitherDoesAnother)
{
    const QString bystander = startBystander();
    ASSERT_FALSE(bystander.isEmpty());
    // The started program waits on a fifo that is never written: no window.
    ASSERT_EQ(::mkfifo(at("go").toLocal8Bit().constData(), 0600), 0);
    const QString script = at("mes progs/muet.sh");
    writeScript(script, "echo $$ > '" + at("script.pid").toUtf8() + "'\nread x < '" + at("go").toUtf8() + "'\n");
    prepareMenu(script, "SENDKEYS=secret~\r\n");
    launchWithF5();
    ASSERT_TRUE(waitUntil([&] { return !readFile(at("script.pid")).isEmpty(); })) << "the script never started";
    // Another program takes the keyboard while the menu waits.
    ASSERT_TRUE(activate(bystander));
    EXPECT_FALSE(menuWarning().isEmpty()) << "the user was not told";
    EXPECT_EQ(holding("bystander.txt"), QByteArray());
    EXPECT_EQ(received("bystander.txt"), QByteArray());
}

TEST_F(LaunchDesktop, AFocusThiefStopsTheTypingAtOnce)
{
    const QString bystander = startBystander();
    ASSERT_FALSE(bystander.isEmpty());
    QByteArray sequence;
    while (sequence.size() < 400)
        sequence += "Abcdefghij";
    const QString script = at("mes progs/cible.sh");
    writeScript(script, keyWindowCommand("exec") + "\n");
    prepareMenu(script, "SENDKEYS=" + sequence + "\r\n");
    launchWithF5();
    // The thief strikes as soon as the target holds its first characters.
    ASSERT_TRUE(waitUntil([&] { return !holding("received.txt").isEmpty(); }, 15000, 1))
        << "the target received nothing";
    s_screen.activateNow(bystander.toULong());
    EXPECT_FALSE(menuWarning().isEmpty()) << "the user was not told";
    const QByteArray prefix = holding("received.txt");
    EXPECT_LT(prefix.size(), sequence.size());
    EXPECT_TRUE(sequence.startsWith(prefix)) << prefix.toStdString();
    EXPECT_EQ(received("received.txt"), QByteArray()) << "an Enter reached the target";
    EXPECT_EQ(holding("bystander.txt"), QByteArray());
    EXPECT_EQ(received("bystander.txt"), QByteArray());
    EXPECT_EQ(s_screen.modifiersDown(), QStringList());
}

TEST_F(LaunchDesktop, AfterThePlayersOwnBoxTheRestAndEnterReachTheTarget)
{
    struct Case {
        const char *sequence;
        const char *expected;
    };
    const Case cases[] = {
        {"{FOO}x", "[x]\n"},
        {"ab{TAB", "[ab]\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sequence);
        QFile::remove(at("received.txt"));
        QFile::remove(at("received.txt.live"));
        const QString script = at("mes progs/cible.sh");
        writeScript(script, keyWindowCommand("exec") + "\n");
        prepareMenu(script, QByteArray("SENDKEYS=") + c.sequence + "\r\n");
        launchWithF5();
        const QString box = windowOf(m_menu.processId(), QStringLiteral("SendKeys"));
        ASSERT_FALSE(box.isEmpty()) << "the player's box never showed";
        // The user brings the box forward and presses Enter on it once it
        // has the keyboard (activating it may focus another window of its).
        ASSERT_TRUE(waitUntil([&] {
            const QString active = xdotool({QStringLiteral("getactivewindow")});
            if (xdotool({QStringLiteral("getwindowname"), active}) == QLatin1String("SendKeys")
                && xdotool({QStringLiteral("getwindowpid"), active}) == QString::number(m_menu.processId())) {
                xdotool({QStringLiteral("key"), QStringLiteral("Return")});
                return true;
            }
            xdotool({QStringLiteral("windowactivate"), box});
            return false;
        }, 15000, 300)) << "the box never took the keyboard";
        EXPECT_TRUE(waitUntil([&] { return received("received.txt") == c.expected; }, 15000))
            << "the target received: \"" << received("received.txt").toStdString() << "\" and holds \""
            << holding("received.txt").toStdString() << '"';
        EXPECT_TRUE(menuWarning(0).isEmpty()) << "a second warning showed";
        tarvik::testing::signalIfRunning(readFile(at("received.txt.pid")).toLongLong(),
                                         QCoreApplication::applicationFilePath(), SIGTERM);
    }
}

TEST_F(LaunchDesktop, AWrapperScriptThatForksTheRealProgramGetsTheKeys)
{
    struct Case {
        const char *what;
        const char *afterFork;
    };
    const Case cases[] = {
        {"the wrapper waits for the program", "wait\n"},
        {"the wrapper leaves at once", "exit 0\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *f : {"received.txt", "received.txt.live", "go", "script.pid", "bystander.txt"})
            QFile::remove(at(f));
        tarvik::testing::stopProcess(m_bystander);
        const QString bystander = startBystander();
        ASSERT_FALSE(bystander.isEmpty());
        ASSERT_EQ(::mkfifo(at("go").toLocal8Bit().constData(), 0600), 0);
        // The wrapper shows nothing until the test lets it go on.
        const QString script = at("mes progs/lanceur.sh");
        writeScript(script, "echo $$ > '" + at("script.pid").toUtf8() + "'\nread x < '" + at("go").toUtf8() + "'\n"
                                + keyWindowCommand() + " &\n" + c.afterFork);
        prepareMenu(script, "SENDKEYS=+bonjour\r\n");
        launchWithF5();
        ASSERT_TRUE(waitUntil([&] { return !readFile(at("script.pid")).isEmpty(); })) << "the wrapper never started";
        // Another program has the keyboard before the real one shows, and
        // gets nothing for the first looks of the launch.
        ASSERT_TRUE(activate(bystander));
        EXPECT_FALSE(waitUntil([&] { return !holding("bystander.txt").isEmpty(); }, 2500))
            << "the other program received: " << holding("bystander.txt").toStdString();
        {
            QFile go(at("go"));
            ASSERT_TRUE(go.open(QIODevice::WriteOnly));
            go.write("\n");
        }
        EXPECT_TRUE(waitUntil([&] { return received("received.txt") == "[Bonjour]\n"; }, 15000))
            << "the started window received: \"" << received("received.txt").toStdString() << '"';
        EXPECT_EQ(holding("bystander.txt"), QByteArray());
        EXPECT_EQ(received("bystander.txt"), QByteArray());
        tarvik::testing::signalIfRunning(readFile(at("received.txt.pid")).toLongLong(),
                                         QCoreApplication::applicationFilePath(), SIGTERM);
    }
}

} // namespace
