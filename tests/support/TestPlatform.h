#pragma once
// Recording platform: every call is kept in order with its arguments; answers
// come from the public fields; it never sleeps. Installs itself for its lifetime.

#include "platform/Platform.h"

#include <QHash>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <vector>

namespace tarvik::testing {

struct PlatformCall {
    QString name;
    QStringList args;
};

class TestPlatform : public Platform {
public:
    TestPlatform();
    ~TestPlatform() override;

    // Scripted answers.
    QString exePath = QStringLiteral("/opt/tarvik/tarvik");
    QString appDir;                              // the menus' folder; empty: the executable's
    int shellResult = SE_SUCCESS;
    QList<QPair<WindowHandle, QString>> windows; // front to back
    QList<WindowHandle> programWindows;          // windows that belong to a copy of this program
    WindowHandle active = 0;
    QString home = QStringLiteral("/home/test");
    QString desktop = QStringLiteral("/home/test/Bureau");
    QString documents = QStringLiteral("/home/test/Documents");
    QString system = QStringLiteral("/usr/bin");
    QMap<QString, QVariant> registry;            // valueName -> value
    bool fileOperationsReal = true;              // copy/move/trash act on the real files
    QRect area = QRect(0, 0, 1920, 1040);
    std::optional<QMargins> frame; // the window manager's frame, unknown by default
    QList<qint64> copies;
    qint64 ownPid = 1000;
    qint64 startedPid = 0;                   // what the last start created
    QHash<qint64, ProcessInfo> processes;    // running processes
    QMap<WindowHandle, qint64> windowPids;   // _NET_WM_PID of windows
    bool wayland = false;

    std::vector<PlatformCall> calls;
    std::vector<PlatformCall> callsNamed(const QString &name) const;
    QStringList callNames() const;
    void clearCalls() { calls.clear(); }

    QString executablePath() override;
    QString applicationDirectory() override;
    int shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                     const QString &parameters, const QString &directory, int showCommand) override;
    qint64 lastStartedProcess() override { return startedPid; }
    std::optional<ProcessInfo> processInfo(qint64 pid) override;
    bool sessionRuns(qint64 session) override;
    QList<WindowHandle> topLevelWindows() override;
    QString windowTitle(WindowHandle window) override;
    bool bringToFront(WindowHandle window) override;
    bool postCloseRequest(WindowHandle window) override;
    bool isWindowOfThisProgram(WindowHandle window) override;
    WindowHandle activeWindow() override;
    qint64 windowProcess(WindowHandle window) override { return windowPids.value(window); }
    bool isWaylandSession() override { return wayland; }
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
    void record(const QString &name, const QStringList &args = {});
    Platform *m_previous = nullptr;
};

} // namespace tarvik::testing
