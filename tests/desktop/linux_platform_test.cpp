// The Linux back-end against real processes: programs, desktop entries and
// default applications started without a shell; X11 windows of other
// processes listed, titled, brought to front and closed, with and without a
// window manager (openbox, started here when the test needs it).

#include "platform/LinuxPlatform.h"
#include "QtPrinters.h"
#include "DesktopSupport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using tarvik::LinuxPlatform;
using tarvik::WindowHandle;
using tarvik::testing::waitUntil;

namespace {

// ---------------------------------------------------------------------------
// Helper mode: started with TARVIK_TEST_HELPER_TITLE, this executable shows one
// window with that title and ends when it is closed, noting the close event.

class HelperWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent *event) override
    {
        QFile marker(qEnvironmentVariable("TARVIK_TEST_HELPER_CLOSED"));
        if (marker.open(QIODevice::WriteOnly))
            marker.write("closed");
        QWidget::closeEvent(event);
    }
};

int runHelper()
{
    int argc = 1;
    char name[] = "helper";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    HelperWindow window;
    window.setWindowTitle(qEnvironmentVariable("TARVIK_TEST_HELPER_TITLE"));
    window.resize(320, 200);
    if (qEnvironmentVariableIsSet("TARVIK_TEST_HELPER_MINIMIZED"))
        window.showMinimized();
    else
        window.show();
    return app.exec();
}

const int g_helperMode = qEnvironmentVariableIsSet("TARVIK_TEST_HELPER_TITLE") ? (std::_Exit(runHelper()), 1) : 0;

// ---------------------------------------------------------------------------

QApplication &application()
{
    static int argc = 1;
    static char name[] = "linux_platform_test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv); // lives to the end of the process
    return *app;
}

QString selfExe() { return QFile::symLinkTarget(QStringLiteral("/proc/self/exe")); }

void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    f.close();
    if (executable)
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0755), 0);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sets environment variables for one test and puts them back.
class ScopedEnv {
public:
    void set(const char *name, const QByteArray &value)
    {
        if (!m_saved.count(name))
            m_saved[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<QByteArray>> m_saved;
};

// Children of this process that exist now (running or zombie).
QStringList childProcesses()
{
    QStringList out;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        out += QString::fromLatin1(readFile(tasks.filePath(task + QStringLiteral("/children"))))
                   .split(u' ', Qt::SkipEmptyParts);
    return out;
}

// ---------------------------------------------------------------------------
// Start service

// Records its arguments, working directory and parent into $TARVIK_RECORD.
const QByteArray kRecorder = "#!/bin/sh\n"
                             "{ printf 'ppid=%s\\n' \"$PPID\"; printf 'cwd=%s\\n' \"$(pwd)\";\n"
                             "  for a in \"$@\"; do printf 'arg=[%s]\\n' \"$a\"; done; } > \"$TARVIK_RECORD.tmp\"\n"
                             "mv \"$TARVIK_RECORD.tmp\" \"$TARVIK_RECORD\"\n";

class LinuxShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The one application object of the test program: the window tests
        // need widgets, and the waits run its event loop.
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            application();
        ASSERT_TRUE(m_dir.isValid());
        m_record = m_dir.filePath(QStringLiteral("record.txt"));
        m_env.set("TARVIK_RECORD", QFile::encodeName(m_record));
    }

    QString quoted(const QString &path) const
    {
        return u'"' + QString(path).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }

    // Waits for the recorder and returns its lines, then forgets them.
    QStringList recorded()
    {
        waitUntil([&] { return QFile::exists(m_record); }, 5000);
        const QStringList lines = QString::fromUtf8(readFile(m_record)).split(u'\n', Qt::SkipEmptyParts);
        QFile::remove(m_record);
        return lines;
    }

    static QStringList args(const QStringList &lines)
    {
        QStringList out;
        for (const QString &l : lines)
            if (l.startsWith(QLatin1String("arg=[")))
                out << l.mid(5, l.size() - 6);
        return out;
    }

    static QString value(const QStringList &lines, const QString &key)
    {
        for (const QString &l : lines)
            if (l.startsWith(key + u'='))
                return l.mid(key.size() + 1);
        return QString();
    }

    QTemporaryDir m_dir;
    QString m_record;
    ScopedEnv m_env;
    LinuxPlatform m_platform;
};

