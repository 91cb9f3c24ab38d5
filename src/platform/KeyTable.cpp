#include "platform/KeyTable.h"

#include "platform/Keyboard.h"
#include "platform/PrivateVirtualKeys.h"

#include <algorithm>
#include <bit>

// Only the X protocol's constants and keysym names: no Xlib function.
#include <X11/X.h>
#include <X11/keysym.h>

namespace tarvik {

namespace {

// The character a keysym types, 0 for none (function keys, keypad, dead keys).
char32_t keysymToUcs(quint32 ks)
{
    if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF))
        return static_cast<char32_t>(ks);
    if ((ks & 0xFF000000) == 0x01000000)
        return static_cast<char32_t>(ks & 0x00FFFFFF);
    switch (ks) {
    case XK_BackSpace: return 0x08;
    case XK_Tab: return 0x09;
    case XK_Return: return 0x0D;
    case XK_Escape: return 0x1B;
    case XK_EuroSign: return 0x20AC;
    case XK_OE: return 0x0152;
    case XK_oe: return 0x0153;
    case XK_Ydiaeresis: return 0x0178;
    default: return 0;
    }
}

// The keysym that types a character, for a spare keycode; 0 for none.
quint32 ucsToKeysym(char32_t c)
{
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF))
        return c;
    switch (c) {
    case 0x08: return XK_BackSpace;
    case 0x09: return XK_Tab;
    case 0x0A:
    case 0x0D: return XK_Return;
    case 0x1B: return XK_Escape;
    default: break;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return 0x01000000 | c;
}

} // namespace

KeyTable::KeyTable(const KeyboardLayout &layout, KeysymCase keysymCase, const QList<int> &spareKeycodes)
    : m_keysymCase(keysymCase), m_unusableMods(LockMask | ControlMask | Mod1Mask | layout.numLockMask)
{
    for (const KeyboardLayout::Key &key : layout.keys) {
        QList<quint32> &syms = m_levelSyms[key.keycode];
        for (const KeyboardLayout::Level &level : key.levels)
            syms.append(level.keysym);
    }
    chooseModifierKeys(layout);
    for (const KeyboardLayout::Key &key : layout.keys) {
        if (spareKeycodes.contains(key.keycode))
            continue;
        for (int level = 0; level < key.levels.size(); ++level) {
            const quint32 ks = key.levels.at(level).keysym;
            if (ks == NoSymbol)
                continue;
            const long mods = levelMods(key.levels.at(level), level);
            if (mods < 0)
                continue;
            Placement p;
            p.keycode = key.keycode;
            p.level = level;
            p.shift = (mods & ShiftMask) != 0;
            p.extraMods = static_cast<unsigned>(mods) & ~ShiftMask;
            if (!modsPressable(p.extraMods))
                continue;
            auto it = m_symbols.find(ks);
            if (it == m_symbols.end() || p.rank() < it->rank())
                m_symbols.insert(ks, p);
        }
    }
    for (auto it = m_symbols.cbegin(); it != m_symbols.cend(); ++it) {
        const char32_t c = keysymToUcs(it.key());
        if (!c)
            continue;
        auto found = m_chars.find(c);
        if (found == m_chars.end() || it->rank() < found->rank())
            m_chars.insert(c, *it);
    }
}

// The modifiers that select a level, or -1 when the level needs Ctrl, Alt,
// Caps Lock or NumLock (we never type through those).
long KeyTable::levelMods(const KeyboardLayout::Level &level, int index) const
{
    if (index == 0)
        return 0;
    long best = -1;
    for (unsigned mask : level.masks) {
        if (mask & m_unusableMods)
            continue;
        if (best < 0 || std::popcount(mask) < std::popcount(static_cast<unsigned>(best)))
            best = mask;
    }
    return best;
}

bool KeyTable::modsPressable(unsigned extra) const
{
    for (int bit = 0; bit < 8; ++bit)
        if ((extra & (1u << bit)) && !m_modKeycode[bit])
            return false;
    return true;
}

quint32 KeyTable::keysymAt(int keycode, int level) const
{
    const auto it = m_levelSyms.constFind(keycode);
    if (it == m_levelSyms.cend() || level >= it->size())
        return NoSymbol;
    return it->at(level);
}

void KeyTable::chooseModifierKeys(const KeyboardLayout &layout)
{
    bool chosenIsLevelShift[8] = {false, false, false, false, false, false, false, false};
    for (int mod = 0; mod < 8; ++mod) {
        for (int kc : layout.modifierMap[mod]) {
            if (!kc)
                continue;
            // A level-shift key is the one that selects levels (Mode_switch
            // changes the group instead): prefer it for its modifier.
            const quint32 ks = keysymAt(kc, 0);
            const bool levelShift = ks == XK_ISO_Level3_Shift || ks == XK_ISO_Level5_Shift;
            if (!m_modKeycode[mod] || (levelShift && !chosenIsLevelShift[mod])) {
                m_modKeycode[mod] = kc;
                chosenIsLevelShift[mod] = levelShift;
            }
            const unsigned bit = 1u << mod;
            if (bit != LockMask && bit != layout.numLockMask && !m_modifierKeys.contains(kc))
                m_modifierKeys.append(kc);
        }
    }
}

