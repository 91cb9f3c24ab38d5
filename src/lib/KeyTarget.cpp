#include "lib/KeyTarget.h"

namespace tarvik {

namespace {
// Deeper process trees than this are not launcher chains.
constexpr int kMaxAncestry = 64;
} // namespace

bool belongsToStart(qint64 pid, qint64 started, const QHash<qint64, ProcessInfo> &processes)
{
    if (started <= 0)
        return false;
    qint64 p = pid;
    for (int depth = 0; depth < kMaxAncestry && p > 1; ++depth) {
        if (p == started)
            return true;
        const auto it = processes.constFind(p);
        if (it == processes.cend())
            return false;
        if (it->session == started)
            return true;
        p = it->parent;
    }
    return false;
}

WindowHandle chooseKeyTarget(const KeyTargetFacts &f)
{
    if (f.active == 0 || f.activeIsOurs)
        return 0;
    if (f.activeProcess > 0 && belongsToStart(f.activeProcess, f.started, f.processes))
        return f.active;
    if (f.startRuns)
        return 0;
    const bool mappedSince = !f.windowsBeforeStart.contains(f.active);
    const bool activatedSince = f.active != f.activeAtStart || f.activeAtStartWasLeft;
    return mappedSince || activatedSince ? f.active : 0;
}

KeyTargetWatch::KeyTargetWatch()
{
    m_facts.windowsBeforeStart = platform().topLevelWindows();
    m_facts.activeAtStart = platform().activeWindow();
}

WindowHandle KeyTargetWatch::look()
{
    Platform &sys = platform();
    KeyTargetFacts &f = m_facts;
    f.active = sys.activeWindow();
    m_hiddenFromX = f.active == 0 && sys.isWaylandSession();
    if (f.active != f.activeAtStart)
        f.activeAtStartWasLeft = true;
    f.activeIsOurs = f.active != 0 && sys.isWindowOfThisProgram(f.active);
    f.activeProcess = f.active != 0 ? sys.windowProcess(f.active) : 0;

    f.processes.clear();
    f.startRuns = false;
    if (f.started > 0) {
        if (const auto info = sys.processInfo(f.started))
            f.processes.insert(f.started, *info);
        // A launcher that forked the real program and left: the program runs
        // on in the session the start made.
        f.startRuns = f.processes.contains(f.started) || sys.sessionRuns(f.started);
    }
    qint64 p = f.activeProcess;
    for (int depth = 0; depth < kMaxAncestry && p > 1 && p != f.started && !f.processes.contains(p); ++depth) {
        const auto info = sys.processInfo(p);
        if (!info)
            break;
        f.processes.insert(p, *info);
        if (info->session == f.started)
            break;
        p = info->parent;
    }
    return chooseKeyTarget(f);
}

} // namespace tarvik
