// Errors of X requests trapped by their sequence numbers: a trap counts only
// the requests made while it lives, nested traps each see their own, and a
// trap whose requests were all answered costs no round trip of its own.

#include "platform/X11ErrorTrap.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using tarvik::X11ErrorTrap;

namespace {

class X11ErrorTrapTest : public ::testing::Test {
protected:
    // One connection for the suite: Xvfb resets when its last client leaves,
    // and refuses connections while it does.
    static void SetUpTestSuite() { s_display = XOpenDisplay(nullptr); }
    static void TearDownTestSuite()
    {
        if (s_display)
            XCloseDisplay(s_display);
        s_display = nullptr;
    }
    void SetUp() override
    {
        dpy = s_display;
        if (!dpy)
            GTEST_SKIP() << "no X display";
        X11ErrorTrap::installRecorder();
        XSync(dpy, False); // a test's errors never reach the next one
        // A window id of this client that names no window: every request on it fails.
        bogus = XAllocID(dpy);
    }

    static inline Display *s_display = nullptr;
    bool readRootProperty()
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        const int status = XGetWindowProperty(dpy, DefaultRootWindow(dpy), XA_RESOURCE_MANAGER, 0, 1, False,
                                              AnyPropertyType, &type, &format, &items, &after, &data);
        if (data)
            XFree(data);
        return status == Success;
    }

    Display *dpy = nullptr;
    Window bogus = 0;
};

TEST_F(X11ErrorTrapTest, CountsTheFailedRequestsMadeWhileItLives)
{
    {
        // A request with a reply: its error came back with it.
        X11ErrorTrap trap(dpy);
        XWindowAttributes attributes;
        EXPECT_FALSE(XGetWindowAttributes(dpy, bogus, &attributes));
        EXPECT_TRUE(trap.failed());
    }
    {
        // A request without one: the trap waits for its answer when asked.
        X11ErrorTrap trap(dpy);
        XMapWindow(dpy, bogus);
        EXPECT_TRUE(trap.failed());
    }
    {
        X11ErrorTrap trap(dpy);
        EXPECT_TRUE(readRootProperty());
        EXPECT_FALSE(trap.failed());
    }
}

TEST_F(X11ErrorTrapTest, AnEarlierRequestsErrorNeverCounts)
{
    // Its error reaches the client only during the trap's own round trip.
    XMapWindow(dpy, bogus);
    X11ErrorTrap trap(dpy);
    EXPECT_TRUE(readRootProperty());
    XSync(dpy, False);
    EXPECT_FALSE(trap.failed());
}

TEST_F(X11ErrorTrapTest, NestedTrapsEachSeeTheirOwnRequests)
{
    X11ErrorTrap outer(dpy);
    {
        X11ErrorTrap inner(dpy);
        EXPECT_TRUE(readRootProperty());
        EXPECT_FALSE(inner.failed());
    }
    EXPECT_FALSE(outer.failed());
    {
        X11ErrorTrap inner(dpy);
        XMapWindow(dpy, bogus);
        EXPECT_TRUE(inner.failed());
    }
    EXPECT_TRUE(outer.failed()) << "the inner trap's failed request was made during the outer one too";
    X11ErrorTrap later(dpy);
    EXPECT_FALSE(later.failed());
}

TEST_F(X11ErrorTrapTest, AnsweredRequestsCostNoRoundTrip)
{
    X11ErrorTrap trap(dpy);
    EXPECT_TRUE(readRootProperty());
    // XSync would make a request of its own (GetInputFocus).
    const unsigned long next = NextRequest(dpy);
    EXPECT_FALSE(trap.failed());
    EXPECT_EQ(NextRequest(dpy), next) << "failed() made a round trip although every request was answered";
    XMapWindow(dpy, bogus);
    EXPECT_TRUE(trap.failed());
    EXPECT_GT(NextRequest(dpy), next + 1) << "a request without reply must be waited for";
}

} // namespace
