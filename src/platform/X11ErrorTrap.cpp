#include "platform/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace tarvik {

namespace {

// The innermost live trap; Xlib calls the handler on the thread that made
// the request, and the menu makes its X requests on one thread.
X11ErrorTrap *g_innermost = nullptr;

} // namespace

struct X11ErrorRecorder {
    static int record(Display *display, XErrorEvent *event)
    {
        // Every live trap on that display whose watch had begun when the
        // failed request was made.
        for (X11ErrorTrap *t = g_innermost; t; t = t->m_outer)
            if (t->m_display == display && event->serial >= t->m_firstSerial && t->m_error == 0)
                t->m_error = event->error_code;
        return 0;
    }
};

void X11ErrorTrap::installRecorder()
{
    XSetErrorHandler(X11ErrorRecorder::record);
}

X11ErrorTrap::X11ErrorTrap(Display *display)
    : m_display(display), m_firstSerial(NextRequest(display)), m_outer(g_innermost)
{
    installRecorder();
    g_innermost = this;
}

X11ErrorTrap::~X11ErrorTrap()
{
    // Traps end in the reverse order of their start (they are scoped).
    if (g_innermost == this)
        g_innermost = m_outer;
}

bool X11ErrorTrap::failed()
{
    // The last request made is NextRequest - 1; once the server has answered
    // it, every error of the requests before it has been handled too.
    if (LastKnownRequestProcessed(m_display) + 1 < NextRequest(m_display))
        XSync(m_display, False);
    return m_error != 0;
}

} // namespace tarvik
