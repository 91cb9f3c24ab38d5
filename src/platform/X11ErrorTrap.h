#pragma once
// Xlib's default error handler ends the process, and windows of other
// programs vanish at any moment: one process-wide handler records errors
// instead, and a trap collects the errors of the requests made while it lives.

// Xlib's own declaration, without Xlib's macros (they clash with Qt's headers).
typedef struct _XDisplay Display;

namespace tarvik {

class X11ErrorTrap {
public:
    // Installs the recording handler if another replaced it. Safe to call at any time.
    static void installRecorder();

    // Collects (and forgets) the errors of earlier requests: one round trip.
    explicit X11ErrorTrap(Display *display);
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    // Whether a request made since the trap began failed (one round trip).
    bool failed();

private:
    Display *m_display;
};

} // namespace tarvik
