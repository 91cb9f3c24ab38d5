#include "platform/X11Windows.h"

#include "platform/ProcessExecutable.h"
#include "platform/X11ErrorTrap.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <QElapsedTimer>

#include <poll.h>
#include <unistd.h>
#include <vector>

namespace tarvik {

namespace {

// One property read whole; empty when missing, of another type or on error.
struct Property {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;
    unsigned long items = 0;

    // Format-32 items are longs in Xlib's memory layout.
    unsigned long item(unsigned long i) const
    {
        return reinterpret_cast<const unsigned long *>(bytes.data())[i];
    }
};

Property readProperty(Display *dpy, Window window, Atom property, Atom type)
{
    Property out;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(dpy, window, property, 0, 1L << 20, False, type, &actualType,
                                          &actualFormat, &items, &after, &data);
    if (status == Success && data && actualType != None && (type == AnyPropertyType || actualType == type)) {
        const size_t unit = actualFormat == 32 ? sizeof(long) : static_cast<size_t>(actualFormat / 8);
        out.type = actualType;
        out.format = actualFormat;
        out.items = items;
        out.bytes.assign(data, data + unit * items);
    }
    if (data)
        XFree(data);
    return out;
}

// _NET_FRAME_EXTENTS: left, right, top, bottom.
std::optional<QMargins> readFrameExtents(Display *dpy, Window window)
{
    const Property p = readProperty(dpy, window, XInternAtom(dpy, "_NET_FRAME_EXTENTS", False), XA_CARDINAL);
    if (p.format != 32 || p.items != 4)
        return std::nullopt;
    return QMargins(int(p.item(0)), int(p.item(2)), int(p.item(1)), int(p.item(3)));
}

} // namespace

X11Windows::~X11Windows()
{
    if (m_ownDisplay && m_display)
        XCloseDisplay(m_display);
}

Display *X11Windows::display()
{
    if (m_tried)
        return m_display;
    m_tried = true;
#if QT_CONFIG(xcb)
    if (qGuiApp) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            m_display = x11->display();
    }
#endif
    if (!m_display) {
        // No Qt xcb application (tests, offscreen): a connection of our own,
        // or none at all when there is no display.
        m_display = XOpenDisplay(nullptr);
        m_ownDisplay = m_display != nullptr;
    }
    if (m_display)
        X11ErrorTrap::installRecorder();
    return m_display;
}

unsigned long X11Windows::atom(const char *name)
{
    return XInternAtom(m_display, name, False);
}

bool X11Windows::hasWindowManager()
{
    Display *dpy = display();
    if (!dpy)
        return false;
    X11ErrorTrap trap(dpy);
    const Atom check = atom("_NET_SUPPORTING_WM_CHECK");
    const Property onRoot = readProperty(dpy, DefaultRootWindow(dpy), check, XA_WINDOW);
    if (onRoot.items == 0)
        return false;
    // A window manager that died leaves the property on the root: its check
    // window must still exist and point at itself.
    const Window wm = onRoot.item(0);
    const Property onWm = readProperty(dpy, wm, check, XA_WINDOW);
    return !trap.failed() && onWm.items > 0 && onWm.item(0) == wm;
}

bool X11Windows::supported(const char *hint)
{
    Display *dpy = display();
    if (!dpy || !hasWindowManager())
        return false;
    X11ErrorTrap trap(dpy);
    const Property list = readProperty(dpy, DefaultRootWindow(dpy), atom("_NET_SUPPORTED"), XA_ATOM);
    const Atom wanted = atom(hint);
    for (unsigned long i = 0; i < list.items; ++i)
        if (list.item(i) == wanted)
            return true;
    return false;
}

