// The built program on a real X display with a window manager: a menu of a
// few entries opens its context menu in three columns, and a restored
// position keeps the stored outer size once the frame is known.
//
// Set TARVIK_SCREENSHOT to a file name to keep a picture of the open menu
// (taken with ImageMagick's "import" when it is installed; never asserted).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace {

// Runs a small X tool and returns what it printed.
QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done())
            return true;
        QThread::msleep(50);
    }
    return done();
}

QRect geometryOf(const QString &window)
{
    // "Absolute upper-left X: 10" ... "Width: 444" ...
    const QString info = run("xwininfo", {"-id", window});
    const auto field = [&](const char *name) {
        const auto m = QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name))).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
}

bool isViewable(const QString &window) { return run("xwininfo", {"-id", window}).contains("IsViewable"); }

// The frame extents the window manager put around a client: left, right, top, bottom.
QList<int> frameExtents(const QString &window)
{
    const QString out = run("xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    QList<int> v;
    for (const auto &m : QRegularExpression(QStringLiteral("(\\d+)")).globalMatch(out.section('=', 1)))
        v << m.captured(1).toInt();
    return v;
}

// A window manager runs when the root names a check window that exists.
bool windowManagerRuns()
{
    const auto m = QRegularExpression(QStringLiteral("window id # (0x[0-9a-fA-F]+)"))
                       .match(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}));
    return m.hasMatch() && run("xwininfo", {"-id", m.captured(1)}).contains("Window id");
}

class WindowDesktop : public ::testing::Test {
protected:
    // A light window manager for the whole suite, unless the display has one.
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("openbox").isEmpty()
            || QStandardPaths::findExecutable("xprop").isEmpty() || windowManagerRuns())
            return;
        s_wm = new QProcess;
        s_wm->start("openbox", {"--sm-disable"});
        if (s_wm->waitForStarted())
            waitFor(windowManagerRuns);
        QThread::msleep(300);
    }

    static void TearDownTestSuite()
    {
        if (!s_wm)
            return;
        s_wm->terminate();
        if (!s_wm->waitForFinished(3000)) {
            s_wm->kill();
            s_wm->waitForFinished();
        }
        delete s_wm;
        s_wm = nullptr;
    }

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        for (const char *tool : {"xdotool", "xwininfo", "xprop"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(dir.isValid());
        exe = dir.filePath("tarvik");
        ASSERT_TRUE(QFile::copy(QStringLiteral(TARVIK_EXE), exe));
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    }

    void TearDown() override
    {
        for (QProcess *p : {&menu}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Starts the menu and returns its window id (empty when it never showed).
    QString startMenu(const QString &name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        menu.setProcessEnvironment(env);
        menu.setWorkingDirectory(dir.path());
        menu.start(exe, {name});
        if (!menu.waitForStarted())
            return QString();
        QString id;
        waitFor([&] {
            id = run("xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"}).section('\n', 0, 0);
            return !id.isEmpty();
        });
        return id;
    }

    // Visible windows of the program (the menu, its popups).
    QStringList programWindows()
    {
        return run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(menu.processId()), ""})
            .split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QString exe;
    QProcess menu;
    static inline QProcess *s_wm = nullptr;
};

TEST_F(WindowDesktop, ContextMenuOpensInThreeColumns)
{
    QStringList entries;
    for (const char *n : {"Calculatrice.sh", "Compte rendu.pdf", "Notes.txt", "Agenda.url", "Tableur.desktop"}) {
        write(n, "x");
        entries << dir.filePath(n);
    }
    QDir(dir.path()).mkdir("Projets");
    entries << dir.filePath("Projets");
    write("ECRAN.items.txt", (entries.join("\r\n") + "\r\n").toUtf8());
    write("ECRAN.items.checked.txt", "0\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n");

    const QString id = startMenu("ECRAN");
    ASSERT_FALSE(id.isEmpty()) << "the menu window never showed";
    run("xdotool", {"windowactivate", "--sync", id});
    QThread::msleep(300);
    const QStringList before = programWindows();

    // A right click on the grid, then look for the new popup window.
    run("xdotool", {"mousemove", "--window", id, "220", "60"});
    run("xdotool", {"click", "3"});
    QString popup;
    ASSERT_TRUE(waitFor([&] {
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
        QThread::msleep(300);
        run("import", {"-window", "root", shot});
    }
    run("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return !isViewable(popup); }, 3000));
}

TEST_F(WindowDesktop, RestoredOuterSizeIsKeptOnceFramed)
{
    if (!waitFor(windowManagerRuns, 5000))
        GTEST_SKIP() << "needs a window manager";
    write("ECRAN.MENU.INI", "[tarvik]\r\nForm1=120:90:520:330\r\n");
    const QString id = startMenu("ECRAN");
    ASSERT_FALSE(id.isEmpty());
    QList<int> frame;
    QRect client;
    // Once framed, client + frame is the stored outer size.
    EXPECT_TRUE(waitFor([&] {
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
