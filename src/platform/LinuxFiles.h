#pragma once
// File operations of the Linux back-end with the contracts of CopyFileW and
// MoveFileW. A copy never leaves half a file under the target's name.

#include <QString>

namespace tarvik {

// Copies a regular file, its permissions and modification time, through a
// temporary file in the target's folder renamed over the target (or linked to
// it when failIfExists, so an existing target is never replaced). False when
// the source is not a regular file, on any write failure, or when the copy's
// size differs from the source's.
bool copyRegularFile(const QString &source, const QString &target, bool failIfExists);

// Renames a file or folder; refuses an existing target; across file systems a
// file is copied then its source removed.
bool moveWithoutReplacing(const QString &source, const QString &target);

} // namespace tarvik
