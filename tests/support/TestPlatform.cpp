#include "TestPlatform.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarvik::testing {

TestPlatform::TestPlatform() { m_previous = setPlatform(this); }
TestPlatform::~TestPlatform() { setPlatform(m_previous); }

void TestPlatform::record(const QString &name, const QStringList &args) { calls.push_back({name, args}); }

std::vector<PlatformCall> TestPlatform::callsNamed(const QString &name) const
{
    std::vector<PlatformCall> out;
    for (const auto &c : calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}

QStringList TestPlatform::callNames() const
{
    QStringList out;
    for (const auto &c : calls)
        out << c.name;
    return out;
}

QString TestPlatform::executablePath() { return exePath; }

QString TestPlatform::applicationDirectory()
{
    return appDir.isEmpty() ? Platform::applicationDirectory() : appDir;
}

int TestPlatform::shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                               const QString &parameters, const QString &directory, int showCommand)
{
    record(QStringLiteral("ShellExecute"), {QString::number(owner), verb, file, parameters, directory,
                                            QString::number(showCommand)});
    return shellResult;
}

std::optional<ProcessInfo> TestPlatform::processInfo(qint64 pid)
{
    const auto it = processes.constFind(pid);
    if (it == processes.cend())
        return std::nullopt;
    return *it;
}

bool TestPlatform::sessionRuns(qint64 session)
{
    for (const ProcessInfo &info : std::as_const(processes))
        if (info.session == session)
            return true;
    return false;
}

QList<WindowHandle> TestPlatform::topLevelWindows()
{
    QList<WindowHandle> out;
    for (const auto &w : windows)
        out << w.first;
    return out;
}

QString TestPlatform::windowTitle(WindowHandle window)
{
    for (const auto &w : windows)
        if (w.first == window)
            return w.second;
    return QString();
}

bool TestPlatform::bringToFront(WindowHandle window)
{
    record(QStringLiteral("BringToFront"), {QString::number(window)});
    return true;
}

bool TestPlatform::postCloseRequest(WindowHandle window)
{
    record(QStringLiteral("PostClose"), {QString::number(window)});
    return true;
}

bool TestPlatform::isWindowOfThisProgram(WindowHandle window) { return programWindows.contains(window); }

WindowHandle TestPlatform::activeWindow() { return active; }

void TestPlatform::sleep(int milliseconds) { record(QStringLiteral("Sleep"), {QString::number(milliseconds)}); }

QString TestPlatform::homeDir() { return home; }
QString TestPlatform::desktopDir() { return desktop; }
QString TestPlatform::documentsDir() { return documents; }
QString TestPlatform::systemDir() { return system; }

QVariant TestPlatform::registryValue(const QString &rootKey, const QString &key, const QString &valueName)
{
    record(QStringLiteral("Registry"), {rootKey, key, valueName});
    if (!registry.contains(valueName))
        throw Error(QStringLiteral("La clé de registre ne peut pas être lue."));
    return registry.value(valueName);
}

bool TestPlatform::copyFile(const QString &source, const QString &target, bool failIfExists)
{
    record(QStringLiteral("CopyFile"), {source, target, failIfExists ? QStringLiteral("1") : QStringLiteral("0")});
    if (!fileOperationsReal)
        return true;
    if (QFileInfo::exists(target)) {
        if (failIfExists)
            return false;
        QFile::remove(target);
    }
    return QFile::copy(source, target);
}

bool TestPlatform::moveFile(const QString &source, const QString &target)
{
    record(QStringLiteral("MoveFile"), {source, target});
    if (!fileOperationsReal)
        return true;
    if (QFileInfo::exists(target))
        return false;
    return QDir().rename(source, target);
}

bool TestPlatform::moveToTrash(const QString &path)
{
    record(QStringLiteral("MoveToTrash"), {path});
    if (!fileOperationsReal)
        return true;
    return QFile::remove(path);
}

QRect TestPlatform::workArea() { return area; }

std::optional<QMargins> TestPlatform::frameExtents(WindowHandle, int) { return frame; }

// Offscreen windows have no place of their own on a display: the widget's is the truth.
std::optional<QRect> TestPlatform::clientGeometry(WindowHandle) { return std::nullopt; }

int TestPlatform::registerCopy()
{
    record(QStringLiteral("RegisterCopy"));
    copies << ownPid;
    return int(copies.size()) - 1;
}

void TestPlatform::unregisterCopy()
{
    record(QStringLiteral("UnregisterCopy"));
    copies.removeAll(ownPid);
}

QList<qint64> TestPlatform::registeredCopies() { return copies; }

bool TestPlatform::bringProcessToFront(qint64 pid)
{
    record(QStringLiteral("BringProcessToFront"), {QString::number(pid)});
    return true;
}

} // namespace tarvik::testing
