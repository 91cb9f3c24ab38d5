#include "platform/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace tarvik {

namespace {

int g_lastError = 0;

int recordError(Display *, XErrorEvent *event)
{
    g_lastError = event->error_code;
    return 0;
}

} // namespace

void X11ErrorTrap::installRecorder()
{
    XSetErrorHandler(recordError);
}

X11ErrorTrap::X11ErrorTrap(Display *display) : m_display(display)
{
    installRecorder();
    // Errors of earlier requests are collected now and forgotten.
    XSync(m_display, False);
    g_lastError = 0;
}

bool X11ErrorTrap::failed()
{
    XSync(m_display, False);
    return g_lastError != 0;
}

} // namespace tarvik
