#pragma once
// An icon read from its file the first time it is drawn or measured. A menu
// carries a few dozen glyphs and shows none of them before its first popup;
// decoding them all at start-up would delay the window for nothing.
#include <QIcon>
#include <QString>

namespace tarvik {

QIcon lazyIcon(const QString &fileName);

} // namespace tarvik
