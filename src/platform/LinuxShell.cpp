#include "platform/LinuxShell.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarvik {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The general string escapes of desktop entry values.
QString unescapeDesktopValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(i + 1);
        switch (next.unicode()) {
        case 's': out += u' '; ++i; break;
        case 'n': out += u'\n'; ++i; break;
        case 't': out += u'\t'; ++i; break;
        case 'r': out += u'\r'; ++i; break;
        case '\\': out += u'\\'; ++i; break;
        default: out += c; break; // left for the Exec quoting rules (\" \` \$)
        }
    }
    return out;
}

// Reads key=value pairs of one group of an INI-like file (desktop entries and
// internet shortcuts), the group compared without regard to case.
QList<QPair<QString, QString>> readGroup(const QString &fileName, const QString &group, bool *found)
{
    QList<QPair<QString, QString>> pairs;
    *found = false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return pairs;
    const QString text = QString::fromUtf8(file.readAll());
    bool inGroup = false;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inGroup = line.mid(1, line.size() - 2).compare(group, Qt::CaseInsensitive) == 0;
            if (inGroup) {
                if (*found)
                    break; // only the first group of that name counts
                *found = true;
            }
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        pairs.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return pairs;
}

int codeForErrno(int error)
{
    switch (error) {
    case 0: return SE_SUCCESS;
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case EACCES:
    case EPERM:
    case ETXTBSY: return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case E2BIG:
    case EAGAIN: return SE_ERR_OOM;
    case ENOEXEC:
    case ELIBBAD: return SE_ERR_BADFORMAT;
    default: return 0;
    }
}

// Relative paths are taken from the given directory, else from the current one.
QString resolvePath(const QString &path, const QString &directory)
{
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    const QDir base(directory.isEmpty() ? QDir::currentPath() : directory);
    return QDir::cleanPath(base.absoluteFilePath(path));
}

} // namespace

QStringList splitCommandLine(const QString &commandLine)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine.at(i);
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < n && commandLine.at(i + 1) == u'"') {
                    current += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                current += c;
            }
            continue;
        }
        if (isBlank(c)) {
            if (inArgument) {
                args << current;
                current.clear();
                inArgument = false;
            }
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    return args;
}

QString unquoteShellFile(const QString &file)
{
    const QString trimmed = file.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(u'"') && trimmed.endsWith(u'"')) {
        QString inner = trimmed.mid(1, trimmed.size() - 2);
        inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        return inner;
    }
    return trimmed;
}

bool looksLikeUrl(const QString &text)
{
    // A scheme of two letters or more, so that "C:…" stays a path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]+:"));
    return scheme.match(text).hasMatch() || text.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}

std::optional<DesktopEntry> readDesktopEntry(const QString &fileName)
{
    bool found = false;
    const auto pairs = readGroup(fileName, QStringLiteral("Desktop Entry"), &found);
    if (!found)
        return std::nullopt;
    DesktopEntry entry;
    for (const auto &[key, value] : pairs) {
        // Keys are case-sensitive in desktop entries; localised keys (Name[fr]) are ignored.
        if (key == QLatin1String("Type"))
            entry.type = unescapeDesktopValue(value);
        else if (key == QLatin1String("Exec"))
            entry.exec = unescapeDesktopValue(value);
        else if (key == QLatin1String("Name"))
            entry.name = unescapeDesktopValue(value);
        else if (key == QLatin1String("Icon"))
            entry.icon = unescapeDesktopValue(value);
        else if (key == QLatin1String("URL"))
            entry.url = unescapeDesktopValue(value);
        else if (key == QLatin1String("Path"))
            entry.path = unescapeDesktopValue(value);
        else if (key == QLatin1String("Terminal"))
            entry.terminal = value == QLatin1String("true");
    }
    return entry;
}