std::optional<QMargins> X11Windows::frameExtents(quint64 window, int waitMs)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return std::nullopt;
    {
        X11ErrorTrap trap(dpy);
        const auto known = readFrameExtents(dpy, window);
        if (known || trap.failed())
            return known;
    }
    if (waitMs <= 0 || !supported("_NET_REQUEST_FRAME_EXTENTS"))
        return std::nullopt;
    // The answer is awaited on a connection of our own: the events of the
    // shared one belong to Qt's event loop.
    Display *own = XOpenDisplay(DisplayString(dpy));
    if (!own)
        return std::nullopt;
    std::optional<QMargins> answer;
    {
        X11ErrorTrap trap(own);
        XSelectInput(own, window, PropertyChangeMask);
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = window;
        request.xclient.message_type = XInternAtom(own, "_NET_REQUEST_FRAME_EXTENTS", False);
        request.xclient.format = 32;
        XSendEvent(own, DefaultRootWindow(own), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
        XFlush(own);
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            answer = readFrameExtents(own, window);
            const qint64 left = waitMs - clock.elapsed();
            if (answer || trap.failed() || left <= 0)
                break;
            while (XPending(own) > 0) {
                XEvent ignored;
                XNextEvent(own, &ignored);
            }
            pollfd fd{ConnectionNumber(own), POLLIN, 0};
            poll(&fd, 1, int(left));
        }
        XSelectInput(own, window, NoEventMask);
    }
    XCloseDisplay(own);
    return answer;
}

std::optional<QRect> X11Windows::clientGeometry(quint64 window)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return std::nullopt;
    X11ErrorTrap trap(dpy);
    Window root = None;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, window, &root, &x, &y, &width, &height, &border, &depth))
        return std::nullopt;
    Window child = None;
    if (!XTranslateCoordinates(dpy, window, root, 0, 0, &x, &y, &child) || trap.failed())
        return std::nullopt;
    return QRect(x, y, int(width), int(height));
}

bool X11Windows::windowExists(quint64 window)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return false;
    X11ErrorTrap trap(dpy);
    XWindowAttributes attributes;
    const Status ok = XGetWindowAttributes(dpy, window, &attributes);
    return ok && !trap.failed();
}

bool X11Windows::hasWmState(quint64 window)
{
    const Atom wmState = atom("WM_STATE");
    return readProperty(m_display, window, wmState, wmState).items > 0;
}

quint64 X11Windows::clientBelow(quint64 window, int depth)
{
    if (depth <= 0)
        return 0;
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
        return 0;
    quint64 found = 0;
    for (unsigned int i = 0; i < count && !found; ++i)
        if (hasWmState(children[i]))
            found = children[i];
    for (unsigned int i = 0; i < count && !found; ++i)
        found = clientBelow(children[i], depth - 1);
    if (children)
        XFree(children);
    return found;
}

QList<quint64> X11Windows::topLevelWindows()
{
    QList<quint64> out;
    Display *dpy = display();
    if (!dpy)
        return out;
    const bool managed = hasWindowManager();
    X11ErrorTrap trap(dpy);
    const Window root = DefaultRootWindow(dpy);

    if (managed) {
        // The window manager knows the real order, layers included (bottom to top).
        const Property stacking = readProperty(dpy, root, atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
        for (unsigned long i = stacking.items; i-- > 0;)
            out << stacking.item(i);
    }

    // Windows the manager does not list (never shown, withdrawn) or every
    // window when there is no manager: the children of the root, top first.
    Window rootReturn = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, root, &rootReturn, &parent, &children, &count))
        return out;
    const Atom wmClass = XA_WM_CLASS;
    const Atom netPid = atom("_NET_WM_PID");
    for (unsigned int i = count; i-- > 0;) {
        const Window child = children[i];
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(dpy, child, &attributes) || attributes.override_redirect)
            continue; // popups and tooltips are not windows of their own
        quint64 client = hasWmState(child) ? child : clientBelow(child, 3);
        if (!client) {
            // Qt's helper windows (clipboard, selection owner) carry neither.
            if (readProperty(dpy, child, wmClass, XA_STRING).items == 0
                && readProperty(dpy, child, netPid, XA_CARDINAL).items == 0)
                continue;
            client = child;
        }
        if (!out.contains(client))
            out << client;
    }
    if (children)
        XFree(children);
    return out;
}

