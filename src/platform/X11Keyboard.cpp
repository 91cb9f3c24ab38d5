#include "platform/X11Keyboard.h"

#include "platform/X11ErrorTrap.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QThread>
#include <QVector>

#include <algorithm>
#include <bit>

// Xlib after Qt: its macros (None, Bool, KeyPress…) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tarvik {

namespace {

// A client that translates a key event with a keymap older than the remap
// of a spare keycode types the old symbol; give it time to read the new map.
constexpr int kRemapSettleMs = 20;
constexpr int kDefaultHeldModifierWaitMs = 1000;
constexpr int kMaxSpareKeycodes = 8;

// The character a keysym types, 0 for none (function keys, keypad, dead keys).
char32_t keysymToUcs(KeySym ks)
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
KeySym ucsToKeysym(char32_t c)
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

// Where a keysym sits in the active group: the key and the modifiers that
// select its level. Shift is left to the player (a shift bit of vkKeyScan);
// other level modifiers (AltGr) are pressed by the back-end around the key.
struct Placement {
    int keycode = 0;
    int level = 0;
    bool shift = false;
    unsigned extraMods = 0;
    int rank() const { return (extraMods ? 2 : 0) + (shift ? 1 : 0); }
    bool valid() const { return keycode != 0; }
};

// What one virtual key presses.
struct Binding {
    int keycode = 0;             // a key of the layout, or
    bool spare = false;          // a spare keycode remapped to syms
    KeySym syms[2] = {0, 0};
    QList<int> modKeycodes;      // level modifiers pressed around the key
    bool valid() const { return keycode != 0 || spare; }
};

struct Spare {
    int keycode = 0;
    KeySym syms[2] = {0, 0};     // what it gives now (0 0: its own symbols)
    bool remapped = false;
    quint64 lastUse = 0;
};

// Virtual-key codes that nothing of the grammar or the fixed table uses:
// characters of the layout that have no natural code get one of these for
// the length of a sequence.
const QList<quint8> &privateVkPool()
{
    static const QList<quint8> pool = [] {
        QList<quint8> p;
        auto range = [&p](int from, int to) {
            for (int v = from; v <= to; ++v)
                p.append(static_cast<quint8>(v));
        };
        range(0x88, 0x8F);
        range(0x92, 0x96);
        range(0x97, 0x9F);
        range(0xC1, 0xDA);
        range(0xE3, 0xE4);
        p.append(0xE6);
        range(0xE8, 0xF5);
        range(0x3A, 0x40);
        p.append(0x07);
        range(0x0A, 0x0B);
        range(0x0E, 0x0F);
        p.append(0x5E);
        p.append(0xE0);
        return p;
    }();
    return pool;
}

} // namespace

struct X11Keyboard::Impl {
    QByteArray displayName;
    Display *dpy = nullptr;
    XkbDescPtr xkb = nullptr;
    int group = 0;
    bool layoutRead = false;
    int heldModifierWaitMs = kDefaultHeldModifierWaitMs;
    int forcedReleases = 0;

    unsigned numLockMask = Mod2Mask;
    unsigned unusableMods = LockMask | ControlMask | Mod1Mask;
    int modKeycode[8] = {0, 0, 0, 0, 0, 0, 0, 0}; // one key per modifier bit
    QList<int> modifierKeys;                      // keys that hold Shift, Ctrl, Alt, Mod3–5

    QHash<KeySym, Placement> symbols;  // best key for each keysym
    QHash<char32_t, Placement> chars;  // best key for each character

    QHash<quint8, Binding> slots;      // private virtual key -> binding
    QHash<QString, quint8> slotOf;     // binding key -> private virtual key
    int nextSlot = 0;

    QList<Spare> spares;
    quint64 useCounter = 0;
    bool sparesFound = false;

    QHash<quint8, QList<Binding>> down; // pressed virtual keys
    bool capsNeutralised = false;

    Window target = 0;               // keys for this window only (0: any)
    Window focusSeenInTarget = 0;    // a focus window known to lie in it

    ~Impl()
    {
        if (xkb)
            XkbFreeKeyboard(xkb, 0, True);
        if (dpy)
            XCloseDisplay(dpy);
    }

