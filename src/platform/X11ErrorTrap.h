#pragma once
// Xlib's default error handler ends the process, and windows of other
// programs vanish at any moment: one process-wide handler records errors
// instead, and a trap collects the errors of the requests made while it lives.
//
// A trap tells its requests from earlier ones by their sequence numbers, so
// it costs no round trip of its own when the requests it watched all had a
// reply (their errors came back with them); only requests still unanswered
// when it is asked are waited for. On a busy desktop each round trip waits for
// the X server to be scheduled: a menu's start-up makes dozens of such queries.

// Xlib's own declaration, without Xlib's macros (they clash with Qt's headers).
typedef struct _XDisplay Display;

namespace tarvik {

class X11ErrorTrap {
public:
    // Installs the recording handler if another replaced it. Safe to call at any time.
    static void installRecorder();

    // Watches the requests made on display from now on; earlier ones never count.
    explicit X11ErrorTrap(Display *display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    // Whether a request made since the trap began failed: a round trip only
    // when some of them are still unanswered.
    bool failed();

private:
    friend struct X11ErrorRecorder;
    Display *m_display;
    unsigned long m_firstSerial;
    int m_error = 0;
    X11ErrorTrap *m_outer; // traps live on the stack, nested
};

} // namespace tarvik
