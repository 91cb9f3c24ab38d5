#pragma once
// The keyboard port on Windows: the services the keystroke player was
// written for, called directly. keybd_event goes to the window that has the
// keyboard focus; the layout is the one of the calling thread.
//
// A character that no key of the layout types by itself (a letter of
// another language, one that takes a dead key first, one on the AltGr level)
// gets a private virtual key for the sequence; pressing it sends the
// character itself as a Unicode key event (SendInput with KEYEVENTF_UNICODE),
// so it still arrives whole.

#include "platform/Keyboard.h"

#include <QHash>

namespace tarvik::win32 {

class Win32Keyboard : public Keyboard {
public:
    void beginSequence() override;
    void setTargetWindow(quint64 window) override { m_target = window; }
    // The target is a top-level window: it has the keyboard while it is the
    // foreground window.
    bool targetHasKeyboard() override;
    bool keybdEvent(quint8 vk, quint8 scan, unsigned flags) override;
    quint16 vkKeyScan(QChar ch) override;
    unsigned mapVirtualKey(unsigned vk) override;
    bool numLockOn() override;
    void setNumLock(bool on) override;
    void processOwnKeyboardMessages() override;

private:
    quint8 privateKeyFor(char16_t ch);

    quint64 m_target = 0;
    QHash<quint8, char16_t> m_characterOf; // private virtual key -> character
    QHash<char16_t, quint8> m_privateKeyOf;
    int m_nextPrivate = 0;
};

} // namespace tarvik::win32
