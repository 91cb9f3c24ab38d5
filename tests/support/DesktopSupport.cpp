#include "DesktopSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <sys/types.h>

namespace tarvik::testing {

namespace {

// Runs the event loop until the next poll is due: QProcess, the clipboard and
// the test's own windows stay current while a condition is awaited.
void runEventsFor(int milliseconds)
{
    ensureCoreApplication();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

bool waitUntil(const std::function<bool()> &condition, int milliseconds, int pollMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (condition())
            return true;
        if (t.elapsed() > milliseconds)
            return false;
        runEventsFor(pollMs);
    }
}

void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tarvik_desktop_test";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

QString runTool(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList &args) { return runTool(QStringLiteral("xdotool"), args); }

bool toolInstalled(const QString &name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

QStringList visibleWindowsOf(qint64 pid)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(pid), QString()})
        .split(u'\n', Qt::SkipEmptyParts);
}

QByteArray readFile(const QString &path, const QByteArray &whenMissing)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : whenMissing;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

void makeOwnerExecutable(const QString &path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void writeScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\n" + body);
    makeOwnerExecutable(path);
}

namespace {

int ignoreXError(Display *, XErrorEvent *) { return 0; } // windows vanish while we look

} // namespace

bool windowManagerRuns()
{
    Screen screen;
    return screen.open() && screen.hasWindowManager();
}

void WindowManager::startUnlessRunning()
{
    // An X server resets when its last client leaves: a window manager that
    // connects during that reset is dropped and ends. A connection held
    // until the manager runs keeps the server up.
    Screen keepServerUp;
    if (qEnvironmentVariableIsEmpty("DISPLAY") || !keepServerUp.open() || keepServerUp.hasWindowManager())
        return;
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty())
        return;
    // On a loaded machine openbox now and then ends at once with code 1 and
    // no message; one that ended before it was ready is started again, and
    // the test fails (rather than waits) when it never becomes ready.
    ensureCoreApplication(); // QProcess learns of its child's end through the event loop
    QString failure;
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_openbox = std::make_unique<QProcess>();
        m_openbox->setStandardOutputFile(QProcess::nullDevice());
        m_openbox->setStandardErrorFile(QProcess::nullDevice());
        m_openbox->start(openbox, {QStringLiteral("--sm-disable")});
        const bool ready = m_openbox->waitForStarted() && waitUntil([this] {
            return windowManagerRuns() || m_openbox->state() != QProcess::Running;
        }) && m_openbox->state() == QProcess::Running && waitUntilManagerTakesWindows();
        if (ready && m_openbox->state() == QProcess::Running)
            return;
        m_openbox->waitForFinished(0);
        failure = QStringLiteral("state %1, exit code %2, %3")
                      .arg(int(m_openbox->state()))
                      .arg(m_openbox->exitCode())
                      .arg(m_openbox->errorString());
        stop();
    }
    ADD_FAILURE() << "openbox never became ready (" << failure.toStdString() << ")";
}

// The manager announces itself before it handles windows: a window mapped
// meanwhile is neither shown nor managed, its map request lost. It is ready
// once it has taken a probe window, whose map is asked again until then.
bool WindowManager::waitUntilManagerTakesWindows()
{
    Screen screen;
    if (!screen.open())
        return false;
    Display *dpy = screen.display();
    const Window probe = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 16, 16, 0, 0, 0);
    XMapWindow(dpy, probe);
    XSync(dpy, False);
    const Atom wmState = XInternAtom(dpy, "WM_STATE", False);
    const bool taken = waitUntil([&] {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        XGetWindowProperty(dpy, probe, wmState, 0, 2, False, wmState, &type, &format, &items, &after, &data);
        if (data)
            XFree(data);
        if (items > 0)
            return true;
        XMapWindow(dpy, probe);
        XSync(dpy, False);
        return false;
    });
    XDestroyWindow(dpy, probe);
    XSync(dpy, False);
    return taken;
}

void WindowManager::stop()
{
    if (!m_openbox)
        return;
    m_openbox->terminate();
    if (!m_openbox->waitForFinished(3000))
        m_openbox->kill();
    m_openbox->waitForFinished(3000);
    m_openbox.reset();
}

bool AppDirectory::install(const QString &programPath, const QString &relativeExe)
{
    m_exe = path(relativeExe);
    if (!QFile::copy(programPath, m_exe))
        return false;
    makeOwnerExecutable(m_exe);
    return true;
}

void stopProcess(QProcess &process, int graceMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(graceMs);
    }
}

void killProcess(QProcess &process, int waitMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(waitMs);
}

bool processRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

QString executableOf(qint64 pid) { return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget(); }

