#include "platform/win32/Win32Keyboard.h"

#include <windows.h>

namespace tarvik::win32 {

bool Win32Keyboard::targetHasKeyboard()
{
    return m_target == 0 || quint64(reinterpret_cast<quintptr>(GetForegroundWindow())) == m_target;
}

bool Win32Keyboard::keybdEvent(quint8 vk, quint8 scan, unsigned flags)
{
    // Releases always go out, so that no key is left down.
    if (!(flags & KEYEVENTF_KEYUP) && !targetHasKeyboard())
        return false;
    keybd_event(vk, scan, flags, 0);
    return true;
}

quint16 Win32Keyboard::vkKeyScan(QChar ch)
{
    const SHORT key = VkKeyScanW(wchar_t(ch.unicode()));
    return key == -1 ? INVALIDKEY : quint16(key);
}

unsigned Win32Keyboard::mapVirtualKey(unsigned vk) { return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC); }

bool Win32Keyboard::numLockOn() { return (GetKeyState(VK_NUMLOCK) & 1) != 0; }

void Win32Keyboard::setNumLock(bool on)
{
    if (numLockOn() == on)
        return;
    // The thread's own view of the toggle changes at once; the system's
    // changes with a press and release of the key.
    BYTE state[256] = {};
    if (GetKeyboardState(state)) {
        state[VK_NUMLOCK] = on ? (state[VK_NUMLOCK] | 1) : (state[VK_NUMLOCK] & ~1);
        SetKeyboardState(state);
    }
    const BYTE scan = BYTE(MapVirtualKeyW(VK_NUMLOCK, MAPVK_VK_TO_VSC));
    keybd_event(VK_NUMLOCK, scan, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(VK_NUMLOCK, scan, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

void Win32Keyboard::processOwnKeyboardMessages()
{
    // Keys aimed at this program's own windows are handled in order while
    // playing, before the next synthetic key goes out.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace tarvik::win32
