// Files dragged from another X client onto a running menu, through the real
// XDND protocol: the drag source is this test program started again in a
// helper mode (a Qt window that runs QDrag while XTest moves the pointer),
// the target is the built program with its real dialogs, files and trash.
// Needs an X display with XTEST (the test run provides Xvfb).

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// ---- helper mode: the drag source ---------------------------------------------

constexpr char kHelperVariable[] = "TARVIK_DRAG_SOURCE"; // "x,y" of the drop point on the root window
constexpr char kFilesVariable[] = "TARVIK_DRAG_FILES";   // paths, one a line

class DragSource : public QWidget {
public:
    DragSource(QList<QUrl> urls, QPoint target) : m_urls(std::move(urls)), m_target(target) {}
    int result = 3;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        m_from = event->globalPosition().toPoint();
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        QTimer::singleShot(100, this, [this] { step(1); });
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("%s\n", action == Qt::CopyAction ? "copy"
                            : action == Qt::LinkAction ? "link"
                            : action == Qt::MoveAction ? "move"
                                                       : "ignore");
        std::fflush(stdout);
        result = action == Qt::IgnoreAction ? 2 : 0;
        // The drop only told the target where the data is: it reads the
        // paths from this client afterwards, as from a file manager that
        // stays open.
        QTimer::singleShot(3000, this, [this] { QCoreApplication::exit(result); });
    }

private:
    // The pointer travels to the target in small steps, as a hand would, then lets go.
    void step(int i)
    {
        constexpr int steps = 25;
        Display *dpy = XOpenDisplay(nullptr);
        const QPoint p = m_from + (m_target - m_from) * i / steps;
        XTestFakeMotionEvent(dpy, -1, p.x(), p.y(), CurrentTime);
        if (i == steps + 3)
            XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
        XSync(dpy, False);
        XCloseDisplay(dpy);
        if (i < steps + 3)
            QTimer::singleShot(30, this, [this, i] { step(i + 1); });
    }

    QList<QUrl> m_urls;
    QPoint m_target, m_from;
};

int runDragSource()
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int argc = 1;
    static char name[] = "drag-source";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QStringList xy = qEnvironmentVariable(kHelperVariable).split(u',');
    QList<QUrl> urls;
    for (const QString &p : qEnvironmentVariable(kFilesVariable).split(u'\n', Qt::SkipEmptyParts))
        urls << QUrl::fromLocalFile(p);
    DragSource source(urls, QPoint(xy.value(0).toInt(), xy.value(1).toInt()));
    source.setWindowTitle(QStringLiteral("source du glisser"));
    source.setGeometry(760, 640, 160, 120);
    source.show();
    QTimer::singleShot(0, &source, [&source] {
        QElapsedTimer t;
        t.start();
        while (!(source.windowHandle() && source.windowHandle()->isExposed()) && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // A real button press on the source window starts the drag.
        Display *dpy = XOpenDisplay(nullptr);
        XTestFakeMotionEvent(dpy, -1, 840, 700, CurrentTime);
        XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
        XSync(dpy, False);
        XCloseDisplay(dpy);
    });
    QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(4); });
    return app.exec();
}

// The test program becomes the drag source before GoogleTest starts when
// started with the helper variable.
const bool kHelperMode = [] {
    if (std::getenv(kHelperVariable)) {
        const int rc = runDragSource();
        std::fflush(stdout);
        std::_Exit(rc);
    }
    return false;
}();

// ---- the test ------------------------------------------------------------------

using tarvik::testing::waitUntil;
using tarvik::testing::WindowId;
using tarvik::testing::writeFile;

// Whether window lies inside ancestor (a toolkit may focus a child of its dialog).
bool isDescendant(Display *dpy, Window window, Window ancestor)
{
    for (int depth = 0; window > PointerRoot && depth < 32; ++depth) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, window, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == ancestor)
            return true;
        if (parent == root)
            return false;
        window = parent;
    }
    return false;
}

class DropDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "desktop tests need an X display";
        // Before any process starts: QProcess reports an end through the event loop.
        tarvik::testing::ensureCoreApplication();
        ASSERT_TRUE(m_app.isValid());
        ASSERT_TRUE(m_screen.open());
        for (const char *d : {"app", "run", "home/Bureau", "home/Documents", "home/ailleurs/dossier", "home/.config",
                              "home/.local/share"})
            ASSERT_TRUE(QDir().mkpath(at(d)));
        QFile::setPermissions(at("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(at("home/.config/user-dirs.dirs"),
                  "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
        // The program keeps its files beside itself: it runs from its own folder.
        ASSERT_TRUE(m_app.install(QStringLiteral(TARVIK_EXE), QStringLiteral("app/tarvik")));
    }

    void TearDown() override
    {
        tarvik::testing::killProcess(m_menu, 5000);
        m_screen.close();
    }

    QString at(const QString &relative) const { return m_app.path(relative); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", at("home"));
        env.insert("XDG_CONFIG_HOME", at("home/.config"));
        env.insert("XDG_DATA_HOME", at("home/.local/share"));
        env.insert("XDG_RUNTIME_DIR", at("run"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove(kHelperVariable);
        return env;
    }

    static QByteArray contentOf(const QString &p) { return tarvik::testing::readFile(p, "<absent>"); }

    QString describeWindows()
    {
        QStringList out;
        for (const auto &w : m_screen.windowsOf(m_menu.processId()))
            out << QStringLiteral("%1 \"%2\"").arg(w.first).arg(w.second);
        return out.join(u',');
    }

    WindowId waitForWindow(qint64 pid, const QString &title)
    {
        WindowId found = 0;
        waitUntil([&] {
            for (const auto &w : m_screen.windowsOf(pid))
                if (w.second == title) {
                    found = w.first;
                    return true;
                }
            return false;
        }, 10000, 20);
        return found;
    }

    // Drags the paths from a separate client and drops them at the point;
    // returns the drop action the source was told ("copy", "ignore"…).
    QString dragAndDrop(const QStringList &paths, QPoint where)
    {
        QProcess source;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kHelperVariable, QStringLiteral("%1,%2").arg(where.x()).arg(where.y()));
        env.insert(kFilesVariable, paths.join(u'\n'));
        source.setProcessEnvironment(env);
        source.start(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
        if (!source.waitForFinished(30000)) {
            source.kill();
            source.waitForFinished();
            return QStringLiteral("timeout");
        }
        return QString::fromUtf8(source.readAllStandardOutput()).trimmed();
    }

    void pressReturnIn(WindowId w)
    {
        Display *dpy = m_screen.display();
        XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
        XSync(dpy, False);
        // The key goes where the focus is when the server handles it: wait
        // until the question (or a child of it) holds the focus.
        EXPECT_TRUE(waitUntil([&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(dpy, &focus, &revert);
            return focus == w || isDescendant(dpy, focus, w);
        })) << "the question never got the keyboard focus";
        const KeyCode code = XKeysymToKeycode(dpy, XK_Return);
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
        XTestFakeKeyEvent(dpy, code, False, CurrentTime);
        XSync(dpy, False);
    }

    tarvik::testing::AppDirectory m_app;
    tarvik::testing::Screen m_screen;
    QProcess m_menu;
};

TEST_F(DropDesktop, FilesDraggedFromAnotherClientBecomeEntries)
{
    const QString onDesktop = at("home/Bureau/rapport.pdf");
    const QString program = at("home/ailleurs/outil.exe");
    const QString folder = at("home/ailleurs/dossier");
    writeFile(onDesktop, "le rapport");
    writeFile(program, "un programme");

    m_menu.setProcessEnvironment(environment());
    m_menu.start(at("app/tarvik"), {QStringLiteral("deposer")});
    ASSERT_TRUE(m_menu.waitForStarted(10000));
    const WindowId menuWindow = waitForWindow(m_menu.processId(), QStringLiteral("DEPOSER"));
    ASSERT_NE(menuWindow, 0u) << "the menu window never appeared";
    const QRect geometry = m_screen.rootGeometry(menuWindow);

    // First a file of the desktop dropped on the grid: the move is offered and
    // Enter accepts it.
    EXPECT_EQ(dragAndDrop({onDesktop}, geometry.topLeft() + QPoint(geometry.width() / 2, geometry.height() / 3)),
              "copy");
    const WindowId question = waitForWindow(m_menu.processId(), QStringLiteral("Confirmation"));
    ASSERT_NE(question, 0u) << "no question about the move; windows: " << describeWindows().toStdString()
                            << "; menu said: " << m_menu.readAllStandardError().toStdString();
    pressReturnIn(question);
    const QString moved = at("home/Documents/TARVIK/PDF/rapport.pdf");
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(moved) && !QFileInfo::exists(onDesktop); }))
        << "the file did not move";
    EXPECT_EQ(contentOf(moved), "le rapport");
    EXPECT_EQ(contentOf(at("home/.local/share/Trash/files/rapport.pdf")), "le rapport");
    EXPECT_TRUE(QFileInfo::exists(at("home/.local/share/Trash/info/rapport.pdf.trashinfo")));

    // Then a program and a folder dropped together on the button bar: no question.
    EXPECT_EQ(dragAndDrop({program, folder}, geometry.topLeft() + QPoint(geometry.width() / 2, geometry.height() - 10)),
              "copy");
    EXPECT_EQ(contentOf(program), "un programme");

    // Closing the menu saves its list: the three entries, in the order dropped.
    // The close is handled after the drop, and a question left open would
    // keep the menu from ending: every window seen until it ends is its own.
    m_screen.requestClose(menuWindow);
    QStringList unexpected;
    const bool ended = waitUntil([&] {
        for (const auto &w : m_screen.windowsOf(m_menu.processId()))
            if (w.first != menuWindow && !unexpected.contains(w.second))
                unexpected << w.second;
        return m_menu.state() == QProcess::NotRunning;
    });
    EXPECT_TRUE(unexpected.isEmpty()) << "unexpected windows: " << unexpected.join(", ").toStdString();
    ASSERT_TRUE(ended) << "the menu did not close";
    EXPECT_EQ(contentOf(at("app/DEPOSER.items.txt")),
              (moved + "\r\n" + program + "\r\n" + folder + "\r\n").toUtf8());
    // Three unchecked lines, then the line the new window began with, which belongs to no entry.
    EXPECT_EQ(contentOf(at("app/DEPOSER.items.checked.txt")), QByteArray("0\r\n0\r\n0\r\n0\r\n"));
}

} // namespace
