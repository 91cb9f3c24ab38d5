#pragma once
// Reads the keyboard layout of an X server: the XKB map of the active group,
// as the plain data the key table is built from.

#include "platform/KeyTable.h"

// Xlib's own declaration, without Xlib's macros (they clash with Qt's headers).
typedef struct _XDisplay Display;

namespace tarvik {

// The modifier bit the server's NumLock key locks (Mod2 when the map names none).
unsigned x11NumLockMask(Display *display);

// The keys, levels and modifier keys of the active group, read now, so that a
// layout switched since the last read is honoured. Throws Error when the
// server gives no map.
KeyboardLayout readX11KeyboardLayout(Display *display, unsigned numLockMask);

// The X library's case pair of a keysym (needs no server).
void x11KeysymCase(quint32 keysym, quint32 *lower, quint32 *upper);

} // namespace tarvik