QList<int> KeyTable::modKeysFor(unsigned extra) const
{
    QList<int> keys;
    for (int bit = 0; bit < 8; ++bit)
        if (extra & (1u << bit))
            keys.append(m_modKeycode[bit]);
    return keys;
}

KeyBinding KeyTable::bindingFor(const Placement &p) const
{
    KeyBinding b;
    b.keycode = p.keycode;
    b.modKeycodes = modKeysFor(p.extraMods);
    return b;
}

KeyBinding KeyTable::spareBinding(quint32 plain, quint32 shifted)
{
    KeyBinding b;
    b.spare = true;
    b.syms[0] = plain;
    b.syms[1] = shifted;
    return b;
}

// A key that gives the keysym unshifted (and the second one shifted), else a
// spare keycode remapped for them.
KeyBinding KeyTable::plainKey(quint32 plain, quint32 shifted) const
{
    const auto it = m_symbols.constFind(plain);
    if (it != m_symbols.cend() && it->rank() == 0
        && (shifted == NoSymbol || keysymAt(it->keycode, 1) == shifted))
        return bindingFor(*it);
    return spareBinding(plain, shifted);
}

// The physical key carrying the keysym at any level (letters and digits: the
// shift state is the player's business).
KeyBinding KeyTable::anyLevelKey(quint32 ks) const
{
    const auto it = m_symbols.constFind(ks);
    if (it != m_symbols.cend() && it->extraMods == 0) {
        KeyBinding b;
        b.keycode = it->keycode;
        return b;
    }
    return spareBinding(ks);
}

KeyBinding KeyTable::modifierKey(quint32 ks, unsigned mask) const
{
    const auto it = m_symbols.constFind(ks);
    if (it != m_symbols.cend() && it->rank() == 0)
        return bindingFor(*it);
    KeyBinding b;
    b.keycode = m_modKeycode[std::countr_zero(mask)];
    return b;
}

KeyBinding KeyTable::resolve(quint8 vk, bool extended) const
{
    if (m_slots.contains(vk))
        return m_slots.value(vk);
    if (vk >= 'A' && vk <= 'Z')
        return anyLevelKey(XK_a + (vk - 'A'));
    if (vk >= '0' && vk <= '9')
        return anyLevelKey(XK_0 + (vk - '0'));
    if (vk >= 0x70 && vk <= 0x87)
        return plainKey(XK_F1 + (vk - 0x70));
    if (vk >= 0x60 && vk <= 0x69)
        return plainKey(XK_KP_0 + (vk - 0x60));
    // The dedicated navigation keys carry the extended flag; without it the
    // same codes are the keypad's keys.
    struct Nav {
        quint8 vk;
        quint32 dedicated, keypad;
    };
    static const Nav nav[] = {
        {0x21, XK_Prior, XK_KP_Prior}, {0x22, XK_Next, XK_KP_Next},
        {0x23, XK_End, XK_KP_End},     {0x24, XK_Home, XK_KP_Home},
        {0x25, XK_Left, XK_KP_Left},   {0x26, XK_Up, XK_KP_Up},
        {0x27, XK_Right, XK_KP_Right}, {0x28, XK_Down, XK_KP_Down},
        {0x2D, XK_Insert, XK_KP_Insert}, {0x2E, XK_Delete, XK_KP_Delete},
    };
    for (const Nav &n : nav) {
        if (n.vk != vk)
            continue;
        if (!extended) {
            const auto it = m_symbols.constFind(n.keypad);
            if (it != m_symbols.cend() && it->rank() == 0)
                return bindingFor(*it);
        }
        return plainKey(n.dedicated);
    }
    // US punctuation keys (VK_OEM_…): the key that gives the pair, whatever
    // the layout, so that Shift with 0xDB/0xDD always types the braces.
    struct Oem {
        quint8 vk;
        quint32 plain, shifted;
    };
    static const Oem oem[] = {
        {0xBA, XK_semicolon, XK_colon},      {0xBB, XK_equal, XK_plus},
        {0xBC, XK_comma, XK_less},           {0xBD, XK_minus, XK_underscore},
        {0xBE, XK_period, XK_greater},       {0xBF, XK_slash, XK_question},
        {0xC0, XK_grave, XK_asciitilde},     {0xDB, XK_bracketleft, XK_braceleft},
        {0xDC, XK_backslash, XK_bar},        {0xDD, XK_bracketright, XK_braceright},
        {0xDE, XK_apostrophe, XK_quotedbl},
    };
    for (const Oem &o : oem)
        if (o.vk == vk)
            return plainKey(o.plain, o.shifted);
    switch (vk) {
    case 0x03: return plainKey(XK_Break);
    case 0x08: return plainKey(XK_BackSpace);
    case 0x09: return plainKey(XK_Tab);
    case 0x0C: return plainKey(XK_Clear);
    case 0x0D: {
        if (extended) {
            const auto it = m_symbols.constFind(XK_KP_Enter);
            if (it != m_symbols.cend() && it->rank() == 0)
                return bindingFor(*it);
        }
        return plainKey(XK_Return);
    }
    case 0x10: return modifierKey(XK_Shift_L, ShiftMask);
    case 0x11: return modifierKey(extended ? XK_Control_R : XK_Control_L, ControlMask);
    case 0x12: return modifierKey(extended ? XK_Alt_R : XK_Alt_L, Mod1Mask);
    case 0x13: return plainKey(XK_Pause);
    case 0x14: return plainKey(XK_Caps_Lock);
    case 0x1B: return plainKey(XK_Escape);
    case 0x20: return plainKey(XK_space);
    case 0x29: return plainKey(XK_Select);
    case 0x2A:
    case 0x2C: return plainKey(XK_Print);
    case 0x2B: return plainKey(XK_Execute);
    case 0x2F: return plainKey(XK_Help);
    case 0x5B: return plainKey(XK_Super_L);
    case 0x5C: return plainKey(XK_Super_R);
    case 0x5D: return plainKey(XK_Menu);
    case 0x6A: return plainKey(XK_KP_Multiply);
    case 0x6B: return plainKey(XK_KP_Add);
    case 0x6D: return plainKey(XK_KP_Subtract);
    case 0x6E: return plainKey(XK_KP_Decimal);
    case 0x6F: return plainKey(XK_KP_Divide);
    case 0x90: return plainKey(XK_Num_Lock);
    case 0x91: return plainKey(XK_Scroll_Lock);
    case 0xA0: return modifierKey(XK_Shift_L, ShiftMask);
    case 0xA1: return modifierKey(XK_Shift_R, ShiftMask);
    case 0xA2: return modifierKey(XK_Control_L, ControlMask);
    case 0xA3: return modifierKey(XK_Control_R, ControlMask);
    case 0xA4: return modifierKey(XK_Alt_L, Mod1Mask);
    case 0xA5: return modifierKey(XK_Alt_R, Mod1Mask);
    default: return KeyBinding{};
    }
}

