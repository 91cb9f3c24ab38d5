#pragma once
// The pictures the program carries. A menu's glyphs are each read from their
// file the first time they are drawn or measured: a menu carries a few dozen
// and shows none of them before its first popup, and decoding them all at
// start-up would delay the window for nothing.
#include <QIcon>
#include <QString>

namespace tarvik {

QIcon lazyIcon(const QString &fileName);

// The program's own icon in the sizes taskbars ask for, for the windows that
// do not look up the desktop entry.
QIcon applicationIcon();

} // namespace tarvik
