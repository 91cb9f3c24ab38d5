#include "platform/win32/Win32Windows.h"

#include <QDir>

#include <windows.h>

namespace tarvik::win32 {

namespace {

HWND toHwnd(quint64 window) { return reinterpret_cast<HWND>(static_cast<quintptr>(window)); }
quint64 fromHwnd(HWND window) { return static_cast<quint64>(reinterpret_cast<quintptr>(window)); }

// A desktop holds a few hundred windows; the cap only guards against a
// window order that changes under the walk and comes back on itself.
constexpr int MaxWindows = 65536;

} // namespace

QList<quint64> topLevelWindows()
{
    QList<quint64> order;
    for (HWND w = GetTopWindow(nullptr); w != nullptr && order.size() < MaxWindows; w = GetWindow(w, GW_HWNDNEXT))
        order << fromHwnd(w);
    return order;
}

QString windowTitle(quint64 window)
{
    wchar_t buffer[255];
    const int length = GetWindowTextW(toHwnd(window), buffer, 255);
    return length > 0 ? QString::fromWCharArray(buffer, length) : QString();
}

bool bringToFront(quint64 window)
{
    const HWND w = toHwnd(window);
    if (window == 0 || !IsWindow(w))
        return false;
    if (IsIconic(w))
        ShowWindow(w, SW_RESTORE);
    return SetForegroundWindow(w) != 0;
}

bool postCloseRequest(quint64 window)
{
    return window != 0 && PostMessageW(toHwnd(window), WM_CLOSE, 0, 0) != 0;
}

quint64 foregroundWindow() { return fromHwnd(GetForegroundWindow()); }

qint64 windowProcess(quint64 window)
{
    if (window == 0 || !IsWindow(toHwnd(window)))
        return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(toHwnd(window), &pid);
    return pid;
}

QString executableOfProcess(qint64 pid)
{
    if (pid <= 0)
        return QString();
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return QString();
    QString path;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        wchar_t buffer[32768];
        DWORD size = 32768;
        if (QueryFullProcessImageNameW(process, 0, buffer, &size))
            path = QDir::fromNativeSeparators(QString::fromWCharArray(buffer, static_cast<int>(size)));
    }
    CloseHandle(process);
    return path;
}

quint64 mainWindowOfProcess(qint64 pid)
{
    if (pid <= 0)
        return 0;
    quint64 fallback = 0;
    for (quint64 window : topLevelWindows()) {
        if (windowProcess(window) != pid)
            continue;
        const HWND w = toHwnd(window);
        if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == nullptr)
            return window;
        if (fallback == 0)
            fallback = window;
    }
    return fallback;
}

std::optional<QRect> clientRect(quint64 window)
{
    const HWND w = toHwnd(window);
    RECT client;
    POINT origin = {0, 0};
    if (window == 0 || !IsWindow(w) || !GetClientRect(w, &client) || !ClientToScreen(w, &origin))
        return std::nullopt;
    return QRect(origin.x, origin.y, client.right - client.left, client.bottom - client.top);
}

std::optional<QMargins> frameMargins(quint64 window)
{
    const std::optional<QRect> client = clientRect(window);
    RECT outer;
    if (!client || !GetWindowRect(toHwnd(window), &outer))
        return std::nullopt;
    return QMargins(client->left() - outer.left, client->top() - outer.top,
                    outer.right - (client->left() + client->width()), outer.bottom - (client->top() + client->height()));
}

bool samePath(const QString &a, const QString &b)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(a))
               .compare(QDir::cleanPath(QDir::fromNativeSeparators(b)), Qt::CaseInsensitive)
        == 0;
}

} // namespace tarvik::win32
