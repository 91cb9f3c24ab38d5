#include "platform/LinuxPlatform.h"

#include "platform/Errors.h"
#include "platform/LinuxFiles.h"
#include "platform/MenusFolder.h"
#include "platform/ProcessExecutable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include <chrono>
#include <thread>
#include <unistd.h>

namespace tarvik {

namespace {

// A user folder of the desktop, empty when it does not exist. xdg-user-dirs
// disables a folder by setting it to the home directory: such a "desktop"
// would make every file of the home count as lying on the desktop.
QString existingUserFolder(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return QString();
    if (QDir(path) == QDir(QDir::homePath()))
        return QString();
    return QDir::cleanPath(path);
}

QString normalisedKey(QString key)
{
    key.replace(u'/', u'\\');
    while (key.startsWith(u'\\'))
        key.remove(0, 1);
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key;
}

} // namespace

LinuxPlatform::LinuxPlatform()
{
    // Sub-menus start the file that now stands at the path, also when this
    // copy's executable was rebuilt while it runs.
    m_executable = ownExecutable();
    m_copies = std::make_unique<CopyRegistry>(m_executable);
}

LinuxPlatform::~LinuxPlatform() = default;

QString LinuxPlatform::executablePath() { return m_executable; }

QString LinuxPlatform::applicationDirectory()
{
    if (m_menusFolder.isEmpty())
        m_menusFolder = chooseMenusFolder(folderOf(m_executable));
    return m_menusFolder;
}

int LinuxPlatform::shellExecute(WindowHandle, const QString &verb, const QString &file,
                                const QString &parameters, const QString &directory, int)
{
    // The owner window and the show command have no meaning for a program
    // started on X11: its window manager places and shows it.
    return m_shell.execute(verb, file, parameters, directory);
}

qint64 LinuxPlatform::lastStartedProcess() { return m_shell.lastStarted(); }

std::optional<ProcessInfo> LinuxPlatform::processInfo(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    // "pid (name) state ppid pgrp session …": the name may hold blanks and
    // parentheses, so the fields are counted from its last ")".
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 4 || fields[0] == "Z" || fields[0] == "X")
        return std::nullopt;
    ProcessInfo info;
    info.parent = fields[1].toLongLong();
    info.session = fields[3].toLongLong();
    return info;
}

bool LinuxPlatform::sessionRuns(qint64 session)
{
    if (session <= 0)
        return false;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const auto info = processInfo(pid);
        if (info && info->session == session)
            return true;
    }
    return false;
}

QList<WindowHandle> LinuxPlatform::topLevelWindows() { return m_windows.topLevelWindows(); }
QString LinuxPlatform::windowTitle(WindowHandle window) { return m_windows.windowTitle(window); }
bool LinuxPlatform::bringToFront(WindowHandle window) { return m_windows.bringToFront(window); }
bool LinuxPlatform::postCloseRequest(WindowHandle window) { return m_windows.postCloseRequest(window); }

bool LinuxPlatform::isWindowOfThisProgram(WindowHandle window)
{
    return m_windows.isWindowOfExecutable(window, m_executable);
}

WindowHandle LinuxPlatform::activeWindow() { return m_windows.activeWindow(); }
qint64 LinuxPlatform::windowProcess(WindowHandle window) { return m_windows.windowPid(window); }

bool LinuxPlatform::isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qgetenv("XDG_SESSION_TYPE").compare("wayland", Qt::CaseInsensitive) == 0;
}

void LinuxPlatform::sleep(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

QString LinuxPlatform::homeDir() { return QDir::homePath(); }
QString LinuxPlatform::desktopDir() { return existingUserFolder(QStandardPaths::DesktopLocation); }
QString LinuxPlatform::documentsDir() { return existingUserFolder(QStandardPaths::DocumentsLocation); }
QString LinuxPlatform::systemDir() { return QStringLiteral("/usr/bin"); }

QVariant LinuxPlatform::registryValue(const QString &rootKey, const QString &key, const QString &valueName)
{
    // Linux has no registry: the one value the program reads is answered here.
    struct Value {
        const char *root;
        const char *key;
        const char *name;
        const char *data;
    };
    static const Value table[] = {
        {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "/opt"},
    };
    bool keyFound = false;
    for (const Value &v : table) {
        if (rootKey.compare(QLatin1String(v.root), Qt::CaseInsensitive) != 0
            || normalisedKey(key).compare(QLatin1String(v.key), Qt::CaseInsensitive) != 0)
            continue;
        keyFound = true;
        if (valueName.compare(QLatin1String(v.name), Qt::CaseInsensitive) == 0)
            return QVariant(QString::fromUtf8(v.data));
    }
    // The messages Windows gives for a key that cannot be opened and for a
    // value that cannot be read.
    if (!keyFound)
        throw Error(QStringLiteral("Le fichier spécifié est introuvable."));
    throw Error(QStringLiteral("La clé de registre ne peut pas être lue."));
}

bool LinuxPlatform::copyFile(const QString &source, const QString &target, bool failIfExists)
{
    return copyRegularFile(source, target, failIfExists);
}

bool LinuxPlatform::moveFile(const QString &source, const QString &target)
{
    return moveWithoutReplacing(source, target);
}

bool LinuxPlatform::moveToTrash(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    // Qt makes the Trash folder but not a missing data folder above it (a
    // fresh account may have no ~/.local/share yet).
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(path);
}

std::optional<QMargins> LinuxPlatform::frameExtents(WindowHandle window, int waitMs)
{
    return m_windows.frameExtents(window, waitMs);
}

std::optional<QRect> LinuxPlatform::clientGeometry(WindowHandle window) { return m_windows.clientGeometry(window); }

QRect LinuxPlatform::workArea()
{
    if (qGuiApp) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return screen->availableGeometry();
    }
    return QRect(0, 0, 1024, 768);
}

int LinuxPlatform::registerCopy()
{
    const int position = m_copies->registerProcess(getpid());
    // A registry that cannot be used (no runtime folder) must not keep the
    // program from starting: the copy then counts as the first.
    return position < 0 ? 0 : position;
}

void LinuxPlatform::unregisterCopy() { m_copies->unregisterProcess(getpid()); }

QList<qint64> LinuxPlatform::registeredCopies() { return m_copies->processes(); }

bool LinuxPlatform::bringProcessToFront(qint64 pid)
{
    const quint64 window = m_windows.mainWindowOfProcess(pid);
    return window != 0 && m_windows.bringToFront(window);
}

} // namespace tarvik
