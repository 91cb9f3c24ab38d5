#pragma once
// The keyboard port on an X11 desktop: XTest key events to the focused
// window, the layout mapping read from the XKB map of the active group.

#include "platform/Keyboard.h"

#include <QByteArray>
#include <memory>

namespace tarvik {

class X11Keyboard : public Keyboard {
public:
    // displayName empty: the DISPLAY of the environment. The connection is
    // opened on first use.
    explicit X11Keyboard(const QByteArray &displayName = QByteArray());
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard &) = delete;
    X11Keyboard &operator=(const X11Keyboard &) = delete;

    // How long a sequence waits for modifiers held on the keyboard to come up
    // before it releases them itself (milliseconds).
    void setHeldModifierWait(int milliseconds);

    void beginSequence() override;
    void endSequence() override;
    void setTargetWindow(quint64 window) override;
    bool targetHasKeyboard() override;
    bool keybdEvent(quint8 vk, quint8 scan, unsigned flags) override;
    quint16 vkKeyScan(QChar ch) override;
    unsigned mapVirtualKey(unsigned vk) override;
    bool numLockOn() override;
    void setNumLock(bool on) override;
    void processOwnKeyboardMessages() override;

    // Modifier keys that were still down after the wait of the last
    // beginSequence() and were released by it.
    int forcedReleases() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tarvik
