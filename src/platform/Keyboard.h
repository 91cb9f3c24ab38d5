#pragma once
// The keyboard port: synthetic key events and the keyboard-layout mapping the
// keystroke player needs, in the shape of the Windows services it was written
// for (keybd_event, VkKeyScanW, MapVirtualKeyW, the NumLock toggle and the
// own-thread message pump). One process-wide instance; the program entry
// installs the X11 back-end, tests install a recording one.

#include <QChar>
#include <QtGlobal>

namespace tarvik {

// Flags of keybdEvent().
constexpr unsigned KEYEVENTF_EXTENDEDKEY = 0x1;
constexpr unsigned KEYEVENTF_KEYUP = 0x2;

// Shift bits in the high byte of a vkKeyScan() result.
constexpr quint8 VKKEYSCANSHIFTON = 1;
constexpr quint8 VKKEYSCANCTRLON = 2;
constexpr quint8 VKKEYSCANALTON = 4;

// No key gives the character.
constexpr quint16 INVALIDKEY = 0xFFFF;

// Virtual-key codes the player and the back-ends name.
constexpr quint8 VK_CANCEL = 0x03;
constexpr quint8 VK_BACK = 0x08;
constexpr quint8 VK_TAB = 0x09;
constexpr quint8 VK_CLEAR = 0x0C;
constexpr quint8 VK_RETURN = 0x0D;
constexpr quint8 VK_SHIFT = 0x10;
constexpr quint8 VK_CONTROL = 0x11;
constexpr quint8 VK_MENU = 0x12;
constexpr quint8 VK_CAPITAL = 0x14;
constexpr quint8 VK_ESCAPE = 0x1B;
constexpr quint8 VK_NUMLOCK = 0x90;
constexpr quint8 VK_SCROLL = 0x91;
constexpr quint8 VK_LeftBracket = 0xDB;
constexpr quint8 VK_RightBracket = 0xDD;

// Keys sent with the extended-key flag: page up/down, end, home, the arrows,
// insert and delete (the dedicated keys, not their keypad twins).
constexpr bool isExtendedVKey(unsigned vk)
{
    return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E;
}

class Keyboard {
public:
    virtual ~Keyboard() = default;

    // Called around one played sequence. A back-end may read the layout here
    // and put the keyboard in a state where the keys give exactly the text
    // asked for, undoing that at the end.
    virtual void beginSequence() {}
    virtual void endSequence() {}

    // Keys for one window only (0: wherever the focus is). While a target is
    // set, a key press goes out only while the keyboard focus is in that
    // window; releases always go out, so that no key is left down.
    virtual void setTargetWindow(quint64 window) = 0;
    // True when no target is set or the keyboard focus is in it.
    virtual bool targetHasKeyboard() = 0;

    // One key event to the window that has the keyboard focus
    // (keybd_event: virtual key, scan code, KEYEVENTF_ flags). False when a
    // press was held back because the focus is not in the target: nothing
    // was sent.
    virtual bool keybdEvent(quint8 vk, quint8 scan, unsigned flags) = 0;
    // The key that gives the character in the current layout (VkKeyScanW):
    // low byte the virtual key, high byte the shift bits; INVALIDKEY for none.
    virtual quint16 vkKeyScan(QChar ch) = 0;
    // The scan code of a virtual key (MapVirtualKeyW(vk, 0)); 0 when unknown.
    virtual unsigned mapVirtualKey(unsigned vk) = 0;

    // The keyboard's NumLock toggle.
    virtual bool numLockOn() = 0;
    virtual void setNumLock(bool on) = 0;

    // Handles the pending input of this process's own windows, so that keys
    // aimed at them are processed in order while playing.
    virtual void processOwnKeyboardMessages() = 0;
};

// The installed back-end; throws std::logic_error when none is.
Keyboard &keyboard();
// Installs the process-wide back-end (not owned); returns the previous one.
Keyboard *setKeyboard(Keyboard *backend);

} // namespace tarvik
