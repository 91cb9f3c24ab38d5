#pragma once

// Shared pieces of the desktop tests: real processes of the built program on
// a real X display. Every wait polls with a deadline; only processes a test
// started (or followed by id after checking what they run) are ever ended.
//
// Deliberately free of X11 headers: their macros (None, Bool, Status…) clash
// with Qt and GoogleTest in files that do not need them.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

struct _XDisplay;

namespace tarvik::testing {

// An X window id (the same type as Xlib's Window).
using WindowId = unsigned long;

constexpr int kDesktopDeadlineMs = 10000;

// Polls until condition holds or milliseconds have passed; queued Qt events
// are let through in between so that QProcess and the clipboard stay current.
bool waitUntil(const std::function<bool()> &condition, int milliseconds = kDesktopDeadlineMs, int pollMs = 40);

// Creates the QCoreApplication the test program needs for QProcess, unless one exists.
void ensureCoreApplication();

// Runs a small tool to its end (killed after timeoutMs) and returns what it printed, trimmed.
QString runTool(const QString &program, const QStringList &args, int timeoutMs = 10000);
QString xdotool(const QStringList &args);
bool toolInstalled(const QString &name);
// The visible windows of a process (its main window, its popups, its dialogs), as xdotool ids.
QStringList visibleWindowsOf(qint64 pid);

// The whole file; whenMissing when it cannot be read.
QByteArray readFile(const QString &path, const QByteArray &whenMissing = QByteArray());
// Fails the current test when the file cannot be written.
void writeFile(const QString &path, const QByteArray &bytes);
// A shell script the owner can run.
void writeScript(const QString &path, const QByteArray &body);
void makeOwnerExecutable(const QString &path);

// A window manager runs when the root names a check window that still exists.
bool windowManagerRuns();

// Gives a shown window of this process the X keyboard focus (Qt's own
// activation can lose it without a window manager); false after the deadline.
bool focusOnX(_XDisplay *dpy, class QWidget *widget, int milliseconds = 5000);

// Starts openbox for a test suite when the display has no window manager
// (the program relies on one to frame, raise and activate its windows), and
// stops only the openbox it started.
class WindowManager {
public:
    ~WindowManager() { stop(); }
    void startUnlessRunning();
    void stop();

private:
    static bool waitUntilManagerTakesWindows();

    std::unique_ptr<QProcess> m_openbox;
};

// A temporary folder with a copy of the program: the program keeps its files
// beside itself, so each test gets its own application directory (and with
// it its own registry of running copies).
class AppDirectory {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString &relative = QString()) const { return m_dir.filePath(relative); }
    // Copies programPath into relativeExe; false when the copy failed.
    bool install(const QString &programPath, const QString &relativeExe = QStringLiteral("tarvik"));
    QString exe() const { return m_exe; }

private:
    QTemporaryDir m_dir;
    QString m_exe;
};

// Asks a process the test started to end, forces it after graceMs.
void stopProcess(QProcess &process, int graceMs = 5000);
// Forces a process the test started to end at once.
void killProcess(QProcess &process, int waitMs = 3000);

// Whether the id names a living process (not a zombie).
bool processRuns(qint64 pid);
// The program file the process runs, as the kernel resolved it.
QString executableOf(qint64 pid);
// Signals a process the test did not start itself, only while that id still
// runs expectedExecutable: an id reused by another program is left alone.
void signalIfRunning(qint64 pid, const QString &expectedExecutable, int signal);

// The X display as the test sees it, independent of the program's own window code.
class Screen {
public:
    ~Screen() { close(); }
    // Opens the display; vanishing windows are not errors while looking at them.
    bool open();
    void close();
    _XDisplay *display() const { return m_dpy; }
    bool isOpen() const { return m_dpy != nullptr; }

    QString title(WindowId w);
    long cardinal(WindowId w, const char *property);
    qint64 pidOf(WindowId w) { return cardinal(w, "_NET_WM_PID"); }
    // The frame the window manager put around a client (left, right, top,
    // bottom), empty until it has said so.
    QList<int> frameExtents(WindowId w);
    WindowId active();
    bool hasWindowManager();

    // Viewable client windows (those carrying a process id) titled exactly so, front first.
    QList<WindowId> windowsTitled(const QString &wanted);
    WindowId windowTitled(const QString &wanted);
    // The viewable client windows of a process with their titles; a window
    // manager's frames are looked through.
    QList<QPair<WindowId, QString>> windowsOf(qint64 pid);
    // Every viewable client window that names its process, with its title.
    QList<QPair<WindowId, QString>> clientWindows() { return windowsOf(kAnyProcess); }

    // Where the window lies on the screen.
    QRect rootGeometry(WindowId w);
    // Asks the window to close as its close box does.
    void requestClose(WindowId w);
    // Gives the window the keyboard at once (the X focus) and asks the window
    // manager to make it the active one, as a click on it would.
    void activateNow(WindowId w);
    // The modifier keys (Shift, Ctrl, Alt, AltGr…) held down now, by keysym name.
    QStringList modifiersDown();
    // A left click at a point of the window, sent to the window itself: for
    // displays whose pointer cannot be moved (Xwayland without a seat, where
    // XTest ends the server).
    void sendClick(WindowId w, int x, int y);

private:
    static constexpr qint64 kAnyProcess = -1;
    void walkTitled(WindowId w, int depth, const QString &wanted, QList<WindowId> &out);
    void collectWindows(WindowId parent, qint64 pid, int depth, QList<QPair<WindowId, QString>> &out);
    QString textProperty(WindowId w, const char *name);

    _XDisplay *m_dpy = nullptr;
};

// Menus of the built program started by a test from its own application
// directory, with the X display and a window manager shared by the suite.
class MenuDesktopTest : public ::testing::Test {
protected:
    static constexpr int kDeadlineMs = 20000;

    explicit MenuDesktopTest(QString builtProgram) : m_builtProgram(std::move(builtProgram)) {}

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the menu named so, without Qt's offscreen setting of the test run.
    QProcess *start(const QString &menu);
    // Menus start slower than small tools: a whole family may be starting at once.
    static bool waitUntil(const std::function<bool()> &condition, int milliseconds = kDeadlineMs)
    {
        return tarvik::testing::waitUntil(condition, milliseconds);
    }
    static bool ended(QProcess *p, int milliseconds = kDeadlineMs);
    WindowId waitWindow(const QString &title);
    // Follows a menu that another menu started, so that it is ended with the test.
    void adopt(qint64 pid);

    QString path(const QString &name) const { return app.path(name); }
    QByteArray readFile(const QString &name) const { return tarvik::testing::readFile(path(name)); }
    QStringList instanceLines() const;

    static inline Screen s_screen;
    static inline WindowManager s_windowManager;

    AppDirectory app;
    std::vector<std::unique_ptr<QProcess>> processes;
    QList<qint64> adopted;

private:
    QString m_builtProgram;
};

} // namespace tarvik::testing