TEST_F(LinuxShellTest, ProgramReceivesEachArgumentUnchangedAndNothingIsInterpreted)
{
    const QString folder = m_dir.filePath(QStringLiteral("my dir"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString script = folder + QStringLiteral("/rec \"q\" $(id).sh");
    writeFile(script, kRecorder, true);

    const QString parameters = QStringLiteral("\"a b \"\"c\"\"\" \"$(touch pwned)\" ; x `touch pwned2` \"\" last");
    for (const char *verb : {"RUNAS", "OPEN", "runas"}) {
        const int result = m_platform.shellExecute(0, QString::fromLatin1(verb), quoted(script), parameters,
                                                   m_dir.path(), tarvik::SW_SHOWNORMAL);
        EXPECT_GT(result, 32) << verb;
        const QStringList lines = recorded();
        EXPECT_EQ(args(lines), (QStringList{"a b \"c\"", "$(touch pwned)", ";", "x", "`touch", "pwned2`", "", "last"}))
            << verb;
        EXPECT_EQ(value(lines, QStringLiteral("cwd")), m_dir.path()) << verb;
        EXPECT_NE(value(lines, QStringLiteral("ppid")), QString::number(getpid())) << "the program is not our child";
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("pwned"))));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("pwned2"))));

    // The unquoted path and an empty parameter string work as well.
    EXPECT_GT(m_platform.shellExecute(0, QStringLiteral("RUNAS"), script, QString(), QString(), 1), 32);
    EXPECT_EQ(args(recorded()), QStringList());
    // No zombie is left behind: the start never leaves a child of ours.
    EXPECT_TRUE(waitUntil([] { return childProcesses().isEmpty(); }, 2000)) << childProcesses().join(u' ').toStdString();
}

// The Exec quoting of desktop entries, then the string escapes of the file.
QString desktopExecQuote(const QString &path)
{
    QString inner;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            inner += u'\\';
        inner += c;
    }
    QString quotedPath = u'"' + inner + u'"';
    return quotedPath.replace(u'\\', QStringLiteral("\\\\"));
}

TEST_F(LinuxShellTest, DesktopEntryStartsByItsExecLine)
{
    const QString script = m_dir.filePath(QStringLiteral("rec \"q\" $(id).sh"));
    writeFile(script, kRecorder, true);
    const QString workDir = m_dir.filePath(QStringLiteral("work dir"));
    ASSERT_TRUE(QDir().mkpath(workDir));
    const QString entry = m_dir.filePath(QStringLiteral("Mon programme.desktop"));
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Mon programme\nIcon=mon-icone\n"
                     "Path=" + workDir.toUtf8() + "\n"
                     "Exec=" + desktopExecQuote(script).toUtf8() + " --from-desktop %i %F 100%%\n");

    EXPECT_GT(m_platform.shellExecute(0, QStringLiteral("RUNAS"), quoted(entry), QStringLiteral("one \"two three\""),
                                      QString(), 1),
              32);
    const QStringList lines = recorded();
    EXPECT_EQ(args(lines), (QStringList{"--from-desktop", "--icon", "mon-icone", "one", "two three", "100%"}));
    EXPECT_EQ(value(lines, QStringLiteral("cwd")), workDir);

    // An entry whose program does not exist, or whose Exec line is broken.
    const QString missing = m_dir.filePath(QStringLiteral("missing.desktop"));
    writeFile(missing, "[Desktop Entry]\nType=Application\nExec=/nonexistent/prog %f\n");
    EXPECT_EQ(m_platform.shellExecute(0, QStringLiteral("RUNAS"), quoted(missing), QString(), QString(), 1),
              tarvik::SE_ERR_FNF);
    const QString broken = m_dir.filePath(QStringLiteral("broken.desktop"));
    writeFile(broken, "[Desktop Entry]\nType=Application\nExec=\"unterminated %f\n");
    const int result = m_platform.shellExecute(0, QStringLiteral("RUNAS"), quoted(broken), QString(), QString(), 1);
    EXPECT_LE(result, 32);
    EXPECT_GT(result, 0);
}

