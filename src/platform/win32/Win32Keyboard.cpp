#include "platform/win32/Win32Keyboard.h"

#include "platform/PrivateVirtualKeys.h"

#include <windows.h>

namespace tarvik::win32 {

namespace {

// The shift bits the player can press: Shift, Ctrl, Alt.
constexpr quint8 kPressableShifts = VKKEYSCANSHIFTON | VKKEYSCANCTRLON | VKKEYSCANALTON;
// Ctrl and Alt together stand for AltGr. Pressed that way, the key also
// reaches the program as its Ctrl+Alt shortcut, and Wine never turns
// Ctrl+Alt+key into a character at all: such characters are sent whole.
constexpr quint8 kAltGr = VKKEYSCANCTRLON | VKKEYSCANALTON;

// A key whose character waits for the next key (an accent): pressed alone
// it types nothing, and it would change the character that follows.
bool isDeadKey(quint8 vk) { return (MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0x80000000u) != 0; }

} // namespace

void Win32Keyboard::beginSequence()
{
    m_characterOf.clear();
    m_privateKeyOf.clear();
    m_nextPrivate = 0;
}

bool Win32Keyboard::targetHasKeyboard()
{
    return m_target == 0 || quint64(reinterpret_cast<quintptr>(GetForegroundWindow())) == m_target;
}

bool Win32Keyboard::keybdEvent(quint8 vk, quint8 scan, unsigned flags)
{
    // Releases always go out, so that no key is left down.
    if (!(flags & KEYEVENTF_KEYUP) && !targetHasKeyboard())
        return false;
    const auto character = m_characterOf.constFind(vk);
    if (character == m_characterOf.cend()) {
        keybd_event(vk, scan, flags, 0);
        return true;
    }
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = *character;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (flags & KEYEVENTF_KEYUP);
    SendInput(1, &input, sizeof input);
    return true;
}

quint16 Win32Keyboard::vkKeyScan(QChar ch)
{
    const SHORT key = VkKeyScanW(wchar_t(ch.unicode()));
    if (key != -1) {
        const quint8 vk = quint8(key & 0xFF);
        const quint8 shifts = quint8((key >> 8) & 0xFF);
        if ((shifts & ~kPressableShifts) == 0 && (shifts & kAltGr) != kAltGr && !isDeadKey(vk))
            return quint16(key);
    }
    return privateKeyFor(ch.unicode());
}

quint8 Win32Keyboard::privateKeyFor(char16_t ch)
{
    const auto known = m_privateKeyOf.constFind(ch);
    if (known != m_privateKeyOf.cend())
        return *known;
    // The player presses and releases a character's key right after asking
    // for it: once the pool has gone round, the oldest code is free again.
    const QList<quint8> &pool = privateVirtualKeys();
    const quint8 vk = pool.at(m_nextPrivate++ % pool.size());
    const auto previous = m_characterOf.constFind(vk);
    if (previous != m_characterOf.cend())
        m_privateKeyOf.remove(*previous);
    m_characterOf.insert(vk, ch);
    m_privateKeyOf.insert(ch, vk);
    return vk;
}

unsigned Win32Keyboard::mapVirtualKey(unsigned vk)
{
    return m_characterOf.contains(quint8(vk)) ? 0 : MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
}

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
