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
#include <ostream>
#include <unistd.h>

namespace {

// ---- the started program that receives keys -------------------------------
// When this test program is started with TARVIK_LAUNCH_TEST_WINDOW set, it is
// not a test run: it shows a one-line text window and appends "[text]" to
// the named file at each Enter, until it is ended (or after 30 s).
const char kWindowVariable[] = "TARVIK_LAUNCH_TEST_WINDOW";

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
    edit.setWindowTitle(QStringLiteral("cible des touches"));
    edit.resize(400, 40);
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
    }

    static void TearDownTestSuite() { s_windowManager.stop(); }

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
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                          QString::number(m_menu.processId()), QStringLiteral("--name"), QStringLiteral("^ESSAI$")})
                         .section(u'\n', 0, 0);
            return !window.isEmpty();
        })) << "the menu window never appeared; it said: " << m_menu.readAllStandardError().toStdString();
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
        ASSERT_TRUE(waitUntil([&] {
            return xdotool({QStringLiteral("getactivewindow")}) == window;
        }, 5000)) << "the menu window never got the focus";
        xdotool({QStringLiteral("key"), QStringLiteral("F5")});
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
    static inline tarvik::testing::WindowManager s_windowManager;
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

} // namespace
