#pragma once
// Window and process services of the Windows back-end over user32 and
// kernel32: the desktop's top-level windows front to back with their titles,
// bringing one to the front, close requests, and which executable a window's
// process runs.

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

#include <optional>

namespace tarvik::win32 {

QList<quint64> topLevelWindows();
// The window's title as GetWindowTextW gives it into a buffer of 255
// characters: at most the first 254.
QString windowTitle(quint64 window);
// Restores a minimised window, then makes it the foreground window.
bool bringToFront(quint64 window);
bool postCloseRequest(quint64 window);
quint64 foregroundWindow();
// The process that created the window; 0 when the window does not exist.
qint64 windowProcess(quint64 window);
// Full path of the executable a running process was started from, with "/"
// separators; empty when the process does not run or cannot be queried.
QString executableOfProcess(qint64 pid);
// The frontmost visible unowned top-level window of the process, else its
// frontmost top-level window; 0 when it has none.
quint64 mainWindowOfProcess(qint64 pid);

// The frame around the window's client area and that area on the screen,
// in the system's pixels; empty when the window does not exist.
std::optional<QMargins> frameMargins(quint64 window);
std::optional<QRect> clientRect(quint64 window);

// Paths compare without regard to case on Windows file systems.
bool samePath(const QString &a, const QString &b);

} // namespace tarvik::win32
