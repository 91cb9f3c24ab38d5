// A Wayland session: weston's headless compositor with Xwayland, the way a
// Wayland desktop runs this X11 program. A menu opens, its bar button opens
// a sub-menu, and closing the root closes the family. Weston's X window
// manager publishes no stacking list of the client windows, so the window
// services must find the menus by walking the window tree.
//
// Weston is started by the suite on a runtime folder of its own and stopped
// by it; every wait polls with a deadline.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>
#include <optional>

namespace {

using tarvik::testing::processRuns;
using tarvik::testing::readFile;
using tarvik::testing::toolInstalled;
using tarvik::testing::WindowId;
using tarvik::testing::writeFile;

// Sets environment variables while it lives and puts them back.
class ScopedEnvironment {
public:
    void set(const char *name, const QByteArray &value)
    {
        m_saved.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }

private:
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

// Weston headless with Xwayland; its X display becomes this process's.
class Weston {
public:
    bool start()
    {
        if (!toolInstalled(QStringLiteral("weston")) || !toolInstalled(QStringLiteral("Xwayland")))
            return false;
        if (!m_runtime.isValid() || !QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        const QString log = m_runtime.filePath(QStringLiteral("weston.log"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("weston"),
                        {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--xwayland"),
                         QStringLiteral("--socket=tarvik-wayland"), QStringLiteral("--width=1280"),
                         QStringLiteral("--height=1024"), QStringLiteral("--idle-time=0"),
                         QStringLiteral("--log=") + log});
        if (!m_process.waitForStarted(5000))
            return false;
        // Weston names the X display it listens on; Xwayland starts at the first client.
        static const QRegularExpression listening(QStringLiteral("xserver listening on display (:[0-9]+)"));
        QString display;
        tarvik::testing::waitUntil([&] {
            const auto match = listening.match(QString::fromUtf8(readFile(log)));
            if (match.hasMatch())
                display = match.captured(1);
            return !display.isEmpty() || m_process.state() == QProcess::NotRunning;
        }, 20000);
        if (display.isEmpty())
            return false;
        m_env.set("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        m_env.set("WAYLAND_DISPLAY", "tarvik-wayland");
        m_env.set("DISPLAY", display.toLatin1());
        m_env.set("XDG_SESSION_TYPE", "wayland");
        return true;
    }

    ~Weston()
    {
        if (m_process.state() != QProcess::NotRunning)
            tarvik::testing::stopProcess(m_process);
    }

    QString log() const { return QString::fromUtf8(readFile(m_runtime.filePath(QStringLiteral("weston.log")))); }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
    ScopedEnvironment m_env;
};

class WaylandDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    WaylandDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    static void SetUpTestSuite()
    {
        tarvik::testing::ensureCoreApplication();
        s_weston = std::make_unique<Weston>();
        s_westonStarted = s_weston->start();
        if (s_westonStarted)
            MenuDesktopTest::SetUpTestSuite();
    }
    static void TearDownTestSuite()
    {
        if (s_westonStarted)
            MenuDesktopTest::TearDownTestSuite();
        s_weston.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_westonStarted) << "weston with Xwayland did not start";
        MenuDesktopTest::SetUp();
    }

    bool rootHasProperty(const char *name)
    {
        Display *dpy = s_screen.display();
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        const Atom property = XInternAtom(dpy, name, False);
        XGetWindowProperty(dpy, DefaultRootWindow(dpy), property, 0, 1024, False, AnyPropertyType, &type, &format,
                           &items, &after, &data);
        if (data)
            XFree(data);
        return type != None;
    }

    static inline std::unique_ptr<Weston> s_weston;
    static inline bool s_westonStarted = false;
};

TEST_F(WaylandDesktop, MenuOpensASubMenuFromItsButtonAndTheRootClosesTheFamily)
{
    // Weston's own X window manager, which lists no client windows.
    ASSERT_TRUE(s_screen.hasWindowManager()) << s_weston->log().toStdString();
    EXPECT_FALSE(rootHasProperty("_NET_CLIENT_LIST_STACKING"));
    EXPECT_FALSE(rootHasProperty("_NET_CLIENT_LIST"));

    writeFile(path(QStringLiteral("RACINE.boutons.txt")), "Fermer\r\nCOMPTA\r\n");
    QProcess *root = start(QStringLiteral("RACINE"));
    const WindowId rootWindow = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(rootWindow, 0u) << "the menu did not open under Xwayland";
    ASSERT_TRUE(waitUntil([&] { return instanceLines() == QStringList{QString::number(rootWindow)}; }))
        << "the menu did not find its own window to register";

    // The first created button stands at the left of the bar, along the bottom.
    const QRect geometry = s_screen.rootGeometry(rootWindow);
    s_screen.sendClick(rootWindow, 30, geometry.height() - 14);
    const WindowId compta = waitWindow(QStringLiteral("COMPTA"));
    ASSERT_NE(compta, 0u) << "the sub-menu did not open";
    const qint64 pid = s_screen.pidOf(compta);
    adopt(pid);
    EXPECT_NE(pid, root->processId());
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 2; }));
    EXPECT_EQ(instanceLines(), (QStringList{QString::number(rootWindow), QString::number(compta)}));

    // A second click finds the open sub-menu among the windows and starts no
    // other copy. (Without a seat the compositor gives no window the focus, so
    // only the search can be seen here, not the window coming forward.)
    s_screen.sendClick(rootWindow, 30, geometry.height() - 14);
    EXPECT_FALSE(waitUntil([&] { return s_screen.windowsTitled(QStringLiteral("COMPTA")).size() > 1
                                        || instanceLines().size() > 2; }, 1500));

    s_screen.requestClose(rootWindow);
    ASSERT_TRUE(ended(root));
    EXPECT_EQ(root->exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return !processRuns(pid); })) << "the sub-menu was not closed by its root";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("COMPTA.MENU.INI")))) << "the sub-menu saved as it closed";
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("RACINE.MENU.INI"))));
}

} // namespace