QString X11Windows::windowTitle(quint64 window)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return QString();
    X11ErrorTrap trap(dpy);
    const Property name = readProperty(dpy, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (name.items > 0)
        return QString::fromUtf8(reinterpret_cast<const char *>(name.bytes.data()),
                                 static_cast<qsizetype>(name.bytes.size()));

    XTextProperty text{};
    QString title;
    if (XGetWMName(dpy, window, &text) && text.value && text.nitems > 0) {
        char **list = nullptr;
        int n = 0;
        if (Xutf8TextPropertyToTextList(dpy, &text, &list, &n) >= Success && list) {
            if (n > 0 && list[0])
                title = QString::fromUtf8(list[0]);
            XFreeStringList(list);
        } else {
            title = QString::fromLatin1(reinterpret_cast<const char *>(text.value),
                                        static_cast<qsizetype>(text.nitems));
        }
    }
    if (text.value)
        XFree(text.value);
    return title;
}

bool X11Windows::bringToFront(quint64 window)
{
    if (!windowExists(window))
        return false;
    Display *dpy = m_display;
    const bool managed = hasWindowManager();
    X11ErrorTrap trap(dpy);
    if (managed) {
        // Source indication 2 (a pager): the manager obeys without its
        // focus-stealing prevention, and de-iconifies the window.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = 0;
        XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        XMapRaised(dpy, window);
        XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    }
    return !trap.failed();
}

bool X11Windows::postCloseRequest(quint64 window)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return false;
    X11ErrorTrap trap(dpy);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &event);
    return !trap.failed();
}

qint64 X11Windows::windowPid(quint64 window)
{
    Display *dpy = display();
    if (!dpy || window == 0)
        return 0;
    X11ErrorTrap trap(dpy);
    const Property pid = readProperty(dpy, window, atom("_NET_WM_PID"), XA_CARDINAL);
    if (pid.items == 0 || trap.failed())
        return 0;
    return static_cast<qint64>(pid.item(0) & 0xffffffffUL);
}

bool X11Windows::isWindowOfExecutable(quint64 window, const QString &exePath)
{
    const qint64 pid = windowPid(window);
    if (pid <= 0)
        return false;
    const QString exe = executableOfProcess(pid);
    return !exe.isEmpty() && exe == withoutDeletedMark(exePath);
}

quint64 X11Windows::activeWindow()
{
    Display *dpy = display();
    if (!dpy)
        return 0;
    const bool managed = hasWindowManager();
    X11ErrorTrap trap(dpy);
    const Window root = DefaultRootWindow(dpy);
    if (managed) {
        const Property active = readProperty(dpy, root, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
        if (active.items > 0)
            return active.item(0);
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root)
        return 0;
    // Climb to the child of the root, then down to the client if that is a frame.
    Window current = focus;
    for (int guard = 0; guard < 64; ++guard) {
        Window rootReturn = 0, parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(dpy, current, &rootReturn, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == None)
            break;
        current = parent;
    }
    if (hasWmState(current))
        return current;
    const quint64 client = clientBelow(current, 3);
    return client ? client : current;
}

quint64 X11Windows::mainWindowOfProcess(qint64 pid)
{
    Display *dpy = display();
    if (!dpy || pid <= 0)
        return 0;
    quint64 first = 0;
    const Atom wmState = atom("WM_STATE");
    for (const quint64 window : topLevelWindows()) {
        if (windowPid(window) != pid)
            continue;
        if (!first)
            first = window;
        X11ErrorTrap trap(dpy);
        const Property state = readProperty(dpy, window, wmState, wmState);
        // WM_STATE 1 is normal, 3 iconic; without a manager, mapped is what counts.
        if (state.items > 0 && (state.item(0) == NormalState || state.item(0) == IconicState))
            return window;
        XWindowAttributes attributes;
        if (state.items == 0 && XGetWindowAttributes(dpy, window, &attributes)
            && attributes.map_state == IsViewable)
            return window;
    }
    return first;
}

} // namespace tarvik