// A private virtual key for a binding, kept for the sequence; the oldest one
// is reused when the pool runs out (the player presses a key right after
// asking for it).
quint8 KeyTable::slotFor(const QString &key, const KeyBinding &binding, const std::function<bool(quint8)> &isPressed)
{
    const auto it = m_slotOf.constFind(key);
    if (it != m_slotOf.cend())
        return *it;
    const QList<quint8> &pool = privateVirtualKeys();
    quint8 vk = pool.at(m_nextSlot % pool.size());
    for (int tries = 0; tries < pool.size() && isPressed(vk); ++tries)
        vk = pool.at(++m_nextSlot % pool.size());
    ++m_nextSlot;
    for (auto old = m_slotOf.begin(); old != m_slotOf.end(); ++old) {
        if (*old == vk) {
            m_slotOf.erase(old);
            break;
        }
    }
    m_slots.insert(vk, binding);
    m_slotOf.insert(key, vk);
    return vk;
}

quint16 KeyTable::vkKeyScan(QChar ch, const std::function<bool()> &sparesAvailable,
                            const std::function<bool(quint8)> &isPressed)
{
    if (ch.isSurrogate())
        return INVALIDKEY;
    char32_t c = ch.unicode();
    if (c == u'\n')
        c = u'\r';
    const auto it = m_chars.constFind(c);
    if (it != m_chars.cend()) {
        const Placement p = *it;
        const quint16 shiftBits = p.shift ? (VKKEYSCANSHIFTON << 8) : 0;
        // Letters, digits and the space keep their usual codes when the
        // layout's key for them is the one they name.
        quint8 natural = 0;
        if (c >= u'a' && c <= u'z')
            natural = static_cast<quint8>('A' + (c - u'a'));
        else if (c >= u'A' && c <= u'Z')
            natural = static_cast<quint8>(c);
        else if (c >= u'0' && c <= u'9')
            natural = static_cast<quint8>(c);
        else if (c == u' ')
            natural = 0x20;
        if (natural && p.extraMods == 0) {
            const KeyBinding b = resolve(natural, false);
            if (!b.spare && b.keycode == p.keycode && b.modKeycodes.isEmpty())
                return shiftBits | natural;
        }
        const QString key = QStringLiteral("k%1:%2").arg(p.keycode).arg(p.extraMods);
        return shiftBits | slotFor(key, bindingFor(p), isPressed);
    }
    const quint32 ks = ucsToKeysym(c);
    if (!ks || !sparesAvailable())
        return INVALIDKEY;
    // The server gives a one-symbol key of a letter both cases (lower
    // unshifted): map the pair and shift for the capital.
    quint32 lower = ks, upper = ks;
    m_keysymCase(ks, &lower, &upper);
    if (lower != upper) {
        const QString key = QStringLiteral("s%1").arg(static_cast<qulonglong>(lower));
        const quint16 shiftBits = ks == upper ? (VKKEYSCANSHIFTON << 8) : 0;
        return shiftBits | slotFor(key, spareBinding(lower, upper), isPressed);
    }
    const QString key = QStringLiteral("s%1").arg(static_cast<qulonglong>(ks));
    return slotFor(key, spareBinding(ks), isPressed);
}

} // namespace tarvik
