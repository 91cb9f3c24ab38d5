// Which window the keys of a launch are for: the rule over a snapshot of the
// desktop, and the watch that gathers it through the recording platform.

#include "lib/KeyTarget.h"

#include "TestPlatform.h"

#include <gtest/gtest.h>

namespace {

using namespace tarvik;

constexpr qint64 kStarted = 500;
constexpr WindowHandle kMenu = 0x100;     // one of our menus
constexpr WindowHandle kOld = 0x200;      // shown before the start
constexpr WindowHandle kNew = 0x300;      // shown after the start

// A process table: pid -> (parent, session).
QHash<qint64, ProcessInfo> table(std::initializer_list<std::tuple<qint64, qint64, qint64>> rows)
{
    QHash<qint64, ProcessInfo> out;
    for (const auto &[pid, parent, session] : rows)
        out.insert(pid, ProcessInfo{parent, session});
    return out;
}

TEST(KeyTarget, ProcessAncestry)
{
    // 500 started (its own session); 510 its child, 520 a grandchild; 530 an
    // orphan of its session; 540 a grandchild that made a session of its own
    // under a child still running; 600 unrelated, 610 its child.
    const auto processes = table({{kStarted, 1, kStarted},
                                  {510, kStarted, kStarted},
                                  {520, 510, kStarted},
                                  {530, 1, kStarted},
                                  {535, kStarted, kStarted},
                                  {540, 535, 540},
                                  {600, 1, 600},
                                  {610, 600, 600},
                                  {620, 1, 620}});
    struct Case {
        qint64 pid;
        bool belongs;
    };
    const Case cases[] = {
        {kStarted, true}, {510, true}, {520, true}, {530, true}, {540, true},
        {600, false},     {610, false}, {620, false}, {1, false}, {0, false}, {999, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(belongsToStart(c.pid, kStarted, processes), c.belongs) << c.pid;
    EXPECT_FALSE(belongsToStart(kStarted, 0, processes)) << "no started process, no ancestry";

    // A loop in a table read while processes come and go ends.
    const auto loop = table({{700, 701, 700}, {701, 700, 700}});
    EXPECT_FALSE(belongsToStart(700, kStarted, loop));
}

TEST(KeyTarget, TheRule)
{
    struct Case {
        const char *what;
        WindowHandle active;
        qint64 activeProcess;
        bool startedRuns;
        WindowHandle activeAtStart;
        bool activeAtStartWasLeft;
        WindowHandle target;
    };
    const Case cases[] = {
        {"no active window", 0, 0, true, kMenu, false, 0},
        {"our menu", kMenu, kStarted, true, kMenu, false, 0},
        {"the started program's window", kNew, kStarted, true, kMenu, true, kNew},
        {"a descendant's window", kNew, 510, true, kMenu, true, kNew},
        {"its window once it ended is no longer its own, but new", kNew, 0, false, kMenu, true, kNew},
        {"running: an older window of another program", kOld, 600, true, kMenu, true, 0},
        {"running: a new window of another program", kNew, 600, true, kMenu, true, 0},
        {"running: a new window without a process", kNew, 0, true, kMenu, true, 0},
        {"hand-over: a new window", kNew, 600, false, kMenu, true, kNew},
        {"hand-over: an older window activated since", kOld, 600, false, kMenu, true, kOld},
        {"hand-over: the window active at the start, never left", kOld, 600, false, kOld, false, 0},
        {"hand-over: the window active at the start, left and back", kOld, 600, false, kOld, true, kOld},
        {"hand-over: our menu", kMenu, 0, false, kOld, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        KeyTargetFacts f;
        f.started = kStarted;
        f.windowsBeforeStart = {kMenu, kOld};
        f.activeAtStart = c.activeAtStart;
        f.activeAtStartWasLeft = c.activeAtStartWasLeft;
        f.active = c.active;
        f.activeIsOurs = c.active == kMenu;
        f.activeProcess = c.activeProcess;
        f.processes = table({{510, kStarted, kStarted}, {600, 1, 600}});
        if (c.startedRuns)
            f.processes.insert(kStarted, ProcessInfo{1, kStarted});
        f.startRuns = c.startedRuns;
        EXPECT_EQ(chooseKeyTarget(f), c.target);
    }
}

TEST(KeyTarget, StartWithoutAProcessIsAHandOver)
{
    // A start that reports no process (a platform that cannot tell).
    KeyTargetFacts f;
    f.windowsBeforeStart = {kMenu, kOld};
    f.activeAtStart = kMenu;
    f.active = kNew;
    f.activeProcess = 600;
    EXPECT_EQ(chooseKeyTarget(f), kNew);
    f.active = kMenu;
    f.activeIsOurs = true;
    EXPECT_EQ(chooseKeyTarget(f), 0u);
}

TEST(KeyTargetWatch, GathersTheFactsThroughThePlatform)
{
    tarvik::testing::TestPlatform sys;
    sys.windows = {{kMenu, QStringLiteral("MENU")}, {kOld, QStringLiteral("ancienne")}};
    sys.programWindows = {kMenu};
    sys.active = kMenu;
    KeyTargetWatch watch; // before the start
    sys.windows.prepend({kNew, QStringLiteral("nouvelle")});
    watch.setStarted(kStarted);
    // The real program runs two launcher levels below the started script,
    // in a session of its own.
    sys.processes = table({{kStarted, 1, kStarted}, {510, kStarted, kStarted}, {520, 510, 520}, {600, 1, 600}});
    sys.windowPids = {{kNew, 520}, {kOld, 600}, {kMenu, 1000}};

    EXPECT_EQ(watch.look(), 0u) << "the menu still has the keyboard";
    EXPECT_EQ(watch.facts().windowsBeforeStart, (QList<WindowHandle>{kMenu, kOld}));
    EXPECT_FALSE(watch.activeHiddenFromX());

    sys.active = kOld;
    EXPECT_EQ(watch.look(), 0u) << "another program while the started one runs";
    EXPECT_TRUE(watch.facts().activeAtStartWasLeft);

    sys.active = kNew;
    EXPECT_EQ(watch.look(), kNew);
    EXPECT_TRUE(watch.facts().processes.contains(510)) << "the ancestry was climbed";

    // The script ends: its orphan keeps its session, and the start runs on.
    sys.processes = table({{520, 1, kStarted}, {600, 1, 600}});
    EXPECT_EQ(watch.look(), kNew);
    EXPECT_TRUE(watch.facts().startRuns);
    sys.active = kOld;
    EXPECT_EQ(watch.look(), 0u) << "another program while the orphan runs";

    // Everything of the start ended: a hand-over to the older window.
    sys.processes = table({{600, 1, 600}});
    sys.active = kOld;
    EXPECT_EQ(watch.look(), kOld);

    // Wayland: the focus on a window X cannot see.
    sys.wayland = true;
    sys.active = 0;
    EXPECT_EQ(watch.look(), 0u);
    EXPECT_TRUE(watch.activeHiddenFromX());
}

} // namespace