// An entry with Terminal=true runs in the user's terminal emulator: the
// system's choice first, then $TERMINAL, then xterm; a fake terminal first
// on PATH records what it was asked to run.
TEST_F(LinuxShellTest, TerminalEntryRunsInTheUsersTerminal)
{
    const QString program = m_dir.filePath(QStringLiteral("mon outil.sh"));
    writeFile(program, "#!/bin/sh\nexit 0\n", true);
    const QString workDir = m_dir.filePath(QStringLiteral("travail"));
    ASSERT_TRUE(QDir().mkpath(workDir));
    const QString entry = m_dir.filePath(QStringLiteral("outil.desktop"));
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Outil\nTerminal=true\nPath=" + workDir.toUtf8()
                         + "\nExec=" + desktopExecQuote(program).toUtf8() + " --vue %f\n");
    const QString missing = m_dir.filePath(QStringLiteral("absent.desktop"));
    writeFile(missing, "[Desktop Entry]\nType=Application\nTerminal=true\nExec=programme-absent-de-tarvik\n");
    // Each fake terminal hands its own name, then its arguments, to the recorder.
    const QString recorder = m_dir.filePath(QStringLiteral("recorder.sh"));
    writeFile(recorder, kRecorder, true);
    // PATH holds only the fakes while the program looks for a terminal; the
    // recorder gets the system's back.
    const QByteArray fakeTerminal =
        "#!/bin/sh\nPATH=/usr/bin:/bin exec '" + QFile::encodeName(recorder) + "' \"${0##*/}\" \"$@\"\n";

    const struct {
        const char *name;
        QStringList installed; // fake programs on PATH
        const char *terminalVariable;
        QStringList expected; // the recorded arguments; empty: nothing starts
        int result;
    } cases[] = {
        {"the system's terminal", {"x-terminal-emulator", "xterm", "mon-terminal"}, "mon-terminal",
         {"x-terminal-emulator", "-e", program, "--vue", "/tmp/a b"}, tarvik::SE_SUCCESS},
        {"$TERMINAL with its options", {"mon-terminal", "xterm"}, "mon-terminal --garde",
         {"mon-terminal", "--garde", "-e", program, "--vue", "/tmp/a b"}, tarvik::SE_SUCCESS},
        {"$TERMINAL not installed", {"xterm"}, "absent-terminal", {"xterm", "-e", program, "--vue", "/tmp/a b"},
         tarvik::SE_SUCCESS},
        {"no terminal at all", {}, "", {}, 31},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir bin;
        for (const QString &fake : c.installed)
            writeFile(bin.filePath(fake), fakeTerminal, true);
        ScopedEnv env;
        env.set("PATH", QFile::encodeName(bin.path()));
        env.set("TERMINAL", c.terminalVariable);
        EXPECT_EQ(m_platform.shellExecute(0, QStringLiteral("RUNAS"), quoted(entry), QStringLiteral("\"/tmp/a b\""),
                                          QString(), 1),
                  c.result);
        if (!c.expected.isEmpty()) {
            const QStringList lines = recorded();
            EXPECT_EQ(args(lines), c.expected);
            EXPECT_EQ(value(lines, QStringLiteral("cwd")), workDir);
        }
        // A program that is not there is reported, no terminal opens.
        EXPECT_EQ(m_platform.shellExecute(0, QStringLiteral("RUNAS"), quoted(missing), QString(), QString(), 1),
                  tarvik::SE_ERR_FNF);
    }
    EXPECT_FALSE(QFile::exists(m_record)) << "nothing else started";
}