    void ensureDisplay()
    {
        if (dpy)
            return;
        dpy = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
        if (!dpy)
            throw Error(QStringLiteral("Impossible d'ouvrir l'affichage X : les touches ne peuvent pas être envoyées."));
        int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
        int xtMajor, xtMinor;
        if (!XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor)
            || !XTestQueryExtension(dpy, &event, &error, &xtMajor, &xtMinor)) {
            XCloseDisplay(dpy);
            dpy = nullptr;
            throw Error(QStringLiteral("L'affichage X ne permet pas d'envoyer des touches (XKB ou XTEST absent)."));
        }
        X11ErrorTrap::installRecorder();
        const unsigned nl = XkbKeysymToModifiers(dpy, XK_Num_Lock);
        if (nl)
            numLockMask = nl;
        unusableMods = LockMask | ControlMask | Mod1Mask | numLockMask;
    }

    void ensureLayout()
    {
        ensureDisplay();
        if (!layoutRead)
            readLayout();
    }

    XkbStateRec state()
    {
        XkbStateRec st{};
        XkbGetState(dpy, XkbUseCoreKbd, &st);
        return st;
    }

    int effectiveGroup(int keycode) const
    {
        const int groups = XkbKeyNumGroups(xkb, keycode);
        if (groups <= 0)
            return -1;
        if (group < groups)
            return group;
        const unsigned char info = XkbKeyGroupInfo(xkb, keycode);
        switch (XkbOutOfRangeGroupAction(info)) {
        case XkbRedirectIntoRange: {
            const int g = XkbOutOfRangeGroupNumber(info);
            return g < groups ? g : 0;
        }
        case XkbClampIntoRange:
            return groups - 1;
        default:
            return group % groups;
        }
    }

    // The modifiers that select a level of a key type, or -1 when the level
    // needs Ctrl, Alt, Caps Lock or NumLock (we never type through those).
    long levelMods(XkbKeyTypePtr type, int level) const
    {
        if (level == 0)
            return 0;
        long best = -1;
        for (int i = 0; i < type->map_count; ++i) {
            const XkbKTMapEntryRec &entry = type->map[i];
            if (!entry.active || entry.level != level)
                continue;
            const unsigned mask = entry.mods.mask;
            if (mask & unusableMods)
                continue;
            if (best < 0 || std::popcount(mask) < std::popcount(static_cast<unsigned>(best)))
                best = mask;
        }
        return best;
    }

    bool modsPressable(unsigned extra) const
    {
        for (int bit = 0; bit < 8; ++bit)
            if ((extra & (1u << bit)) && !modKeycode[bit])
                return false;
        return true;
    }

    KeySym keysymAt(int keycode, int level) const
    {
        const int g = effectiveGroup(keycode);
        if (g < 0 || level >= XkbKeyGroupWidth(xkb, keycode, g))
            return NoSymbol;
        return XkbKeySymEntry(xkb, keycode, level, g);
    }

    void readModifierKeys()
    {
        std::fill(std::begin(modKeycode), std::end(modKeycode), 0);
        modifierKeys.clear();
        XModifierKeymap *map = XGetModifierMapping(dpy);
        if (!map)
            return;
        bool chosenIsLevelShift[8] = {false, false, false, false, false, false, false, false};
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < map->max_keypermod; ++k) {
                const int kc = map->modifiermap[mod * map->max_keypermod + k];
                if (!kc)
                    continue;
                // A level-shift key is the one that selects levels (Mode_switch
                // changes the group instead): prefer it for its modifier.
                const KeySym ks = keysymAt(kc, 0);
                const bool levelShift = ks == XK_ISO_Level3_Shift || ks == XK_ISO_Level5_Shift;
                if (!modKeycode[mod] || (levelShift && !chosenIsLevelShift[mod])) {
                    modKeycode[mod] = kc;
                    chosenIsLevelShift[mod] = levelShift;
                }
                const unsigned bit = 1u << mod;
                if (bit != LockMask && bit != numLockMask && !modifierKeys.contains(kc))
                    modifierKeys.append(kc);
            }
        }
        XFreeModifiermap(map);
    }

    // Reads the XKB map of the active group: which key and level gives each
    // keysym and character. Done at the start of each sequence, so a layout
    // switched since the last one is honoured.
    void readLayout()
    {
        if (xkb)
            XkbFreeKeyboard(xkb, 0, True);
        xkb = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
        if (!xkb)
            throw Error(QStringLiteral("Impossible de lire la disposition du clavier."));
        group = state().group;
        readModifierKeys();
        symbols.clear();
        chars.clear();
        slots.clear();
        slotOf.clear();
        nextSlot = 0;
        QList<int> spareKeys;
        for (const Spare &s : spares)
            spareKeys.append(s.keycode);
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
            if (spareKeys.contains(kc))
                continue;
            const int g = effectiveGroup(kc);
            if (g < 0)
                continue;
            XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, g);
            const int width = XkbKeyGroupWidth(xkb, kc, g);
            for (int level = 0; level < width; ++level) {
                const KeySym ks = XkbKeySymEntry(xkb, kc, level, g);
                if (ks == NoSymbol)
                    continue;
                const long mods = levelMods(type, level);
                if (mods < 0)
                    continue;
                Placement p;
                p.keycode = kc;
                p.level = level;
                p.shift = (mods & ShiftMask) != 0;
                p.extraMods = static_cast<unsigned>(mods) & ~ShiftMask;
                if (!modsPressable(p.extraMods))
                    continue;
                auto it = symbols.find(ks);
                if (it == symbols.end() || p.rank() < it->rank())
                    symbols.insert(ks, p);
            }
        }
        for (auto it = symbols.cbegin(); it != symbols.cend(); ++it) {
            const char32_t c = keysymToUcs(it.key());
            if (!c)
                continue;
            auto found = chars.find(c);
            if (found == chars.end() || it->rank() < found->rank())
                chars.insert(c, *it);
        }
        layoutRead = true;
    }

    QList<int> modKeysFor(unsigned extra) const
    {
        QList<int> keys;
        for (int bit = 0; bit < 8; ++bit)
            if (extra & (1u << bit))
                keys.append(modKeycode[bit]);
        return keys;
    }

    Binding bindingFor(const Placement &p) const
    {
        Binding b;
        b.keycode = p.keycode;
        b.modKeycodes = modKeysFor(p.extraMods);
        return b;
    }

    static Binding spareBinding(KeySym plain, KeySym shifted = NoSymbol)
    {
        Binding b;
        b.spare = true;
        b.syms[0] = plain;
        b.syms[1] = shifted;
        return b;
    }

    // A key that gives the keysym unshifted (and the second one shifted),
    // else a spare keycode remapped for them.
    Binding plainKey(KeySym plain, KeySym shifted = NoSymbol) const
    {
        const auto it = symbols.constFind(plain);
        if (it != symbols.cend() && it->rank() == 0
            && (shifted == NoSymbol || keysymAt(it->keycode, 1) == shifted))
            return bindingFor(*it);
        return spareBinding(plain, shifted);
    }

    // The physical key carrying the keysym at any level (letters and digits:
    // the shift state is the player's business).
    Binding anyLevelKey(KeySym ks) const
    {
        const auto it = symbols.constFind(ks);
        if (it != symbols.cend() && it->extraMods == 0) {
            Binding b;
            b.keycode = it->keycode;
            return b;
        }
        return spareBinding(ks);
    }

    Binding modifierKey(KeySym ks, unsigned mask) const
    {
        const auto it = symbols.constFind(ks);
        if (it != symbols.cend() && it->rank() == 0)
            return bindingFor(*it);
        Binding b;
        b.keycode = modKeycode[std::countr_zero(mask)];
        return b;
    }

    // The key a virtual-key code stands for.
    Binding resolve(quint8 vk, bool extended) const
    {
        if (slots.contains(vk))
            return slots.value(vk);
        if (vk >= 'A' && vk <= 'Z')
            return anyLevelKey(XK_a + (vk - 'A'));
        if (vk >= '0' && vk <= '9')
            return anyLevelKey(XK_0 + (vk - '0'));
        if (vk >= 0x70 && vk <= 0x87)
            return plainKey(XK_F1 + (vk - 0x70));
        if (vk >= 0x60 && vk <= 0x69)
            return plainKey(XK_KP_0 + (vk - 0x60));
        // The dedicated navigation keys carry the extended flag; without it
        // the same codes are the keypad's keys.
        struct Nav {
            quint8 vk;
            KeySym dedicated, keypad;
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
                const auto it = symbols.constFind(n.keypad);
                if (it != symbols.cend() && it->rank() == 0)
                    return bindingFor(*it);
            }
            return plainKey(n.dedicated);
        }
        // US punctuation keys (VK_OEM_…): the key that gives the pair, whatever
        // the layout, so that Shift with 0xDB/0xDD always types the braces.
        struct Oem {
            quint8 vk;
            KeySym plain, shifted;
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
                const auto it = symbols.constFind(XK_KP_Enter);
                if (it != symbols.cend() && it->rank() == 0)
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
        default: return Binding{};
        }
    }

    // A private virtual key for a binding, kept for the sequence; the oldest
    // one is reused when the pool runs out (the player presses a key right
    // after asking for it).
    quint8 slotFor(const QString &key, const Binding &binding)
    {
        const auto it = slotOf.constFind(key);
        if (it != slotOf.cend())
            return *it;
        const QList<quint8> &pool = privateVkPool();
        quint8 vk = pool.at(nextSlot % pool.size());
        for (int tries = 0; tries < pool.size() && down.contains(vk); ++tries)
            vk = pool.at(++nextSlot % pool.size());
        ++nextSlot;
        for (auto old = slotOf.begin(); old != slotOf.end(); ++old) {
            if (*old == vk) {
                slotOf.erase(old);
                break;
            }
        }
        slots.insert(vk, binding);
        slotOf.insert(key, vk);
        return vk;
    }

    quint16 scan(QChar ch)
    {
        ensureLayout();
        if (ch.isSurrogate())
            return INVALIDKEY;
        char32_t c = ch.unicode();
        if (c == u'\n')
            c = u'\r';
        const auto it = chars.constFind(c);
        if (it != chars.cend()) {
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
                const Binding b = resolve(natural, false);
                if (!b.spare && b.keycode == p.keycode && b.modKeycodes.isEmpty())
                    return shiftBits | natural;
            }
            const QString key = QStringLiteral("k%1:%2").arg(p.keycode).arg(p.extraMods);
            return shiftBits | slotFor(key, bindingFor(p));
        }
        const KeySym ks = ucsToKeysym(c);
        if (!ks || !haveSpares())
            return INVALIDKEY;
        // The server gives a one-symbol key of a letter both cases (lower
        // unshifted): map the pair and shift for the capital.
        KeySym lower = ks, upper = ks;
        XConvertCase(ks, &lower, &upper);
        if (lower != upper) {
            const QString key = QStringLiteral("s%1").arg(static_cast<qulonglong>(lower));
            const quint16 shiftBits = ks == upper ? (VKKEYSCANSHIFTON << 8) : 0;
            return shiftBits | slotFor(key, spareBinding(lower, upper));
        }
        const QString key = QStringLiteral("s%1").arg(static_cast<qulonglong>(ks));
        return slotFor(key, spareBinding(ks));
    }

    bool haveSpares()
    {
        if (!sparesFound)
            findSpares();
        return !spares.isEmpty();
    }

    // Keycodes without any symbol: typing a character that no key gives
    // borrows one of them for a moment.
    void findSpares()
    {
        sparesFound = true;
        int minKc = 0, maxKc = 0;
        XDisplayKeycodes(dpy, &minKc, &maxKc);
        int perKey = 0;
        KeySym *map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKc), maxKc - minKc + 1, &perKey);
        if (!map)
            return;
        for (int kc = maxKc; kc > minKc && spares.size() < kMaxSpareKeycodes; --kc) {
            bool empty = true;
            for (int i = 0; i < perKey; ++i)
                if (map[(kc - minKc) * perKey + i] != NoSymbol)
                    empty = false;
            if (empty) {
                Spare s;
                s.keycode = kc;
                spares.append(s);
            }
        }
        XFree(map);
    }

    int spareKeycodeFor(const Binding &b)
    {
        if (!haveSpares())
            return 0;
        ++useCounter;
        for (Spare &s : spares) {
            if (s.remapped && s.syms[0] == b.syms[0] && s.syms[1] == b.syms[1]) {
                s.lastUse = useCounter;
                return s.keycode;
            }
        }
        Spare *oldest = &spares.first();
        for (Spare &s : spares)
            if (s.lastUse < oldest->lastUse)
                oldest = &s;
        KeySym syms[2] = {b.syms[0], b.syms[1]};
        const int count = b.syms[1] == NoSymbol ? 1 : 2;
        {
            X11ErrorTrap trap(dpy);
            XChangeKeyboardMapping(dpy, oldest->keycode, count, syms, 1);
            if (trap.failed())
                return 0;
        }
        oldest->syms[0] = b.syms[0];
        oldest->syms[1] = b.syms[1];
        oldest->remapped = true;
        oldest->lastUse = useCounter;
        QThread::msleep(kRemapSettleMs);
        return oldest->keycode;
    }

    void restoreSpares()
    {
        bool any = false;
        for (const Spare &s : spares)
            any = any || s.remapped;
        if (!any)
            return;
        // The last keys typed through them must be read with their symbols.
        QThread::msleep(kRemapSettleMs);
        X11ErrorTrap trap(dpy);
        for (Spare &s : spares) {
            if (!s.remapped)
                continue;
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(dpy, s.keycode, 1, &none, 1);
            s.remapped = false;
            s.syms[0] = s.syms[1] = 0;
        }
        XSync(dpy, False);
    }

    // The server handles one connection's requests in order: each event is
    // sent at once, and no round trip is needed between two of them (an
    // error is only recorded, by the handler installed with the display).
    void fakeKey(int keycode, bool press)
    {
        if (keycode <= 0)
            return;
        XTestFakeKeyEvent(dpy, static_cast<unsigned>(keycode), press ? True : False, CurrentTime);
        XFlush(dpy);
    }

    // True when the X keyboard focus is the target window or inside it: key
    // events go to the focus window.
    bool focusInTarget()
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        if (focus == None || focus == PointerRoot)
            return false;
        if (focus == target || focus == focusSeenInTarget)
            return true;
        const Window root = DefaultRootWindow(dpy);
        Window current = focus;
        for (int guard = 0; guard < 64 && current != root && current != None; ++guard) {
            if (current == target) {
                focusSeenInTarget = focus;
                return true;
            }
            Window rootReturn = 0, parent = None;
            Window *children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(dpy, current, &rootReturn, &parent, &children, &count))
                return false;
            if (children)
                XFree(children);
            current = parent;
        }
        return false;
    }

    // False when the press was held back: a target is set and the focus is
    // elsewhere. The focus is checked and the key pressed under a grab of the
    // server, so that no other client moves the focus in between.
    bool press(quint8 vk, bool extended)
    {
        Binding b = resolve(vk, extended);
        if (!b.valid())
            return target == 0 || checkFocusAlone();
        if (b.spare) {
            // The remap and its settling time come before the grab: the
            // client must be free to read the new map.
            b.keycode = spareKeycodeFor(b);
            if (!b.keycode)
                return target == 0 || checkFocusAlone();
        }
        if (target != 0) {
            X11ErrorTrap trap(dpy);
            XGrabServer(dpy);
            if (!focusInTarget()) {
                XUngrabServer(dpy);
                XSync(dpy, False);
                return false;
            }
        }
        for (int mk : b.modKeycodes)
            fakeKey(mk, true);
        fakeKey(b.keycode, true);
        if (target != 0) {
            XUngrabServer(dpy);
            XFlush(dpy);
        }
        down[vk].append(b);
        return true;
    }

    bool checkFocusAlone()
    {
        X11ErrorTrap trap(dpy);
        return focusInTarget();
    }

    void release(quint8 vk, bool extended)
    {
        Binding b;
        auto it = down.find(vk);
        if (it != down.end() && !it->isEmpty()) {
            b = it->takeLast();
            if (it->isEmpty())
                down.erase(it);
        } else {
            b = resolve(vk, extended);
            if (b.spare)
                return; // never pressed: nothing to release
        }
        fakeKey(b.keycode, false);
        for (auto mk = b.modKeycodes.crbegin(); mk != b.modKeycodes.crend(); ++mk)
            fakeKey(*mk, false);
    }

    // Modifiers held on the keyboard when the sequence starts (the Ctrl of
    // Ctrl+F5) would change every key: wait for them to come up, and after a
    // while release them ourselves.
    void settleHeldModifiers()
    {
        forcedReleases = 0;
        QElapsedTimer timer;
        timer.start();
        QList<int> held;
        for (;;) {
            char keys[32];
            XQueryKeymap(dpy, keys);
            held.clear();
            for (int kc : modifierKeys)
                if (keys[kc / 8] & (1 << (kc % 8)))
                    held.append(kc);
            if (held.isEmpty() || timer.elapsed() >= heldModifierWaitMs)
                break;
            QThread::msleep(10);
        }
        for (int kc : held) {
            fakeKey(kc, false);
            ++forcedReleases;
        }
        // Latched modifiers (sticky keys) would apply to the first key.
        XkbLatchModifiers(dpy, XkbUseCoreKbd, 0xFF, 0);
    }
};

