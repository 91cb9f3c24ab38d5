// Registration among the running menus, closing the family, the panic exit.
//
// MENUS.instances.ini is shared by every menu started from the application
// directory: one line per registered window id, the root's first. Menus of a
// family often start within the same second, so every read-modify-write of
// the file happens under an exclusive flock.
#include "ui/Unit1.h"

#include "platform/Errors.h"
#include "platform/FileLock.h"

#include <QFile>

#include <cstdlib>

namespace tarvik {

namespace {

// An exclusive lock on the instance file, held for the life of the object.
// With create, a missing file is created empty (and locked); without it, a
// missing file leaves the object without lock (exists() false).
class InstanceFileLock {
public:
    InstanceFileLock(const QString &path, bool create)
        : m_lock(path, FileLock::Mode::Exclusive, {.create = create})
    {
        switch (m_lock.status()) {
        case FileLock::Status::Locked:
        case FileLock::Status::Missing:
            return;
        case FileLock::Status::OpenFailed:
            throw FileError(QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2").arg(path, m_lock.errorText()));
        case FileLock::Status::LockFailed:
            throw FileError(
                QStringLiteral("Impossible de verrouiller le fichier \"%1\". %2").arg(path, m_lock.errorText()));
        case FileLock::Status::KeptMoving:
            break;
        }
        throw FileError(QStringLiteral("Impossible de verrouiller le fichier \"%1\".").arg(path));
    }

    bool exists() const { return m_lock.locked(); }

private:
    FileLock m_lock;
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
