#pragma once
// Small questions about files and folders, and the way to throw a file away
// without destroying it.

#include <QString>

namespace tarvik {

// The path can be read (links followed) and names a folder.
bool IsDirectory(const QString &path);
// The path can be read (links followed) and names anything but a folder.
bool IsFile(const QString &path);
// Every bit of flag is set in value.
bool IsFlagSet(unsigned value, unsigned flag);
// Sends the file or folder to the desktop's trash, without a question;
// true when it went there.
bool DeleteFileToRecycleBin(const QString &path);

} // namespace tarvik