X11Keyboard::X11Keyboard(const QByteArray &displayName) : d(std::make_unique<Impl>())
{
    d->displayName = displayName;
}

X11Keyboard::~X11Keyboard()
{
    if (d->dpy) {
        try {
            endSequence();
        } catch (...) {
        }
    }
}

void X11Keyboard::setHeldModifierWait(int milliseconds) { d->heldModifierWaitMs = milliseconds; }

int X11Keyboard::forcedReleases() const { return d->forcedReleases; }

void X11Keyboard::beginSequence()
{
    d->ensureDisplay();
    d->layoutRead = false;
    d->readLayout();
    d->settleHeldModifiers();
    // Caps Lock would turn "abAB" into "ABab": off for the sequence, and
    // given back at the end.
    if (d->state().locked_mods & LockMask) {
        XkbLockModifiers(d->dpy, XkbUseCoreKbd, LockMask, 0);
        d->capsNeutralised = true;
    }
    XSync(d->dpy, False);
}

void X11Keyboard::endSequence()
{
    if (!d->dpy)
        return;
    // Whatever is still down (a key whose release never came) comes up.
    const QList<quint8> pressed = d->down.keys();
    for (quint8 vk : pressed)
        while (d->down.contains(vk))
            d->release(vk, false);
    d->restoreSpares();
    if (d->capsNeutralised) {
        // The sequence ran on an unlocked keyboard; a {CAPSLOCK} in it
        // flipped that state, and the flip carries over to the user's state.
        const bool lockedNow = (d->state().locked_mods & LockMask) != 0;
        XkbLockModifiers(d->dpy, XkbUseCoreKbd, LockMask, lockedNow ? 0 : LockMask);
        d->capsNeutralised = false;
    }
    XSync(d->dpy, False);
    d->layoutRead = false;
}

