#pragma once
// The Windows back-end of the Platform port: the shell, user and kernel
// services the program was written for, called directly. Paths cross the
// port with "/" separators, as Qt and the portable layers write them, and
// are turned native where a Windows service reads them.

#include "platform/Platform.h"
#include "platform/win32/Win32CopyRegistry.h"

#include <memory>

namespace tarvik::win32 {

class Win32Platform : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;

    QString executablePath() override;
    // The menus' folder lower-cased (letters a to z): Windows file names
    // ignore case, and every file name the menus build starts with it.
    QString applicationDirectory() override;
    int shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                     const QString &parameters, const QString &directory, int showCommand) override;
    qint64 lastStartedProcess() override;
    // Windows has no session per start: the started process's descendants
    // are found through their parents alone.
    std::optional<ProcessInfo> processInfo(qint64 pid) override;
    bool sessionRuns(qint64 session) override;

    QList<WindowHandle> topLevelWindows() override;
    QString windowTitle(WindowHandle window) override;
    bool bringToFront(WindowHandle window) override;
    bool postCloseRequest(WindowHandle window) override;
    bool isWindowOfThisProgram(WindowHandle window) override;
    WindowHandle activeWindow() override;
    qint64 windowProcess(WindowHandle window) override;
    bool isWaylandSession() override { return false; }
    // Windows knows a window's frame from its creation: nothing to wait for.
    std::optional<QMargins> frameExtents(WindowHandle window, int waitMs) override;
    std::optional<QRect> clientGeometry(WindowHandle window) override;

    void sleep(int milliseconds) override;

    QString homeDir() override;
    QString desktopDir() override;
    QString documentsDir() override;
    QString systemDir() override;
    QVariant registryValue(const QString &rootKey, const QString &key, const QString &valueName) override;

    bool copyFile(const QString &source, const QString &target, bool failIfExists) override;
    bool moveFile(const QString &source, const QString &target) override;
    bool moveToTrash(const QString &path) override;

    QRect workArea() override;

    int registerCopy() override;
    void unregisterCopy() override;
    QList<qint64> registeredCopies() override;
    bool bringProcessToFront(qint64 pid) override;

private:
    QString m_executable;
    QString m_menusFolder;
    qint64 m_lastStarted = 0;
    std::unique_ptr<CopyRegistry> m_copies;
};

// A path as Windows services want it: "\" separators. Web addresses and
// other URLs are left alone.
QString nativePath(const QString &path);

} // namespace tarvik::win32
