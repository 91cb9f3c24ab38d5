#include "platform/X11Keyboard.h"

#include "platform/X11ErrorTrap.h"
#include "platform/X11KeyboardLayout.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QThread>

// Xlib after Qt: its macros (None, Bool, KeyPress…) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tarvik {

namespace {

// A client that translates a key event with a keymap older than the remap
// of a spare keycode types the old symbol; give it time to read the new map.
constexpr int kRemapSettleMs = 20;
constexpr int kDefaultHeldModifierWaitMs = 1000;
constexpr int kMaxSpareKeycodes = 8;

struct Spare {
    int keycode = 0;
    quint32 syms[2] = {0, 0};    // what it gives now (0 0: its own symbols)
    bool remapped = false;
    quint64 lastUse = 0;
};

} // namespace

struct X11Keyboard::Impl {
    QByteArray displayName;
    Display *dpy = nullptr;
    bool layoutRead = false;
    int heldModifierWaitMs = kDefaultHeldModifierWaitMs;
    int forcedReleases = 0;

    unsigned numLockMask = Mod2Mask;
    KeyTable table;

    QList<Spare> spares;
    quint64 useCounter = 0;
    bool sparesFound = false;

    QHash<quint8, QList<KeyBinding>> down; // pressed virtual keys
    bool capsNeutralised = false;

    Window target = 0;               // keys for this window only (0: any)
    Window focusSeenInTarget = 0;    // a focus window known to lie in it

    ~Impl()
    {
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
        numLockMask = x11NumLockMask(dpy);
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

    // Done at the start of each sequence, so a layout switched since the
    // last one is honoured; the private virtual keys start afresh.
    void readLayout()
    {
        QList<int> spareKeys;
        for (const Spare &s : spares)
            spareKeys.append(s.keycode);
        table = KeyTable(readX11KeyboardLayout(dpy, numLockMask), x11KeysymCase, spareKeys);
        layoutRead = true;
    }

    quint16 scan(QChar ch)
    {
        ensureLayout();
        return table.vkKeyScan(
            ch, [this] { return haveSpares(); }, [this](quint8 vk) { return down.contains(vk); });
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

    int spareKeycodeFor(const KeyBinding &b)
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
        KeyBinding b = table.resolve(vk, extended);
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
        KeyBinding b;
        auto it = down.find(vk);
        if (it != down.end() && !it->isEmpty()) {
            b = it->takeLast();
            if (it->isEmpty())
                down.erase(it);
        } else {
            b = table.resolve(vk, extended);
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
            for (int kc : table.heldModifierKeys())
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
    const KeyBinding b = d->table.resolve(code, isExtendedVKey(code));
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