void signalIfRunning(qint64 pid, const QString &expectedExecutable, int signal)
{
    if (pid > 0 && processRuns(pid) && executableOf(pid) == QFileInfo(expectedExecutable).canonicalFilePath())
        ::kill(pid_t(pid), signal);
}

// ---- Screen -----------------------------------------------------------------

bool Screen::open()
{
    XSetErrorHandler(ignoreXError);
    if (!m_dpy)
        m_dpy = XOpenDisplay(nullptr);
    return m_dpy != nullptr;
}

void Screen::close()
{
    if (m_dpy)
        XCloseDisplay(m_dpy);
    m_dpy = nullptr;
}

namespace {
Atom atom(Display *dpy, const char *name) { return XInternAtom(dpy, name, False); }
} // namespace

QString Screen::title(WindowId w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QString out;
    if (XGetWindowProperty(m_dpy, w, atom(m_dpy, "_NET_WM_NAME"), 0, 1024, False, atom(m_dpy, "UTF8_STRING"), &type,
                           &format, &count, &after, &data) == Success && data) {
        out = QString::fromUtf8(reinterpret_cast<char *>(data), int(count));
        XFree(data);
    }
    return out;
}

// A title in whatever encoding the client chose: UTF-8 or Latin-1.
QString Screen::textProperty(WindowId w, const char *name)
{
    const Atom utf8 = atom(m_dpy, "UTF8_STRING");
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QString out;
    if (XGetWindowProperty(m_dpy, w, atom(m_dpy, name), 0, 1024, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success && data) {
        out = type == utf8 ? QString::fromUtf8(reinterpret_cast<char *>(data), int(count))
                           : QString::fromLatin1(reinterpret_cast<char *>(data), int(count));
        XFree(data);
    }
    return out;
}

long Screen::cardinal(WindowId w, const char *property)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    long value = 0;
    if (XGetWindowProperty(m_dpy, w, atom(m_dpy, property), 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success && data) {
        if (count == 1)
            value = *reinterpret_cast<long *>(data);
        XFree(data);
    }
    return value;
}

QList<int> Screen::frameExtents(WindowId w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QList<int> out;
    if (XGetWindowProperty(m_dpy, w, atom(m_dpy, "_NET_FRAME_EXTENTS"), 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success && data) {
        if (format == 32 && count == 4)
            for (unsigned long i = 0; i < 4; ++i)
                out << int(reinterpret_cast<long *>(data)[i]);
        XFree(data);
    }
    return out;
}

WindowId Screen::active() { return WindowId(cardinal(DefaultRootWindow(m_dpy), "_NET_ACTIVE_WINDOW")); }

bool Screen::hasWindowManager()
{
    // A check window left behind by a window manager that ended does not count.
    const Window check = Window(cardinal(DefaultRootWindow(m_dpy), "_NET_SUPPORTING_WM_CHECK"));
    XWindowAttributes attrs{};
    return check != 0 && XGetWindowAttributes(m_dpy, check, &attrs) != 0;
}

QList<WindowId> Screen::windowsTitled(const QString &wanted)
{
    QList<WindowId> out;
    walkTitled(DefaultRootWindow(m_dpy), 0, wanted, out);
    return out;
}

WindowId Screen::windowTitled(const QString &wanted)
{
    const QList<WindowId> all = windowsTitled(wanted);
    return all.isEmpty() ? 0 : all.first();
}

void Screen::walkTitled(WindowId w, int depth, const QString &wanted, QList<WindowId> &out)
{
    if (depth > 0) {
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(m_dpy, w, &attrs) || attrs.map_state != IsViewable)
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
    if (!XQueryTree(m_dpy, w, &root, &parent, &children, &n))
        return;
    // Front to back: XQueryTree lists bottom first.
    for (int i = int(n) - 1; i >= 0; --i)
        walkTitled(children[i], depth + 1, wanted, out);
    if (children)
        XFree(children);
}

QList<QPair<WindowId, QString>> Screen::windowsOf(qint64 pid)
{
    QList<QPair<WindowId, QString>> out;
    collectWindows(DefaultRootWindow(m_dpy), pid, 0, out);
    return out;
}

void Screen::collectWindows(WindowId parentWindow, qint64 pid, int depth, QList<QPair<WindowId, QString>> &out)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (depth > 2 || !XQueryTree(m_dpy, parentWindow, &root, &parent, &children, &count))
        return;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(m_dpy, children[i], &attrs) || attrs.map_state != IsViewable)
            continue;
        const qint64 owner = pidOf(children[i]);
        if (pid == kAnyProcess ? owner == 0 : owner != pid) {
            collectWindows(children[i], pid, depth + 1, out);
            continue;
        }
        QString name = textProperty(children[i], "_NET_WM_NAME");
        if (name.isEmpty())
            name = textProperty(children[i], "WM_NAME");
        out.append({children[i], name});
    }
    if (children)
        XFree(children);
}

