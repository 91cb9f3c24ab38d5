#pragma once
// The executable a process runs, as /proc names it. Linux marks the link of
// a binary replaced or rebuilt since the process started with " (deleted)":
// the file that now stands at the path is the program's new version, the one
// to start and to recognise.

#include <QString>

namespace tarvik {

// The path without the " (deleted)" mark; a file that really carries that
// name (it exists) keeps it.
QString withoutDeletedMark(const QString &path);

// The executable of process pid, from /proc/PID/exe, without the mark;
// empty when the process does not run or cannot be inspected.
QString executableOfProcess(qint64 pid);

// This process's executable, without the mark.
QString ownExecutable();

} // namespace tarvik
