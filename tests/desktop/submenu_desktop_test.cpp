// Real menu processes of the built program under X with a window manager:
// a bar button opening its sub-menu or bringing it forward, and renaming a
// button, which moves that menu's files and opens it under the new name.
//
// Each test copies the program into its own temporary folder, which is the
// application directory of the menus it starts (and the key of their copy
// registry). Every wait polls with a deadline; only processes started here
// are ended, by their ids.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <signal.h>
#include <sys/types.h>

namespace {

constexpr int kDeadlineMs = 20000;

template <typename F>
bool waitUntil(F condition, int milliseconds = kDeadlineMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (condition())
            return true;
        if (t.elapsed() > milliseconds)
            return false;
        QThread::msleep(40);
    }
}

int ignoreXError(Display *, XErrorEvent *) { return 0; } // windows vanish while we look

// The X display as the test sees it, independent of the program's own window code.
class Screen {
public:
    Display *dpy = nullptr;

    Atom atom(const char *name) { return XInternAtom(dpy, name, False); }

    QString title(Window w)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        QString out;
        if (XGetWindowProperty(dpy, w, atom("_NET_WM_NAME"), 0, 1024, False, atom("UTF8_STRING"), &type, &format,
                               &count, &after, &data) == Success && data) {
            out = QString::fromUtf8(reinterpret_cast<char *>(data), int(count));
            XFree(data);
        }
        return out;
    }

    long cardinal(Window w, const char *property)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        long value = 0;
        if (XGetWindowProperty(dpy, w, atom(property), 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                               &data) == Success && data) {
            if (count == 1)
                value = *reinterpret_cast<long *>(data);
            XFree(data);
        }
        return value;
    }

    qint64 pidOf(Window w) { return cardinal(w, "_NET_WM_PID"); }
    Window active() { return Window(cardinal(DefaultRootWindow(dpy), "_NET_ACTIVE_WINDOW")); }

    // Viewable client windows (those carrying a process id) titled exactly so.
    QList<Window> windowsTitled(const QString &wanted)
    {
        QList<Window> out;
        walk(DefaultRootWindow(dpy), 0, wanted, out);
        return out;
    }
    Window windowTitled(const QString &wanted)
    {
        const QList<Window> all = windowsTitled(wanted);
        return all.isEmpty() ? 0 : all.first();
    }

    // Asks the window to close as its close box does.
    void requestClose(Window w)
    {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = atom("WM_PROTOCOLS");
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = long(atom("WM_DELETE_WINDOW"));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &ev);
        XFlush(dpy);
    }

    bool hasWindowManager()
    {
        return cardinal(DefaultRootWindow(dpy), "_NET_SUPPORTING_WM_CHECK") != 0;
    }

private:
    void walk(Window w, int depth, const QString &wanted, QList<Window> &out)
    {
        if (depth > 0) {
            XWindowAttributes attrs{};
            if (!XGetWindowAttributes(dpy, w, &attrs) || attrs.map_state != IsViewable)
                return;
            if (pidOf(w) != 0 && title(w) == wanted) {
                out << w;
                return;
            }
        }
        if (depth >= 3)
            return;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
            return;
        // Front to back: XQueryTree lists bottom first.
        for (int i = int(n) - 1; i >= 0; --i)
            walk(children[i], depth + 1, wanted, out);
        if (children)
            XFree(children);
    }
};

class SubMenuDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "submenu_desktop_test";
            static char *argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
        XSetErrorHandler(ignoreXError);
        s_screen.dpy = XOpenDisplay(nullptr);
        if (!s_screen.dpy || s_screen.hasWindowManager())
            return;
        // The program relies on an EWMH window manager to raise and activate windows.
        if (QFile::exists(QStringLiteral("/usr/bin/openbox"))) {
            s_windowManager = new QProcess;
            s_windowManager->setStandardOutputFile(QProcess::nullDevice());
            s_windowManager->setStandardErrorFile(QProcess::nullDevice());
            s_windowManager->start(QStringLiteral("/usr/bin/openbox"), {});
            waitUntil([] { return s_screen.hasWindowManager(); }, 10000);
        }
    }

    static void TearDownTestSuite()
    {
        if (s_windowManager) {
            s_windowManager->terminate();
            if (!s_windowManager->waitForFinished(3000))
                s_windowManager->kill();
            s_windowManager->waitForFinished(3000);
            delete s_windowManager;
            s_windowManager = nullptr;
        }
        if (s_screen.dpy)
            XCloseDisplay(s_screen.dpy);
        s_screen.dpy = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(s_screen.dpy, nullptr) << "desktop tests need an X display";
        ASSERT_TRUE(dir.isValid());
        exe = dir.filePath(QStringLiteral("tarvik"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TARVIK_EXE), exe));
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void TearDown() override
    {
        for (qint64 pid : std::as_const(adopted))
            if (runs(pid) && executableOf(pid) == QFileInfo(exe).canonicalFilePath())
                ::kill(pid_t(pid), SIGKILL);
        for (auto &p : processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    QProcess *start(const QString &menu)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(exe, {menu});
        p->waitForStarted(5000);
        processes.push_back(std::move(p));
        return processes.back().get();
    }

    static bool ended(QProcess *p, int milliseconds = kDeadlineMs)
    {
        return p->state() == QProcess::NotRunning || p->waitForFinished(milliseconds);
    }

    Window waitWindow(const QString &title)
    {
        Window w = 0;
        waitUntil([&] { return (w = s_screen.windowTitled(title)) != 0; });
        return w;
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList instanceLines() const
    {
        return QString::fromLatin1(readFile(QStringLiteral("MENUS.instances.ini"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    static void xdotool(const QStringList &arguments) { QProcess::execute(QStringLiteral("xdotool"), arguments); }

    // Where a bar button's centre is, on the screen: the bar lies along the
    // bottom of the window, created buttons from the left.
    QPoint firstCreatedButton(Window w)
    {
        XWindowAttributes attrs{};
        XGetWindowAttributes(s_screen.dpy, w, &attrs);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(s_screen.dpy, w, DefaultRootWindow(s_screen.dpy), 0, 0, &x, &y, &child);
        return QPoint(x + 30, y + attrs.height - 14);
    }

    // A process the menus started themselves (not a child of the test).
    static bool runs(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        return close > 0 && line.mid(close + 2, 1) != "Z";
    }
    QString executableOf(qint64 pid) const
    {
        return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    }
    // Follows a menu that another menu started, so that it is ended with the test.
    void adopt(qint64 pid)
    {
        if (pid > 0 && executableOf(pid) == QFileInfo(exe).canonicalFilePath())
            adopted << pid;
    }

    static inline Screen s_screen;
    static inline QProcess *s_windowManager = nullptr;

    QTemporaryDir dir;
    QString exe;
    std::vector<std::unique_ptr<QProcess>> processes;
    QList<qint64> adopted;
};


void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

TEST_F(SubMenuDesktop, ButtonOpensItsSubMenuThenBringsItForward)
{
    writeFile(path(QStringLiteral("RACINE.boutons.txt")), "Fermer\r\nCOMPTA\r\n");
    QProcess *root = start(QStringLiteral("RACINE"));
    const Window rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    const QPoint button = firstCreatedButton(rootWindow);
    const QStringList click{QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
                            QStringLiteral("click"), QStringLiteral("1")};

    xdotool(click);
    const Window compta = waitWindow(QStringLiteral("COMPTA"));
    ASSERT_NE(compta, 0u) << "the sub-menu did not open";
    const qint64 pid = s_screen.pidOf(compta);
    adopt(pid);
    EXPECT_NE(pid, root->processId());
    EXPECT_EQ(executableOf(pid), QFileInfo(exe).canonicalFilePath());
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
    EXPECT_TRUE(waitUntil([&] { return !runs(pid); }));
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
    const Window rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(rootWindow)});

    // Point the button without clicking it: press, leave the button, release.
    const QPoint button = firstCreatedButton(rootWindow);
    xdotool({QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
             QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
             QString::number(button.x()), QString::number(button.y() - 80), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    xdotool({QStringLiteral("key"), QStringLiteral("F2")});
    const Window input = waitWindow(QStringLiteral("(RE)NOMMER LE BOUTON #2=COMPTA"));
    ASSERT_NE(input, 0u) << "no naming box for the pointed button";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))) && instanceLines().size() > 1)
        << "the press started the sub-menu";
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(input)});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdotool({QStringLiteral("type"), QStringLiteral("banque")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});

    const Window banque = waitWindow(QStringLiteral("BANQUE"));
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
    ASSERT_TRUE(waitUntil([&] { return !runs(pid); }));
    EXPECT_EQ(readFile(QStringLiteral("BANQUE.items.txt")), entries);
    EXPECT_EQ(readFile(QStringLiteral("BANQUE.items.checked.txt")), checks);
    EXPECT_TRUE(readFile(QStringLiteral("BANQUE.items.commands.ini")).contains("SENDKEYS=abc"));
    EXPECT_TRUE(readFile(QStringLiteral("BANQUE.boutons.txt")).contains("PAIE"));

    s_screen.requestClose(rootWindow);
    ASSERT_TRUE(ended(root));
}

} // namespace
