#pragma once
// The folder, name and type parts of a path, split by one of two separator
// rules:
// - an entry of a menu may have been written on Windows, so "/", "\" and ":"
//   all end its folder part;
// - a path of this system ends its folder part at the last "/" alone: "\"
//   and ":" are ordinary characters of a Linux file name.

#include <QString>

namespace tarvik {

enum class SeparatorRule { Entry, Local };

class PathParts {
public:
    PathParts(const QString &path, SeparatorRule rule);

    // Up to the last separator, that separator included; empty when none.
    QString folder() const { return m_path.left(m_nameStart); }
    // After the last separator.
    QString fileName() const { return m_path.mid(m_nameStart); }
    // The file name without its type; a name that starts with its only dot
    // (".profile") is all name.
    QString baseName() const;
    // From the last dot of the file name, that dot included; empty when the
    // file name has no dot.
    QString suffix() const;

private:
    QString m_path;
    qsizetype m_nameStart;
};

// The name and type columns of an entry, by the entry rule.
QString ExtractFileName(const QString &path);
QString ExtractNAME(const QString &path);   // the base name, upper-cased
QString ExtractTYPE(const QString &path);   // the suffix without its dot, upper-cased

} // namespace tarvik
