// Registration among the running menus, closing the family, the panic exit.
//
// MENUS.instances.ini is shared by every menu started from the application
// directory: one line per registered window id, the root's first. Menus of a
// family often start within the same second, so every read-modify-write of
// the file happens under an exclusive flock.
#include "ui/Unit1.h"

#include "platform/Errors.h"
#include "platform/SystemError.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

// An exclusive lock on the instance file, held for the life of the object.
// The file is replaced through a rename when written and removed by a root's
// close, so after waiting for the lock we check that the locked file is still
// the one the path names, and start again when it is not.
class InstanceFileLock {
public:
    // With create, a missing file is created empty (and locked); without it, a
    // missing file leaves the object without lock (exists() false).
    InstanceFileLock(const QString &path, bool create)
    {
        const QByteArray native = QFile::encodeName(path);
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
            if (fd < 0) {
                if (errno == ENOENT && !create)
                    return;
                throw FileError(QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2")
                                    .arg(path, systemErrorText(errno)));
            }
            int locked;
            do
                locked = ::flock(fd, LOCK_EX);
            while (locked != 0 && errno == EINTR);
            if (locked != 0) {
                const int error = errno;
                ::close(fd);
                throw FileError(QStringLiteral("Impossible de verrouiller le fichier \"%1\". %2")
                                    .arg(path, systemErrorText(error)));
            }
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) == 0 && ::stat(native.constData(), &named) == 0 && held.st_dev == named.st_dev
                && held.st_ino == named.st_ino) {
                m_fd = fd;
                return;
            }
            ::close(fd); // replaced or removed while we waited
        }
        throw FileError(QStringLiteral("Impossible de verrouiller le fichier \"%1\".").arg(path));
    }
    ~InstanceFileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InstanceFileLock(const InstanceFileLock &) = delete;
    InstanceFileLock &operator=(const InstanceFileLock &) = delete;

    bool exists() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// A line of the instance file as a window id; 0 for anything that is not a
// plain decimal number (a file edited by hand must not stop the close).
WindowHandle handleOfLine(const QString &line)
{
    const QString text = line.trimmed();
    if (text.isEmpty())
        return 0;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return 0;
    bool ok = false;
    const WindowHandle handle = text.toULongLong(&ok, 10);
    return ok ? handle : 0;
}

[[noreturn]] void exitAtOnce(int code) { std::_Exit(code); }

} // namespace

void (*TForm1::PanicExit)(int) = exitAtOnce;

void TForm1::Instances_Register()
{
    // The window's own id: a search by title could find another window whose
    // title merely contains this menu's name, and the root's close would then
    // never reach this menu.
    const WindowHandle own = ownHandle();

    InstanceFileLock lock(_Instances_INI, true);
    ListBox_INSTANCES = LineList();
    // The menu TARVIK always starts a new family: what an earlier one left is dropped.
    if (MenuName() != QLatin1String("TARVIK"))
        ListBox_INSTANCES.loadFromFile(_Instances_INI);
    ListBox_INSTANCES.lines << QString::number(own);
    ListBox_INSTANCES.saveToFile(_Instances_INI, Durability::Transient);
}

bool TForm1::FormClose()
{
    // A failed save ends here (the exception): the window stays open and a
    // root keeps its family.
    INI_SAVE();

    // A sub-menu leaves the instance file alone.
    if (ListBox_INSTANCES.lines.size() != 1)
        return true;

    const WindowHandle own = ownHandle();
    InstanceFileLock lock(_Instances_INI, false);
    // Without a file there is nothing to post or delete; removing the path
    // anyway could take the file a menu starting right now has just created.
    if (!lock.exists())
        return true;
    ListBox_INSTANCES.loadFromFile(_Instances_INI);
    const QStringList &lines = ListBox_INSTANCES.lines;
    for (qsizetype i = lines.size() - 1; i >= 1; --i) {
        const WindowHandle handle = handleOfLine(lines[i]);
        // Ids of menus that closed long ago may now belong to another program.
        if (handle == 0 || handle == own || !platform().isWindowOfThisProgram(handle))
            continue;
        platform().postCloseRequest(handle);
    }
    QFile::remove(_Instances_INI);
    return true;
}

void TForm1::PanicBouton1Click()
{
    // No lock here: the panic exit must work even when another menu hangs.
    QFile::remove(_Instances_INI);
    try {
        platform().unregisterCopy();
    } catch (const std::exception &) {
        // The registry forgets copies that no longer run anyway.
    }
    PanicExit(0);
}

} // namespace tarvik
