// The built program on a real X display with a window manager: a menu of a
// few entries opens its context menu in three columns, and a restored
// position keeps the stored outer size once the frame is known.
//
// Set TARVIK_SCREENSHOT to a file name to keep a picture of the open menu
// (taken with ImageMagick's "import" when it is installed; never asserted).
#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QDir>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>


namespace {

using tarvik::testing::runTool;
using tarvik::testing::waitUntil;
using tarvik::testing::windowManagerRuns;

QRect geometryOf(const QString &window)
{
    // "Absolute upper-left X: 10" ... "Width: 444" ...
    const QString info = runTool("xwininfo", {"-id", window});
    const auto field = [&](const char *name) {
        const auto m = QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name))).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
}

bool isViewable(const QString &window) { return runTool("xwininfo", {"-id", window}).contains("IsViewable"); }

// The frame extents the window manager put around a client: left, right, top, bottom.
QList<int> frameExtents(const QString &window)
{
    const QString out = runTool("xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    QList<int> v;
    for (const auto &m : QRegularExpression(QStringLiteral("(\\d+)")).globalMatch(out.section('=', 1)))
        v << m.captured(1).toInt();
    return v;
}

class WindowDesktop : public ::testing::Test {
protected:
    // A light window manager for the whole suite, unless the display has one.
    static void SetUpTestSuite() { s_wm.startUnlessRunning(); }
    static void TearDownTestSuite() { s_wm.stop(); }

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        for (const char *tool : {"xdotool", "xwininfo", "xprop"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(app.isValid());
        ASSERT_TRUE(app.install(QStringLiteral(TARVIK_EXE)));
    }

    void TearDown() override { tarvik::testing::stopProcess(menu, 3000); }

    void write(const QString &name, const QByteArray &bytes) { tarvik::testing::writeFile(app.path(name), bytes); }

    // Starts the menu and returns its window id (empty when it never showed).
    QString startMenu(const QString &name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        menu.setProcessEnvironment(env);
        menu.setWorkingDirectory(app.path());
        menu.start(app.exe(), {name});
        if (!menu.waitForStarted())
            return QString();
        QString id;
        waitUntil([&] {
            id = runTool("xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"}).section('\n', 0, 0);
            return !id.isEmpty();
        });
        return id;
    }

    // Visible windows of the program (the menu, its popups).
    QStringList programWindows() { return tarvik::testing::visibleWindowsOf(menu.processId()); }

    tarvik::testing::AppDirectory app;
    QProcess menu;
    static inline tarvik::testing::WindowManager s_wm;
};

TEST_F(WindowDesktop, ContextMenuOpensInThreeColumns)
{
    QStringList entries;
    for (const char *n : {"Calculatrice.sh", "Compte rendu.pdf", "Notes.txt", "Agenda.url", "Tableur.desktop"}) {
        write(n, "x");
        entries << app.path(n);
    }
    QDir(app.path()).mkdir("Projets");
    entries << app.path("Projets");
    write("ECRAN.items.txt", (entries.join("\r\n") + "\r\n").toUtf8());
    write("ECRAN.items.checked.txt", "0\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n");

    const QString id = startMenu("ECRAN");
    ASSERT_FALSE(id.isEmpty()) << "the menu window never showed";
    runTool("xdotool", {"windowactivate", "--sync", id});
    const QStringList before = programWindows();

    // A right click on the grid, then look for the new popup window.
    runTool("xdotool", {"mousemove", "--window", id, "220", "60"});
    runTool("xdotool", {"click", "3"});
    QString popup;
    ASSERT_TRUE(waitUntil([&] {
        for (const QString &w : programWindows())
            if (!before.contains(w) && isViewable(w))
                popup = w;
        return !popup.isEmpty();
    })) << "no popup window was mapped";
    const QRect menuRect = geometryOf(popup);
    const QRect window = geometryOf(id);
    // Thirty-odd items in one column would stand taller than wide.
    EXPECT_GT(menuRect.width(), menuRect.height()) << "the items are not in three columns";
    EXPECT_GT(menuRect.width(), window.width());

    const QString shot = qEnvironmentVariable("TARVIK_SCREENSHOT");
    if (!shot.isEmpty() && !QStandardPaths::findExecutable("import").isEmpty()) {
        runTool("import", {"-window", "root", shot});
    }
    runTool("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return !isViewable(popup); }, 3000));
}

TEST_F(WindowDesktop, RestoredOuterSizeIsKeptOnceFramed)
{
    if (!waitUntil(windowManagerRuns, 5000))
        GTEST_SKIP() << "needs a window manager";
    write("ECRAN.MENU.INI", "[tarvik]\r\nForm1=120:90:520:330\r\n");
    const QString id = startMenu("ECRAN");
    ASSERT_FALSE(id.isEmpty());
    QList<int> frame;
    QRect client;
    // Once framed, client + frame is the stored outer size.
    EXPECT_TRUE(waitUntil([&] {
        frame = frameExtents(id);
        client = geometryOf(id);
        return frame.size() == 4 && client.width() + frame[0] + frame[1] == 520
            && client.height() + frame[2] + frame[3] == 330;
    }, 5000)) << "client " << client.width() << "x" << client.height() << ", frame "
              << (frame.size() == 4 ? QStringLiteral("%1 %2 %3 %4").arg(frame[0]).arg(frame[1]).arg(frame[2]).arg(frame[3])
                                    : QStringLiteral("unknown"))
                     .toStdString();
}

} // namespace
