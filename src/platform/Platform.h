#pragma once
// The operating-system port: every service the program asks of the desktop.
// One process-wide instance; the program entry installs the Linux back-end,
// tests install a recording one.

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QVariant>

#include <optional>

namespace tarvik {

// An X window id on Linux; 0 stands for "no window".
using WindowHandle = quint64;

// Show commands of the start service, in the Windows numbering the callers use.
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Result codes of the start service below 33 are failures (Windows convention).
constexpr int SE_ERR_FNF = 2;          // file not found
constexpr int SE_ERR_PNF = 3;          // path not found
constexpr int SE_ERR_ACCESSDENIED = 5; // not executable / permission refused
constexpr int SE_ERR_OOM = 8;          // out of memory
constexpr int SE_ERR_BADFORMAT = 11;   // not a program this system can run
constexpr int SE_ERR_NOASSOC = 31;     // nothing on this desktop opens it
constexpr int SE_SUCCESS = 42;         // any value above 32 means started

// What the keystroke target rule needs to know of a running process.
struct ProcessInfo {
    qint64 parent = 0;
    qint64 session = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Full path of the running executable: what starts a sub-menu.
    virtual QString executablePath() = 0;
    // The folder that holds the menus' files, ending in "/". By default the
    // executable's own folder.
    virtual QString applicationDirectory();

    // Starts a program, folder, document or web address with the contract of
    // ShellExecuteW: verbs "RUNAS", "OPEN", "EXPLORE"; returns at once; a result
    // of 32 or less is a failure code.
    virtual int shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                             const QString &parameters, const QString &directory,
                             int showCommand) = 0;
    // The process the last shellExecute() started (an opener such as xdg-open
    // for documents, folders and web pages); 0 when it started none.
    virtual qint64 lastStartedProcess() = 0;
    // The parent and session of a running process; none once it has ended
    // (a zombie has ended).
    virtual std::optional<ProcessInfo> processInfo(qint64 pid) = 0;
    // True while some process of that session runs.
    virtual bool sessionRuns(qint64 session) = 0;

    // Top-level windows of the desktop, front to back, hidden ones included.
    virtual QList<WindowHandle> topLevelWindows() = 0;
    virtual QString windowTitle(WindowHandle window) = 0;
    // Brings the window to the front, restoring it when minimised.
    virtual bool bringToFront(WindowHandle window) = 0;
    // Asks the window to close as its user would (WM_CLOSE).
    virtual bool postCloseRequest(WindowHandle window) = 0;
    // True when the window belongs to a running copy of this program.
    virtual bool isWindowOfThisProgram(WindowHandle window) = 0;
    // The window that has the keyboard focus now, 0 when unknown.
    virtual WindowHandle activeWindow() = 0;
    // The process that says it owns the window (_NET_WM_PID), 0 when none does.
    virtual qint64 windowProcess(WindowHandle window) = 0;
    // True when this program runs through XWayland in a Wayland session: the
    // desktop's native windows are then out of its sight and out of reach of
    // its keystrokes.
    virtual bool isWaylandSession() = 0;
    // The frame the window manager puts around a top-level window of this
    // process, as it has announced it on the display. When it has not yet
    // (the window was never shown) and waitMs > 0, the window manager is
    // asked for it and its answer awaited at most that long. Empty when
    // unknown: no window manager, or none that answers.
    virtual std::optional<QMargins> frameExtents(WindowHandle window, int waitMs) = 0;
    // Where the window's client area lies on the screen as the display holds
    // it now; empty when unknown.
    virtual std::optional<QRect> clientGeometry(WindowHandle window) = 0;

    // Pauses the calling (GUI) thread.
    virtual void sleep(int milliseconds) = 0;

    // Folders. documentsDir() and desktopDir() are empty when the desktop has none.
    virtual QString homeDir() = 0;
    virtual QString desktopDir() = 0;
    virtual QString documentsDir() = 0;
    virtual QString systemDir() = 0;
    // A registry value (a fixed built-in table on Linux); throws when missing.
    virtual QVariant registryValue(const QString &rootKey, const QString &key,
                                   const QString &valueName) = 0;

    // Files: copy (overwriting unless failIfExists), rename, recycle bin.
    virtual bool copyFile(const QString &source, const QString &target, bool failIfExists) = 0;
    virtual bool moveFile(const QString &source, const QString &target) = 0;
    virtual bool moveToTrash(const QString &path) = 0;

    // The primary screen's area not covered by panels.
    virtual QRect workArea() = 0;

    // The registry of running copies of this executable, shared between
    // processes under a lock. registerCopy() appends this process (forgetting
    // copies that no longer run) and returns its position, counted from 0.
    virtual int registerCopy() = 0;
    virtual void unregisterCopy() = 0;
    // Process ids of the registered copies, oldest first.
    virtual QList<qint64> registeredCopies() = 0;
    // Brings the main window of another copy to the front (restored if minimised).
    virtual bool bringProcessToFront(qint64 pid) = 0;
};

Platform &platform();
// Installs the process-wide back-end (not owned); returns the previous one.
Platform *setPlatform(Platform *backend);

} // namespace tarvik
