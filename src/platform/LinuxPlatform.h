#pragma once
// The Linux (X11) back-end of the Platform port.
//
// Create it in the program entry (before or after the QApplication) and
// install it with setPlatform(); its window services find the application's
// X connection at their first use, so the QApplication must exist by then and
// outlive the back-end's last window call.

#include "platform/CopyRegistry.h"
#include "platform/LinuxShell.h"
#include "platform/Platform.h"
#include "platform/X11Windows.h"

#include <memory>

namespace tarvik {

class LinuxPlatform : public Platform {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    QString executablePath() override;
    // The executable's folder when the user may write there (a portable
    // copy), else the user's data folder for the menus, decided once.
    QString applicationDirectory() override;
    int shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                     const QString &parameters, const QString &directory, int showCommand) override;
    qint64 lastStartedProcess() override;
    std::optional<ProcessInfo> processInfo(qint64 pid) override;
    bool sessionRuns(qint64 session) override;

    QList<WindowHandle> topLevelWindows() override;
    QString windowTitle(WindowHandle window) override;
    bool bringToFront(WindowHandle window) override;
    bool postCloseRequest(WindowHandle window) override;
    bool isWindowOfThisProgram(WindowHandle window) override;
    WindowHandle activeWindow() override;
    qint64 windowProcess(WindowHandle window) override;
    bool isWaylandSession() override;
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

    X11Windows &windows() { return m_windows; }

private:
    QString m_executable;
    QString m_menusFolder;
    LinuxShell m_shell;
    X11Windows m_windows;
    std::unique_ptr<CopyRegistry> m_copies;
};

} // namespace tarvik