TEST_F(LinuxShellTest, FoldersDocumentsAndAddressesOpenWithTheDefaultApplication)
{
    // A recording xdg-open stands for the desktop's opener.
    const QString bin = m_dir.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    writeFile(bin + QStringLiteral("/xdg-open"), kRecorder, true);
    m_env.set("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));

    const QString folder = m_dir.filePath(QStringLiteral("un dossier"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString document = m_dir.filePath(QStringLiteral("lettre \"finale\".txt"));
    writeFile(document, "bonjour");
    const QString fakeProgram = m_dir.filePath(QStringLiteral("scan.pdf"));
    writeFile(fakeProgram, "not a program at all", true); // a document that carries the execute bit
    const QString shortcut = m_dir.filePath(QStringLiteral("site.url"));
    writeFile(shortcut, "[InternetShortcut]\r\nURL=https://example.org/page?a=1&b=$(id)\r\n");
    const QString link = m_dir.filePath(QStringLiteral("lien.desktop"));
    writeFile(link, "[Desktop Entry]\nType=Link\nName=Lien\nURL=https://example.org/lien\n");

    const struct {
        const char *verb;
        QString file;
        QString opened;
    } cases[] = {
        {"EXPLORE", folder, folder},
        {"EXPLORE", folder + u'/', folder},
        {"RUNAS", quoted(folder), folder},
        {"RUNAS", quoted(document), document},
        {"OPEN", document, document},
        {"RUNAS", quoted(fakeProgram), fakeProgram},
        {"RUNAS", quoted(shortcut), QStringLiteral("https://example.org/page?a=1&b=$(id)")},
        {"RUNAS", quoted(link), QStringLiteral("https://example.org/lien")},
        {"OPEN", QStringLiteral("https://example.org/x?a=1&b=2;c"), QStringLiteral("https://example.org/x?a=1&b=2;c")},
        {"OPEN", QStringLiteral("www.example.org"), QStringLiteral("http://www.example.org")},
    };
    for (const auto &c : cases) {
        const int result = m_platform.shellExecute(0, QString::fromLatin1(c.verb), c.file, QString(), QString(),
                                                   tarvik::SW_SHOW);
        EXPECT_GT(result, 32) << c.verb << " " << c.file.toStdString();
        EXPECT_EQ(args(recorded()), QStringList{c.opened}) << c.verb << " " << c.file.toStdString();
    }
}

TEST_F(LinuxShellTest, FailuresUseTheWindowsCodes)
{
    const QString document = m_dir.filePath(QStringLiteral("doc.txt"));
    writeFile(document, "x");
    const struct {
        const char *verb;
        QString file;
        QString directory;
        int code;
    } cases[] = {
        {"RUNAS", quoted(m_dir.filePath(QStringLiteral("missing.sh"))), QString(), tarvik::SE_ERR_FNF},
        {"RUNAS", QString(), QString(), tarvik::SE_ERR_FNF},
        {"RUNAS", QStringLiteral("/nonexistent-folder/prog"), QString(), tarvik::SE_ERR_PNF},
        {"RUNAS", quoted(document), m_dir.filePath(QStringLiteral("no such dir")), tarvik::SE_ERR_PNF},
        {"EXPLORE", m_dir.filePath(QStringLiteral("missing folder")), QString(), tarvik::SE_ERR_PNF},
        {"EXPLORE", QString(), QString(), tarvik::SE_ERR_PNF},
        {"EXPLORE", document, QString(), tarvik::SE_ERR_PNF},
        {"PRINT", document, QString(), tarvik::SE_ERR_NOASSOC},
    };
    for (const auto &c : cases)
        EXPECT_EQ(m_platform.shellExecute(0, QString::fromLatin1(c.verb), c.file, QString(), c.directory, 1), c.code)
            << c.verb << " " << c.file.toStdString();

    // Nothing on this desktop opens a document when there is no xdg-open.
    const QString empty = m_dir.filePath(QStringLiteral("empty-bin"));
    ASSERT_TRUE(QDir().mkpath(empty));
    m_env.set("PATH", QFile::encodeName(empty));
    EXPECT_EQ(m_platform.shellExecute(0, QStringLiteral("OPEN"), document, QString(), QString(), 1),
              tarvik::SE_ERR_NOASSOC);
    EXPECT_EQ(m_platform.shellExecute(0, QStringLiteral("EXPLORE"), m_dir.path(), QString(), QString(), 1),
              tarvik::SE_ERR_NOASSOC);
}

// ---------------------------------------------------------------------------
// Window services

// Another process showing one window.
class Helper {
public:
    explicit Helper(const QString &title, bool minimized = false, const QString &exe = selfExe())
        : m_title(title)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARVIK_TEST_HELPER_TITLE"), title);
        env.insert(QStringLiteral("TARVIK_TEST_HELPER_CLOSED"), m_dir.filePath(QStringLiteral("closed")));
        if (minimized)
            env.insert(QStringLiteral("TARVIK_TEST_HELPER_MINIMIZED"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(exe, {});
        m_process.waitForStarted(5000);
    }
    ~Helper()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    qint64 pid() const { return m_process.processId(); }
    const QString &title() const { return m_title; }
    bool sawCloseEvent() const { return readFile(m_dir.filePath(QStringLiteral("closed"))) == "closed"; }
    bool waitForExit(int milliseconds) { return m_process.waitForFinished(milliseconds); }
    int exitCode() const { return m_process.exitCode(); }

private:
    QTemporaryDir m_dir;
    QString m_title;
    QProcess m_process;
};

class X11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display";
        application();
        m_platform = std::make_unique<LinuxPlatform>();
        ASSERT_NE(m_platform->windows().display(), nullptr);
    }

    WindowHandle findWindow(const QString &title)
    {
        for (WindowHandle w : m_platform->topLevelWindows())
            if (m_platform->windowTitle(w) == title)
                return w;
        return 0;
    }

    WindowHandle waitForWindow(const QString &title)
    {
        WindowHandle found = 0;
        waitUntil([&] { return (found = findWindow(title)) != 0; });
        return found;
    }

    std::string describeWindows()
    {
        std::string out;
        for (WindowHandle w : m_platform->topLevelWindows())
            out += QStringLiteral("  0x%1 pid %2 \"%3\"\n")
                       .arg(w, 0, 16)
                       .arg(m_platform->windows().windowPid(w))
                       .arg(m_platform->windowTitle(w))
                       .toStdString();
        return out;
    }

    // WM_STATE of a window: 1 normal, 3 iconic, -1 none.
    long wmState(WindowHandle window)
    {
        Display *dpy = m_platform->windows().display();
        const Atom state = XInternAtom(dpy, "WM_STATE", False);
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char *data = nullptr;
        long result = -1;
        if (XGetWindowProperty(dpy, window, state, 0, 2, False, state, &type, &format, &items, &after, &data) == Success
            && data && items > 0)
            result = reinterpret_cast<long *>(data)[0];
        if (data)
            XFree(data);
        return result;
    }

    // Brings a to the front, then b; each time the one brought must lead the
    // list and hold the focus.
    void checkFrontToBack(WindowHandle a, WindowHandle b)
    {
        for (const auto &[front, back] : {std::pair{a, b}, std::pair{b, a}, std::pair{a, b}}) {
            EXPECT_TRUE(m_platform->bringToFront(front));
            EXPECT_TRUE(waitUntil([&] {
                const auto list = m_platform->topLevelWindows();
                return list.indexOf(front) >= 0 && list.indexOf(front) < list.indexOf(back)
                       && m_platform->activeWindow() == front;
            })) << "front 0x" << std::hex << front << " active 0x" << m_platform->activeWindow() << "\n"
                << describeWindows();
        }
    }

    void checkListsTitlesAndOrder()
    {
        Helper first(QStringLiteral("Tarvik essai Été α ∑"));
        Helper second(QStringLiteral("Tarvik essai second"));
        const WindowHandle a = waitForWindow(first.title());
        const WindowHandle b = waitForWindow(second.title());
        ASSERT_NE(a, 0u) << describeWindows();
        ASSERT_NE(b, 0u) << describeWindows();
        EXPECT_EQ(m_platform->windows().windowPid(a), first.pid());
        EXPECT_EQ(m_platform->windows().windowPid(b), second.pid());
        checkFrontToBack(a, b);

        // A window of this process that was never shown is listed with its title.
        QWidget hidden;
        hidden.setWindowTitle(QStringLiteral("Tarvik fenêtre jamais montrée"));
        hidden.winId(); // creates the X window, as a menu does before registering
        const WindowHandle own = hidden.windowHandle()->winId();
        EXPECT_EQ(findWindow(hidden.windowTitle()), own) << describeWindows();
        // Qt's helper windows (clipboard, selection owner) are not listed.
        for (WindowHandle w : m_platform->topLevelWindows())
            EXPECT_FALSE(m_platform->windowTitle(w).startsWith(QLatin1String("Qt "))) << describeWindows();

        // Vanished or invented windows answer false, never end the process.
        EXPECT_FALSE(m_platform->bringToFront(0x7ffffff0));
        EXPECT_FALSE(m_platform->postCloseRequest(0x7ffffff0));
        EXPECT_EQ(m_platform->windowTitle(0x7ffffff0), QString());
        EXPECT_FALSE(m_platform->isWindowOfThisProgram(0x7ffffff0));
    }

    void checkCloseRequestEndsAnotherProcess()
    {
        Helper helper(QStringLiteral("Tarvik essai fermeture"));
        const WindowHandle w = waitForWindow(helper.title());
        ASSERT_NE(w, 0u) << describeWindows();
        EXPECT_TRUE(m_platform->isWindowOfThisProgram(w)) << "the helper runs this same executable";
        EXPECT_TRUE(m_platform->postCloseRequest(w));
        EXPECT_TRUE(helper.waitForExit(8000));
        EXPECT_EQ(helper.exitCode(), 0);
        EXPECT_TRUE(helper.sawCloseEvent());
        EXPECT_TRUE(waitUntil([&] { return findWindow(helper.title()) == 0; })) << describeWindows();
        EXPECT_FALSE(m_platform->isWindowOfThisProgram(w)) << "its process is gone";
    }

    std::unique_ptr<LinuxPlatform> m_platform;
};

// Runs first, while no window manager runs on the display.
class X11WithoutWindowManager : public X11Test {
protected:
    void SetUp() override
    {
        X11Test::SetUp();
        if (IsSkipped())
            return;
        if (m_platform->windows().hasWindowManager())
            GTEST_SKIP() << "a window manager already runs on this display";
    }
};

TEST_F(X11WithoutWindowManager, ListsTitlesFrontToBackAndFocuses) { checkListsTitlesAndOrder(); }
TEST_F(X11WithoutWindowManager, CloseRequestEndsAnotherProcess) { checkCloseRequestEndsAnotherProcess(); }

// openbox, started for the suite and ended by its own id.
class X11WithWindowManager : public X11Test {
protected:
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        application();
        s_windowManager.startUnlessRunning();
    }
    static void TearDownTestSuite() { s_windowManager.stop(); }
    void SetUp() override
    {
        X11Test::SetUp();
        if (IsSkipped())
            return;
        if (!m_platform->windows().hasWindowManager())
            GTEST_SKIP() << "no window manager could be started";
    }
    static inline tarvik::testing::WindowManager s_windowManager;
};

TEST_F(X11WithWindowManager, ListsTitlesFrontToBackAndFocuses) { checkListsTitlesAndOrder(); }
TEST_F(X11WithWindowManager, CloseRequestEndsAnotherProcess) { checkCloseRequestEndsAnotherProcess(); }

TEST_F(X11WithWindowManager, BringToFrontRestoresAMinimisedWindow)
{
    Helper other(QStringLiteral("Tarvik essai devant"));
    // The window manager gives the focus to a window it maps; let it settle
    // on the first window before the second one starts.
    const WindowHandle front = waitForWindow(other.title());
    ASSERT_NE(front, 0u) << describeWindows();
    waitUntil([&] { return m_platform->activeWindow() == front; }, 2000);
    Helper minimised(QStringLiteral("Tarvik essai réduite"), true);
    const WindowHandle w = waitForWindow(minimised.title());
    ASSERT_NE(w, 0u) << describeWindows();
    ASSERT_TRUE(waitUntil([&] { return wmState(w) == IconicState; })) << wmState(w);
    EXPECT_TRUE(m_platform->bringToFront(w));
    EXPECT_TRUE(waitUntil([&] { return wmState(w) == NormalState && m_platform->activeWindow() == w; }))
        << "state " << wmState(w) << "\n" << describeWindows();
    EXPECT_EQ(m_platform->topLevelWindows().value(0), w);
}

TEST_F(X11WithWindowManager, ProcessesAreBroughtToFrontAndRecognised)
{
    Helper first(QStringLiteral("Tarvik essai processus 1"));
    Helper second(QStringLiteral("Tarvik essai processus 2"));
    // The same program installed elsewhere is another program.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("autre-programme"));
    ASSERT_TRUE(QFile::copy(selfExe(), copy));
    ASSERT_EQ(chmod(QFile::encodeName(copy).constData(), 0755), 0);
    Helper stranger(QStringLiteral("Tarvik essai étranger"), false, copy);

    const WindowHandle a = waitForWindow(first.title());
    const WindowHandle b = waitForWindow(second.title());
    const WindowHandle s = waitForWindow(stranger.title());
    ASSERT_TRUE(a && b && s) << describeWindows();

    EXPECT_TRUE(m_platform->isWindowOfThisProgram(a));
    EXPECT_TRUE(m_platform->isWindowOfThisProgram(b));
    EXPECT_FALSE(m_platform->isWindowOfThisProgram(s));

    for (const auto &[pid, window] : {std::pair{first.pid(), a}, std::pair{second.pid(), b}, std::pair{first.pid(), a}}) {
        EXPECT_TRUE(m_platform->bringProcessToFront(pid));
        EXPECT_TRUE(waitUntil([&] { return m_platform->activeWindow() == window; }))
            << "pid " << pid << "\n" << describeWindows();
    }
    EXPECT_FALSE(m_platform->bringProcessToFront(0x3fffff00));

    const QRect area = m_platform->workArea();
    EXPECT_FALSE(area.isEmpty());
    EXPECT_TRUE(QRect(0, 0, 1280, 1024).contains(area) || area.width() > 0) << area.width() << "x" << area.height();
}

} // namespace
