#include "platform/X11KeyboardLayout.h"

#include "platform/Errors.h"

// Xlib after Qt: its macros (None, Bool, KeyPress…) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace tarvik {

namespace {

int effectiveGroup(XkbDescPtr xkb, int group, int keycode)
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

void readModifierMap(Display *dpy, KeyboardLayout &layout)
{
    XModifierKeymap *map = XGetModifierMapping(dpy);
    if (!map)
        return;
    for (int mod = 0; mod < 8; ++mod)
        for (int k = 0; k < map->max_keypermod; ++k)
            layout.modifierMap[mod].append(map->modifiermap[mod * map->max_keypermod + k]);
    XFreeModifiermap(map);
}

} // namespace

unsigned x11NumLockMask(Display *display)
{
    const unsigned nl = XkbKeysymToModifiers(display, XK_Num_Lock);
    return nl ? nl : Mod2Mask;
}

KeyboardLayout readX11KeyboardLayout(Display *dpy, unsigned numLockMask)
{
    XkbDescPtr xkb = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    if (!xkb)
        throw Error(QStringLiteral("Impossible de lire la disposition du clavier."));
    XkbStateRec st{};
    XkbGetState(dpy, XkbUseCoreKbd, &st);
    const int group = st.group;
    KeyboardLayout layout;
    layout.numLockMask = numLockMask;
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
        const int g = effectiveGroup(xkb, group, kc);
        if (g < 0)
            continue;
        XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, g);
        const int width = XkbKeyGroupWidth(xkb, kc, g);
        KeyboardLayout::Key key;
        key.keycode = kc;
        for (int level = 0; level < width; ++level) {
            KeyboardLayout::Level l;
            l.keysym = static_cast<quint32>(XkbKeySymEntry(xkb, kc, level, g));
            if (level > 0) {
                for (int i = 0; i < type->map_count; ++i) {
                    const XkbKTMapEntryRec &entry = type->map[i];
                    if (entry.active && entry.level == level)
                        l.masks.append(entry.mods.mask);
                }
            }
            key.levels.append(l);
        }
        layout.keys.append(key);
    }
    XkbFreeKeyboard(xkb, 0, True);
    readModifierMap(dpy, layout);
    return layout;
}

void x11KeysymCase(quint32 keysym, quint32 *lower, quint32 *upper)
{
    KeySym l = keysym, u = keysym;
    XConvertCase(keysym, &l, &u);
    *lower = static_cast<quint32>(l);
    *upper = static_cast<quint32>(u);
}

} // namespace tarvik
