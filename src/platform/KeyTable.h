#pragma once
// The keyboard layout as plain data, and the table the keyboard port consults
// to turn virtual keys and characters into X keycodes and modifiers. Nothing
// here talks to an X server: the layout is read elsewhere, and the table can
// be built from a hand-made one.

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>

namespace tarvik {

// The keys of the active group, as the server's keyboard map gives them.
struct KeyboardLayout {
    struct Level {
        quint32 keysym = 0;     // 0: no symbol at this level
        QList<unsigned> masks;  // the modifier masks that select the level (level 0: none needed)
    };
    struct Key {
        int keycode = 0;
        QList<Level> levels;    // the levels of the key's type in the active group
    };
    QList<Key> keys;                           // in ascending keycode order
    std::array<QList<int>, 8> modifierMap;     // the keys of each modifier bit, in the server's order
    unsigned numLockMask = 0x10;               // the modifier bit NumLock locks (Mod2 unless the map says otherwise)
};

// What one virtual key presses: a key of the layout with the level modifiers
// (AltGr) held around it, or a spare keycode to be remapped to syms first.
struct KeyBinding {
    int keycode = 0;
    bool spare = false;
    quint32 syms[2] = {0, 0};   // for a spare keycode: unshifted, shifted (0: none)
    QList<int> modKeycodes;
    bool valid() const { return keycode != 0 || spare; }
};

class KeyTable {
public:
    // The lower- and upper-case keysyms of a keysym (the X library's rule).
    using KeysymCase = void (*)(quint32 keysym, quint32 *lower, quint32 *upper);

    KeyTable() = default;
    // spareKeycodes: keycodes the back-end remaps for characters no key gives;
    // whatever they carry at the moment is not part of the layout.
    KeyTable(const KeyboardLayout &layout, KeysymCase keysymCase, const QList<int> &spareKeycodes);

    // The key a virtual-key code stands for (extended: the KEYEVENTF_EXTENDEDKEY
    // flag). Invalid when nothing in the layout matches and no spare can do.
    KeyBinding resolve(quint8 vk, bool extended) const;

    // The key that gives the character (VkKeyScanW): low byte a virtual key,
    // high byte the shift bits; INVALIDKEY for none. A character that needs a
    // level modifier, or that no key gives, gets a private virtual key for the
    // rest of the sequence. sparesAvailable is asked only when no key of the
    // layout gives the character; a private code whose key isPressed is not
    // handed out again.
    quint16 vkKeyScan(QChar ch, const std::function<bool()> &sparesAvailable,
                      const std::function<bool(quint8)> &isPressed);

    // The keys that hold Shift, Ctrl, Alt and Mod3 to Mod5, in the map's order.
    const QList<int> &heldModifierKeys() const { return m_modifierKeys; }

private:
    // Where a keysym sits: the key and the modifiers that select its level.
    // Shift is left to the player (a shift bit of vkKeyScan); other level
    // modifiers (AltGr) are pressed by the back-end around the key.
    struct Placement {
        int keycode = 0;
        int level = 0;
        bool shift = false;
        unsigned extraMods = 0;
        int rank() const { return (extraMods ? 2 : 0) + (shift ? 1 : 0); }
    };

    long levelMods(const KeyboardLayout::Level &level, int index) const;
    bool modsPressable(unsigned extra) const;
    quint32 keysymAt(int keycode, int level) const;
    void chooseModifierKeys(const KeyboardLayout &layout);
    QList<int> modKeysFor(unsigned extra) const;
    KeyBinding bindingFor(const Placement &p) const;
    static KeyBinding spareBinding(quint32 plain, quint32 shifted = 0);
    KeyBinding plainKey(quint32 plain, quint32 shifted = 0) const;
    KeyBinding anyLevelKey(quint32 ks) const;
    KeyBinding modifierKey(quint32 ks, unsigned mask) const;
    quint8 slotFor(const QString &key, const KeyBinding &binding, const std::function<bool(quint8)> &isPressed);

    KeysymCase m_keysymCase = nullptr;
    unsigned m_unusableMods = 0;
    int m_modKeycode[8] = {0, 0, 0, 0, 0, 0, 0, 0}; // one key per modifier bit
    QList<int> m_modifierKeys;
    QHash<int, QList<quint32>> m_levelSyms;        // keycode -> keysym of each level

    QHash<quint32, Placement> m_symbols;  // best key for each keysym
    QHash<char32_t, Placement> m_chars;   // best key for each character

    QHash<quint8, KeyBinding> m_slots;    // private virtual key -> binding
    QHash<QString, quint8> m_slotOf;      // binding key -> private virtual key
    int m_nextSlot = 0;
};

} // namespace tarvik
