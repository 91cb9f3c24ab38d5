#pragma once
// The start service of the Linux back-end: programs, desktop entries, internet
// shortcuts, folders, documents and web addresses, with the result codes of
// ShellExecuteW. Nothing here goes through a shell: every path and argument
// reaches the started program as text.

#include <QString>
#include <QStringList>
#include <optional>

namespace tarvik {

// Splits a parameter string as a Windows command line: blanks separate,
// double quotes group, "" inside quotes is one literal quote, "" alone is an
// empty argument. Backslashes are plain characters (they are common in the
// paths users type, and Linux paths never need them escaped).
QStringList splitCommandLine(const QString &commandLine);

// The callers enclose the file in double quotes with inner quotes doubled;
// this takes one enclosing pair off and undoubles them.
QString unquoteShellFile(const QString &file);

// True for a text that names a web address or another URL scheme
// ("https://…", "mailto:…", "www.…"), not a local path.
bool looksLikeUrl(const QString &text);

// The [Desktop Entry] group of a .desktop file, with the string escapes
// (\s \n \t \r \\) already undone.
struct DesktopEntry {
    QString type;
    QString exec;
    QString name;
    QString icon;
    QString url;
    QString path; // working directory
    bool terminal = false; // Terminal=true: the program runs in a terminal window
};
std::optional<DesktopEntry> readDesktopEntry(const QString &fileName);

// Expands an Exec value into the program and its arguments by the desktop
// entry rules: double quotes group and, inside them, a backslash escapes the
// next character; %f %F %u %U receive the files (or vanish), %i gives
// "--icon <icon>", %c the name, %k the entry's own path, %% a literal %, other
// field codes vanish. Files passed to an Exec line without a file field code
// are appended, so a command line given with the entry still reaches the
// program. Empty on a quoting error or an empty command.
std::optional<QStringList> expandDesktopExec(const QString &exec, const QStringList &files,
                                             const QString &name, const QString &icon,
                                             const QString &location);

// The command that shows a program in the user's terminal emulator, to which
// the program and its arguments are appended: the system's choice
// (x-terminal-emulator), else $TERMINAL (which may carry options), else
// xterm, each followed by "-e". Empty when none of them is installed.
QStringList terminalCommand();

// The URL= value of the [InternetShortcut] group of a .url file; empty when none.
QString readInternetShortcutUrl(const QString &fileName);

// Starts program (an absolute path, or a name looked up in PATH) detached from
// this process, in directory when it is not empty, as the leader of a session
// of its own. Returns 0 when it started, otherwise the errno of the failure
// (ENOENT, EACCES, ENOEXEC…); pid, when given, receives the program's process
// id (0 on failure). The started program is re-parented at once, so no
// zombie is ever left behind.
int spawnDetached(const QString &program, const QStringList &arguments, const QString &directory,
                  qint64 *pid = nullptr);

class LinuxShell {
public:
    // ShellExecuteW: returns a value above 32 when started, else a failure code.
    int execute(const QString &verb, const QString &file, const QString &parameters,
                const QString &directory);
    // The process the last execute() started, 0 when it started none.
    qint64 lastStarted() const { return m_lastStarted; }

private:
    int open(const QString &file, const QString &parameters, const QString &directory);
    int explore(const QString &folder);
    int openWithDefaultApplication(const QString &target);
    int launchDesktopEntry(const QString &fileName, const QString &parameters);
    int launchInternetShortcut(const QString &fileName);
    int runProgram(const QString &program, const QStringList &arguments, const QString &directory);

    qint64 m_lastStarted = 0;
};

} // namespace tarvik
