#pragma once
// The width a window needs for the window manager to show its whole title:
// the title in the desktop's title font, and room for the frame's icon and
// buttons beside it.

#include <QString>

namespace tarvik {

int titleBarWidth(const QString &title);

} // namespace tarvik