void X11Keyboard::setTargetWindow(quint64 window)
{
    d->target = static_cast<Window>(window);
    d->focusSeenInTarget = 0;
}

bool X11Keyboard::targetHasKeyboard()
{
    if (d->target == 0)
        return true;
    d->ensureDisplay();
    return d->checkFocusAlone();
}

bool X11Keyboard::keybdEvent(quint8 vk, quint8 /*scan*/, unsigned flags)
{
    d->ensureLayout();
    const bool extended = (flags & KEYEVENTF_EXTENDEDKEY) != 0;
    if (flags & KEYEVENTF_KEYUP) {
        d->release(vk, extended);
        return true;
    }
    return d->press(vk, extended);
}

quint16 X11Keyboard::vkKeyScan(QChar ch) { return d->scan(ch); }

unsigned X11Keyboard::mapVirtualKey(unsigned vk)
{
    d->ensureLayout();
    if (vk > 0xFF)
        return 0;
    const quint8 code = static_cast<quint8>(vk);
    const Binding b = d->resolve(code, isExtendedVKey(code));
    // X keycodes are the kernel's key numbers plus 8, which for the main
    // block are the PC scan codes.
    return (!b.spare && b.keycode >= 8) ? static_cast<unsigned>(b.keycode - 8) : 0;
}

bool X11Keyboard::numLockOn()
{
    d->ensureDisplay();
    return (d->state().locked_mods & d->numLockMask) != 0;
}

void X11Keyboard::setNumLock(bool on)
{
    d->ensureDisplay();
    XkbLockModifiers(d->dpy, XkbUseCoreKbd, d->numLockMask, on ? d->numLockMask : 0);
    XSync(d->dpy, False);
}

void X11Keyboard::processOwnKeyboardMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace tarvik
