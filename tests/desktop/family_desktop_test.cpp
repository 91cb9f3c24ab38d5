// Real menu processes of the built program under X with a window manager:
// the root closing its family, and the limit of nine copies.
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
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
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

class FamilyDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "family_desktop_test";
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

    // The plain box that turns a copy away: shown by that copy, dismissed with Enter.
    void dismissLimitMessage(QProcess *copy)
    {
        Window box = 0;
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

    static inline Screen s_screen;
    static inline QProcess *s_windowManager = nullptr;

    QTemporaryDir dir;
    QString exe;
    std::vector<std::unique_ptr<QProcess>> processes;
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
    const Window rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u);
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }));
    EXPECT_EQ(instanceLines(), QStringList{QString::number(rootWindow)});

    std::vector<QProcess *> family{root};
    QList<Window> windows{rootWindow};
    for (const QString &sub : subs) {
        family.push_back(start(sub));
        windows << waitWindow(sub);
        ASSERT_NE(windows.last(), 0u) << sub.toStdString();
    }
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 4; }));
    QStringList expected;
    for (Window w : windows)
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
    QList<Window> windows;
    for (int i = 1; i <= 9; ++i) {
        windows << waitWindow(QStringLiteral("M%1").arg(i));
        ASSERT_NE(windows.last(), 0u) << "M" << i;
    }
    // No registration lost to a simultaneous one, each menu its own window.
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 9; })) << instanceLines().join(u' ').toStdString();
    QSet<QString> expected;
    for (Window w : windows)
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
