#pragma once
// Recording keyboard: keeps every key event (virtual key, scan code, flags)
// in order and answers the layout questions from a fixed US table, the way
// Windows does for a US keyboard. The NumLock state is scriptable; pump calls
// and sequence hooks are counted. Installs itself for its lifetime.

#include "platform/Keyboard.h"

#include <QList>
#include <QString>
#include <functional>
#include <vector>

namespace tarvik::testing {

struct KeyEvent {
    quint8 vk = 0;
    quint8 scan = 0;
    unsigned flags = 0;
    bool press() const { return (flags & KEYEVENTF_KEYUP) == 0; }
    bool operator==(const KeyEvent &) const = default;
};

class RecordingKeyboard : public Keyboard {
public:
    RecordingKeyboard();
    ~RecordingKeyboard() override;

    std::vector<KeyEvent> events;
    bool numLock = false;      // the toggle state, flipped by setNumLock()
    int numLockWrites = 0;
    int pumpCalls = 0;
    int beginCalls = 0;
    int endCalls = 0;

    // The target window (setTargetWindow) and whether the focus is in it;
    // while it is not, presses are held back and counted.
    quint64 target = 0;
    QList<quint64> targetsSet;
    bool focusInTarget = true;
    int heldBack = 0;
    // Runs after every event that went out (a test moves the focus here).
    std::function<void(RecordingKeyboard &)> afterEvent;

    // Virtual keys pressed and not released, in order of their first press.
    QList<quint8> keysDown() const;
    // The events as "vk+" / "vk-" strings with an "x" for the extended flag,
    // e.g. "10+ 41+ 41- 10-"; short to read in failing tables.
    QString trace() const;

    void beginSequence() override { ++beginCalls; }
    void endSequence() override { ++endCalls; }
    void setTargetWindow(quint64 window) override;
    bool targetHasKeyboard() override { return target == 0 || focusInTarget; }
    bool keybdEvent(quint8 vk, quint8 scan, unsigned flags) override;
    quint16 vkKeyScan(QChar ch) override;
    unsigned mapVirtualKey(unsigned vk) override;
    bool numLockOn() override { return numLock; }
    void setNumLock(bool on) override;
    void processOwnKeyboardMessages() override { ++pumpCalls; }

    // The US table on its own, for tests that compute expectations.
    static quint16 usVkKeyScan(QChar ch);
    static unsigned usScanCode(unsigned vk);

private:
    Keyboard *m_previous = nullptr;
};

} // namespace tarvik::testing