std::optional<QStringList> expandDesktopExec(const QString &exec, const QStringList &files,
                                             const QString &name, const QString &icon,
                                             const QString &location)
{
    QStringList out;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    bool filesUsed = false;
    const qsizetype n = exec.size();

    // A field code inside a word: substituted as text, never parsed again.
    auto substitute = [&](QChar code) {
        switch (code.unicode()) {
        case 'f':
        case 'u': current += files.value(0); filesUsed = true; break;
        case 'F':
        case 'U': current += files.join(u' '); filesUsed = true; break;
        case 'i': current += icon; break;
        case 'c': current += name; break;
        case 'k': current += location; break;
        case '%': current += u'%'; break;
        default: break; // deprecated or unknown codes vanish
        }
    };

    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < n) {
                current += exec.at(++i);
            } else if (c == u'%' && i + 1 < n) {
                substitute(exec.at(++i));
            } else {
                current += c;
            }
            continue;
        }
        if (isBlank(c) || c == u'\n') {
            if (inArgument) {
                out << current;
                current.clear();
                inArgument = false;
            }
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else if (c == u'\\' && i + 1 < n) {
            current += exec.at(++i);
            inArgument = true;
        } else if (c == u'%' && i + 1 < n) {
            const QChar code = exec.at(i + 1);
            const bool alone = !inArgument && (i + 2 == n || isBlank(exec.at(i + 2)) || exec.at(i + 2) == u'\n');
            ++i;
            if (alone && QStringView(u"fFuU").contains(code)) {
                out << files; // one argument per file, or none
                filesUsed = true;
            } else if (alone && code == u'i') {
                if (!icon.isEmpty())
                    out << QStringLiteral("--icon") << icon;
            } else if (alone && !QStringView(u"ck%").contains(code)) {
                // a deprecated code standing alone leaves no empty argument behind
            } else {
                substitute(code);
                inArgument = true;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArgument)
        out << current;
    if (out.isEmpty() || out.first().isEmpty())
        return std::nullopt;
    if (!filesUsed)
        out << files;
    return out;
}

QStringList terminalCommand()
{
    const QString system = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (!system.isEmpty())
        return {system, QStringLiteral("-e")};
    QStringList chosen = splitCommandLine(qEnvironmentVariable("TERMINAL"));
    if (!chosen.isEmpty()) {
        const QString program = chosen.first().contains(u'/') ? chosen.first()
                                                               : QStandardPaths::findExecutable(chosen.first());
        if (!program.isEmpty() && QFileInfo(program).isExecutable()) {
            chosen.first() = program;
            return chosen << QStringLiteral("-e");
        }
    }
    const QString xterm = QStandardPaths::findExecutable(QStringLiteral("xterm"));
    if (!xterm.isEmpty())
        return {xterm, QStringLiteral("-e")};
    return {};
}

QString readInternetShortcutUrl(const QString &fileName)
{
    bool found = false;
    const auto pairs = readGroup(fileName, QStringLiteral("InternetShortcut"), &found);
    for (const auto &[key, value] : pairs)
        if (key.compare(QLatin1String("URL"), Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

int spawnDetached(const QString &program, const QStringList &arguments, const QString &directory, qint64 *pid)
{
    if (pid)
        *pid = 0;
    QString executable = program;
    if (!program.contains(u'/')) {
        executable = QStandardPaths::findExecutable(program);
        if (executable.isEmpty())
            return ENOENT;
    }

    // Everything the children need is prepared here: between fork and exec
    // only async-signal-safe calls are made.
    const QByteArray path = QFile::encodeName(executable);
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(path);
    for (const QString &arg : arguments)
        storage.push_back(arg.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(directory);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return errno;
    // The middle child tells the program's id on a pipe of its own, so that
    // it never mixes with the program's report of a failed exec.
    int idPipe[2];
    if (pipe2(idPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return error;
    }

    const pid_t middle = fork();
    if (middle < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        close(idPipe[0]);
        close(idPipe[1]);
        return error;
    }
    if (middle == 0) {
        // The middle child only forks again and leaves: the program becomes an
        // orphan adopted by init, which reaps it, so this process never has to.
        close(report[0]);
        close(idPipe[0]);
        const pid_t child = fork();
        if (child != 0) {
            if (child < 0) {
                const int error = errno;
                (void)!write(report[1], &error, sizeof error);
            } else {
                (void)!write(idPipe[1], &child, sizeof child);
            }
            _exit(0);
        }
        close(idPipe[1]);
        setsid();
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        for (int s = 1; s < NSIG; ++s)
            if (s != SIGKILL && s != SIGSTOP)
                sigaction(s, &dfl, nullptr);
#ifdef SYS_close_range
        // Descriptors this process left inheritable (X connection, locks) stay here.
        syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
        if (!dir.isEmpty() && chdir(dir.constData()) != 0) {
            const int error = errno == ENOENT ? ENOTDIR : errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        execv(argv[0], argv.data());
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }

    close(report[1]);
    close(idPipe[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    pid_t child = 0;
    ssize_t gotId;
    do {
        gotId = read(idPipe[0], &child, sizeof child);
    } while (gotId < 0 && errno == EINTR);
    close(idPipe[0]);
    // End of file without a number: exec succeeded (the pipe closed on exec).
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return error;
    if (pid && gotId == static_cast<ssize_t>(sizeof child))
        *pid = child;
    return 0;
}

int LinuxShell::execute(const QString &verb, const QString &file, const QString &parameters,
                        const QString &directory)
{
    m_lastStarted = 0;
    const QString v = verb.trimmed().toUpper();
    // Elevation is not requested on Linux: "RUNAS" starts as the user, like "OPEN".
    if (v.isEmpty() || v == QLatin1String("OPEN") || v == QLatin1String("RUNAS"))
        return open(file, parameters, directory);
    if (v == QLatin1String("EXPLORE"))
        return explore(file);
    return SE_ERR_NOASSOC;
}

int LinuxShell::open(const QString &file, const QString &parameters, const QString &directory)
{
    const QString target = unquoteShellFile(file);
    if (target.isEmpty())
        return SE_ERR_FNF;
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return SE_ERR_PNF;

    const QString path = resolvePath(target, directory);
    const QFileInfo info(path);
    if (!info.exists()) {
        if (looksLikeUrl(target)) {
            const bool bare = target.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
            return openWithDefaultApplication(bare ? QStringLiteral("http://") + target : target);
        }
        if (!target.contains(u'/')) {
            // A bare program name, as the Windows shell finds notepad.exe.
            const QString found = QStandardPaths::findExecutable(target);
            if (!found.isEmpty())
                return runProgram(found, splitCommandLine(parameters), directory);
        }
        return QFileInfo(info.absolutePath()).isDir() ? SE_ERR_FNF : SE_ERR_PNF;
    }
    if (info.isDir())
        return openWithDefaultApplication(path);

    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("desktop"))
        return launchDesktopEntry(path, parameters);
    if (suffix == QLatin1String("url"))
        return launchInternetShortcut(path);
    if (info.isFile() && info.isExecutable()) {
        const int result = runProgram(path, splitCommandLine(parameters), directory);
        // A document that merely carries the execute bit (files on a FAT
        // stick do) opens with its application instead.
        if (result == SE_ERR_BADFORMAT)
            return openWithDefaultApplication(path);
        return result;
    }
    return openWithDefaultApplication(path);
}

int LinuxShell::explore(const QString &folder)
{
    const QString path = unquoteShellFile(folder);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return SE_ERR_PNF;
    return openWithDefaultApplication(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

int LinuxShell::openWithDefaultApplication(const QString &target)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return SE_ERR_NOASSOC;
    const int result = codeForErrno(spawnDetached(opener, {target}, QString(), &m_lastStarted));
    return result > 32 ? result : SE_ERR_NOASSOC;
}

int LinuxShell::launchDesktopEntry(const QString &fileName, const QString &parameters)
{
    const auto entry = readDesktopEntry(fileName);
    if (!entry)
        return SE_ERR_BADFORMAT;
    if (entry->type == QLatin1String("Link")) {
        if (entry->url.isEmpty())
            return SE_ERR_NOASSOC;
        return openWithDefaultApplication(entry->url);
    }
    if (!entry->type.isEmpty() && entry->type != QLatin1String("Application"))
        return SE_ERR_NOASSOC;
    auto command = expandDesktopExec(entry->exec, splitCommandLine(parameters), entry->name,
                                     entry->icon, fileName);
    if (!command)
        return SE_ERR_BADFORMAT;
    if (entry->terminal) {
        // htop, mc or a shell script: without a terminal it would run unseen.
        // A missing program is told as such, not by a terminal that opens
        // and closes at once.
        const QString &program = command->first();
        const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
        if (found.isEmpty() || !QFileInfo(found).isFile())
            return SE_ERR_FNF;
        const QStringList terminal = terminalCommand();
        if (terminal.isEmpty())
            return SE_ERR_NOASSOC;
        command->first() = found;
        *command = terminal + *command;
    }
    const QString program = command->takeFirst();
    return runProgram(program, *command, entry->path);
}

int LinuxShell::launchInternetShortcut(const QString &fileName)
{
    const QString url = readInternetShortcutUrl(fileName);
    if (url.isEmpty())
        return SE_ERR_NOASSOC;
    return openWithDefaultApplication(url);
}

int LinuxShell::runProgram(const QString &program, const QStringList &arguments, const QString &directory)
{
    return codeForErrno(spawnDetached(program, arguments, directory, &m_lastStarted));
}

} // namespace tarvik