QRect Screen::rootGeometry(WindowId w)
{
    XWindowAttributes attrs{};
    XGetWindowAttributes(m_dpy, w, &attrs);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_dpy, w, DefaultRootWindow(m_dpy), 0, 0, &x, &y, &child);
    return QRect(x, y, attrs.width, attrs.height);
}

void Screen::requestClose(WindowId w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(m_dpy, "WM_PROTOCOLS");
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(atom(m_dpy, "WM_DELETE_WINDOW"));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_dpy, w, False, NoEventMask, &ev);
    XSync(m_dpy, False);
}

void Screen::activateNow(WindowId w)
{
    XSetInputFocus(m_dpy, w, RevertToParent, CurrentTime);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(m_dpy, "_NET_ACTIVE_WINDOW");
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2; // a pager: obeyed at once
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_dpy, DefaultRootWindow(m_dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XSync(m_dpy, False);
}

QStringList Screen::modifiersDown()
{
    QStringList down;
    char keys[32];
    XQueryKeymap(m_dpy, keys);
    XModifierKeymap *map = XGetModifierMapping(m_dpy);
    if (!map)
        return down;
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        const KeyCode kc = map->modifiermap[i];
        if (kc == 0 || !(keys[kc / 8] & (1 << (kc % 8))))
            continue;
        const char *name = XKeysymToString(XkbKeycodeToKeysym(m_dpy, kc, 0, 0));
        const QString text = name ? QString::fromLatin1(name) : QString::number(kc);
        if (!down.contains(text))
            down << text;
    }
    XFreeModifiermap(map);
    return down;
}

void Screen::sendClick(WindowId w, int x, int y)
{
    const QRect onRoot = rootGeometry(w);
    for (const int type : {ButtonPress, ButtonRelease}) {
        XEvent ev{};
        ev.xbutton.type = type;
        ev.xbutton.window = w;
        ev.xbutton.root = DefaultRootWindow(m_dpy);
        ev.xbutton.time = CurrentTime;
        ev.xbutton.x = x;
        ev.xbutton.y = y;
        ev.xbutton.x_root = onRoot.x() + x;
        ev.xbutton.y_root = onRoot.y() + y;
        ev.xbutton.button = Button1;
        ev.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        ev.xbutton.same_screen = True;
        XSendEvent(m_dpy, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &ev);
    }
    XSync(m_dpy, False);
}

// ---- MenuDesktopTest ----------------------------------------------------------

void MenuDesktopTest::SetUpTestSuite()
{
    ensureCoreApplication();
    if (s_screen.open())
        s_windowManager.startUnlessRunning();
}

void MenuDesktopTest::TearDownTestSuite()
{
    s_windowManager.stop();
    s_screen.close();
}

void MenuDesktopTest::SetUp()
{
    ASSERT_TRUE(s_screen.isOpen()) << "desktop tests need an X display";
    ASSERT_TRUE(app.isValid());
    ASSERT_TRUE(app.install(m_builtProgram));
}

void MenuDesktopTest::TearDown()
{
    for (qint64 pid : std::as_const(adopted))
        signalIfRunning(pid, app.exe(), SIGKILL);
    for (auto &p : processes)
        killProcess(*p);
}

QProcess *MenuDesktopTest::start(const QString &menu)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(app.path());
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(app.exe(), {menu});
    p->waitForStarted(5000);
    processes.push_back(std::move(p));
    return processes.back().get();
}

bool MenuDesktopTest::ended(QProcess *p, int milliseconds)
{
    return p->state() == QProcess::NotRunning || p->waitForFinished(milliseconds);
}

WindowId MenuDesktopTest::waitWindow(const QString &title)
{
    WindowId w = 0;
    waitUntil([&] { return (w = s_screen.windowTitled(title)) != 0; });
    return w;
}

void MenuDesktopTest::adopt(qint64 pid)
{
    if (pid > 0 && executableOf(pid) == QFileInfo(app.exe()).canonicalFilePath())
        adopted << pid;
}

QStringList MenuDesktopTest::instanceLines() const
{
    return QString::fromLatin1(readFile(QStringLiteral("MENUS.instances.ini")))
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

bool focusOnX(Display *dpy, QWidget *widget, int milliseconds)
{
    widget->activateWindow();
    widget->setFocus();
    const Window id = static_cast<Window>(widget->windowHandle()->winId());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        XWindowAttributes attrs{};
        XGetWindowAttributes(dpy, id, &attrs);
        if (attrs.map_state == IsViewable) {
            XSetInputFocus(dpy, id, RevertToParent, CurrentTime);
            XSync(dpy, False);
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(dpy, &focus, &revert);
            if (focus == id && widget->hasFocus())
                return true;
        }
        runEventsFor(10);
    }
    return false;
}

} // namespace tarvik::testing
