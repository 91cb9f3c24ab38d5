#pragma once
// A top-level window by its outer frame, the one the user sees and the
// settings file stores. Qt learns the frame late and caches what it saw at
// moments that race with the window manager's framing; the window manager's
// own word on the display is taken instead whenever there is one.

#include <QMargins>
#include <QRect>

class QWidget;

namespace tarvik {

// How long a window that was never shown waits for the window manager to
// announce the frame it will get.
constexpr int kFrameAnswerMs = 1000;

// The frame around F as far as it is known, asking the window manager and
// waiting at most waitMs when it has not said it yet. Without a window
// manager's word, Qt's (no frame at all for a window never shown).
QMargins windowFrame(const QWidget &F, int waitMs = 0);
// Whether the window manager has announced F's frame.
bool frameAnnounced(const QWidget &F);
// F's outer rectangle: where its client area lies, grown by its frame.
QRect outerGeometry(const QWidget &F);
int outerWidth(const QWidget &F);
// Moves and sizes a top-level window by its outer frame.
void setOuterGeometry(QWidget &F, int left, int top, int width, int height);
inline void setOuterGeometry(QWidget &F, const QRect &outer)
{
    setOuterGeometry(F, outer.left(), outer.top(), outer.width(), outer.height());
}

} // namespace tarvik
