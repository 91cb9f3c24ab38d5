#pragma once
// The keyboard port on Windows: the services the keystroke player was
// written for, called directly. keybd_event goes to the window that has the
// keyboard focus; the layout is the one of the calling thread.

#include "platform/Keyboard.h"

namespace tarvik::win32 {

class Win32Keyboard : public Keyboard {
public:
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
    quint64 m_target = 0;
};

} // namespace tarvik::win32
