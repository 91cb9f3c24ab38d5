#pragma once
// Window services of the Linux back-end over Xlib: the desktop's top-level
// windows front to back with their titles, bringing one to the front, close
// requests, the owner of a window and the active window.
//
// The display is the one of the Qt xcb application when there is one (so our
// requests follow Qt's on the same connection), else a connection of our own
// kept for the life of the process. Without any display every service answers
// empty or false.

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

#include <optional>

typedef struct _XDisplay Display;

namespace tarvik {

class X11Windows {
public:
    X11Windows() = default;
    ~X11Windows();
    X11Windows(const X11Windows &) = delete;
    X11Windows &operator=(const X11Windows &) = delete;

    // Null when no X display can be reached.
    Display *display();

    QList<quint64> topLevelWindows();
    QString windowTitle(quint64 window);
    bool bringToFront(quint64 window);
    bool postCloseRequest(quint64 window);
    // _NET_WM_PID of the window, 0 when it has none.
    qint64 windowPid(quint64 window);
    // True when the window's process runs the executable at exePath.
    bool isWindowOfExecutable(quint64 window, const QString &exePath);
    quint64 activeWindow();
    // The frontmost top-level window of that process that the user can see
    // (normal or minimised), else its frontmost window; 0 when none.
    quint64 mainWindowOfProcess(qint64 pid);
    // True when an EWMH window manager runs on the display.
    bool hasWindowManager();
    // The window manager's frame around window (_NET_FRAME_EXTENTS); when
    // it has not been announced and waitMs > 0, asked for and awaited.
    std::optional<QMargins> frameExtents(quint64 window, int waitMs);
    // The window's client area in root coordinates, as the server has it.
    std::optional<QRect> clientGeometry(quint64 window);

private:
    unsigned long atom(const char *name);
    bool windowExists(quint64 window);
    bool supported(const char *hint);
    bool hasWmState(quint64 window);
    quint64 clientBelow(quint64 window, int depth);

    Display *m_display = nullptr;
    bool m_ownDisplay = false;
    bool m_tried = false;
};

} // namespace tarvik
