#pragma once
// Which window the keys of a launch are for.
//
// Keys and passwords typed after a start must reach the started program and
// nothing else. The rule is a pure function of what the desktop showed
// before the start and shows now, so that it can be checked without a
// display; KeyTargetWatch gathers those facts through the Platform port.

#include "platform/Platform.h"

#include <QHash>
#include <QList>

namespace tarvik {

struct KeyTargetFacts {
    // The process the start created, 0 when the start gave none, and whether
    // it or a process of its session still runs.
    qint64 started = 0;
    bool startRuns = false;
    // Top-level windows before the start, and the active one then.
    QList<WindowHandle> windowsBeforeStart;
    WindowHandle activeAtStart = 0;
    // The window active at the start was seen inactive since.
    bool activeAtStartWasLeft = false;

    // Now: the active window, whether it is one of our menus, the process
    // it names as its owner (0 for none).
    WindowHandle active = 0;
    bool activeIsOurs = false;
    qint64 activeProcess = 0;
    // The running processes the rule may look at, by id (the started one
    // when it runs, and the owner of the active window with its ancestors).
    QHash<qint64, ProcessInfo> processes;
};

// True when pid is the started process, one of its descendants, or a process
// of the session it leads (a launcher script that forked the real program and
// left: the orphan lost its parent, not its session).
bool belongsToStart(qint64 pid, qint64 started, const QHash<qint64, ProcessInfo> &processes);

// The window the keys are for, 0 when there is none (yet):
// - never one of our menus, never "no window";
// - a window owned by the started process or its descendants;
// - once the started process and every process of its session have ended
//   without such a window (the start was handed over to a program already
//   running, or to the desktop's opener), a window mapped after the start or
//   activated after it.
// While the start runs, the windows of other programs never count.
WindowHandle chooseKeyTarget(const KeyTargetFacts &facts);

// Watches the desktop around one start. Construct it before the start, tell
// it the started process, then look until a target shows.
class KeyTargetWatch {
public:
    KeyTargetWatch();

    void setStarted(qint64 pid) { m_facts.started = pid; }
    // Looks at the desktop once; the target, or 0.
    WindowHandle look();
    // The last look saw no active window in a Wayland session: the focus is
    // on a native window that X cannot see and keys cannot reach.
    bool activeHiddenFromX() const { return m_hiddenFromX; }
    const KeyTargetFacts &facts() const { return m_facts; }

private:
    KeyTargetFacts m_facts;
    bool m_hiddenFromX = false;
};

} // namespace tarvik
