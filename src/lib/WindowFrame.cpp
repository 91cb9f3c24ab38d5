#include "lib/WindowFrame.h"

#include "platform/Platform.h"

#include <QWidget>
#include <QWindow>

namespace tarvik {

namespace {

// The native window of a top-level widget, 0 before it has one.
WindowHandle nativeOf(const QWidget &F)
{
    return F.isWindow() && F.windowHandle() && F.testAttribute(Qt::WA_WState_Created)
        ? WindowHandle(F.windowHandle()->winId())
        : 0;
}

} // namespace

QMargins windowFrame(const QWidget &F, int waitMs)
{
    if (const WindowHandle w = nativeOf(F))
        if (const auto announced = platform().frameExtents(w, waitMs))
            return *announced;
    const QRect outer = F.frameGeometry();
    const QRect inner = F.geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

bool frameAnnounced(const QWidget &F)
{
    const WindowHandle w = nativeOf(F);
    return w != 0 && platform().frameExtents(w, 0).has_value();
}

QRect outerGeometry(const QWidget &F)
{
    QRect client = F.geometry();
    if (const WindowHandle w = nativeOf(F))
        if (const auto onScreen = platform().clientGeometry(w))
            client = *onScreen;
    return client.marginsAdded(windowFrame(F));
}

int outerWidth(const QWidget &F)
{
    const QMargins m = windowFrame(F);
    return F.width() + m.left() + m.right();
}

void setOuterGeometry(QWidget &F, int left, int top, int width, int height)
{
    const QMargins m = windowFrame(F, kFrameAnswerMs);
    F.setGeometry(left + m.left(), top + m.top(), qMax(1, width - m.left() - m.right()),
                  qMax(1, height - m.top() - m.bottom()));
}

} // namespace tarvik
