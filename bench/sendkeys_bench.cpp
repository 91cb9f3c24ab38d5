// Types 1,000 characters with SendKeys through the X11 keyboard into three
// real X clients, each a process of its own as a started program is: an
// xterm, a Qt text editor and a GTK 3 text view, on a US
// and a French AZERTY layout, and reports for each characters per second
// and characters lost, every key press checked against the client's window
// as a launch does. Run it on an X display, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" ./sendkeys_bench
// (the GTK window is built when GTK 3's headers are installed; xterm must be
// installed; setxkbmap switches the layouts).

#include "lib/sndkey32.h"
#include "platform/X11Keyboard.h"

#include <benchmark/benchmark.h>

#include "DesktopSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <X11/Xlib.h>

namespace {

using tarvik::testing::WindowId;

void pump(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

// Characters of the expected text that did not arrive (longest common
// subsequence), and characters that arrived without being asked for.
std::pair<int, int> lostAndExtra(const QString &expected, const QString &received)
{
    const int n = static_cast<int>(expected.size());
    const int m = static_cast<int>(received.size());
    std::vector<int> prev(m + 1, 0), cur(m + 1, 0);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j)
            cur[j] = expected[i - 1] == received[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], cur[j - 1]);
        std::swap(prev, cur);
    }
    const int common = prev[m];
    return {n - common, m - common};
}

// 1,000 characters cycled from a sample; none of them is a grammar sign.
QString sampleText(const QString &sample)
{
    QString text;
    while (text.size() < 1000)
        text += sample;
    text.truncate(1000);
    return text;
}

// The X focus on the window or inside it (an xterm focuses a child).
bool focusIsIn(Display *dpy, Window window)
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    for (int guard = 0; focus != 0 && guard < 32; ++guard) {
        if (focus == window)
            return true;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, focus, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root)
            return false;
        focus = parent;
    }
    return false;
}

bool giveFocus(Display *dpy, Window window)
{
    return tarvik::testing::waitUntil([&] {
        XRaiseWindow(dpy, window);
        XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
        XSync(dpy, False);
        return focusIsIn(dpy, window);
    }, 5000, 20);
}

// One client window and how to read what it holds.
struct Client {
    QString name;
    WindowId window = 0;
    std::function<QString()> holding;
};

class Desktop {
public:
    bool open()
    {
        if (!m_screen.open() || !m_dir.isValid())
            return false;
        startClient(QStringLiteral("qt"), QStringLiteral(TARVIK_QT_CLIENT));
        startXterm();
#ifdef TARVIK_GTK_CLIENT
        startClient(QStringLiteral("gtk3"), QStringLiteral(TARVIK_GTK_CLIENT));
#else
        std::fprintf(stderr, "sendkeys_bench: built without GTK 3, its figures are skipped\n");
#endif
        return true;
    }

    bool focus(const Client &c) { return giveFocus(m_screen.display(), c.window); }

    std::vector<Client> clients;

private:
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static QString readUtf8(const QString &path) { return QString::fromUtf8(tarvik::testing::readFile(path)); }

    // xterm names itself only in WM_NAME: xdotool finds either name.
    static WindowId waitWindow(const QString &title)
    {
        WindowId w = 0;
        tarvik::testing::waitUntil([&] {
            w = tarvik::testing::xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--name"), u'^' + title + u'$'})
                    .section(u'\n', 0, 0)
                    .toULong();
            return w != 0;
        }, 10000);
        return w;
    }

    void startXterm()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xterm")).isEmpty()) {
            std::fprintf(stderr, "sendkeys_bench: xterm is not installed, its figures are skipped\n");
            return;
        }
        // The terminal hands every key to cat at once (no line editing), in UTF-8.
        const QString out = file("xterm.txt");
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral("xterm"), {QStringLiteral("-u8"), QStringLiteral("-title"), QStringLiteral("banc-xterm"),
                                           QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                                           QStringLiteral("stty -icanon -echo; exec cat >> '") + out + u'\''});
        const WindowId w = waitWindow(QStringLiteral("banc-xterm"));
        if (w) {
            clients.push_back({QStringLiteral("xterm"), w, [out] { return readUtf8(out); }});
            m_processes.push_back(std::move(p));
        }
    }

    // A text window of another toolkit, in a process of its own as a started
    // program is, that keeps what it holds in a file.
    void startClient(const QString &name, const QString &program)
    {
        const QString out = m_dir.filePath(name + QStringLiteral(".txt"));
        const QString title = QStringLiteral("banc-") + name;
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program, {out, title});
        const WindowId w = waitWindow(title);
        if (w) {
            clients.push_back({name, w, [out] { return readUtf8(out); }});
            m_processes.push_back(std::move(p));
        }
    }

    tarvik::testing::Screen m_screen;
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

Desktop *g_desktop = nullptr;
QString g_originalLayout;

QString setxkbmap(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("setxkbmap"), args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QStringLiteral("#failed");
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool useLayout(const QString &layout)
{
    static QString current;
    if (current == layout)
        return true;
    if (setxkbmap({QStringLiteral("-layout"), layout}) == QLatin1String("#failed"))
        return false;
    current = layout;
    pump(300); // the clients read the new keymap
    return true;
}

void typeInto(benchmark::State &state, const QString &layout, int clientIndex, const QString &text)
{
    const Client &client = g_desktop->clients[clientIndex];
    if (!useLayout(layout)) {
        state.SkipWithError("setxkbmap failed");
        return;
    }
    tarvik::X11Keyboard keyboard;
    tarvik::Keyboard *previous = tarvik::setKeyboard(&keyboard);
    // As a launch types: every key press checked against the client's window.
    keyboard.setTargetWindow(client.window);
    int lost = 0, extra = 0;
    double seconds = 0;
    for (auto _ : state) {
        if (!g_desktop->focus(client)) {
            state.SkipWithError("the client never got the keyboard focus");
            break;
        }
        // A text window starts empty (select all, delete); what it still
        // holds from the runs before is counted out once it settled.
        if (client.name != QLatin1String("xterm"))
            tarvik::SendKeys(QStringLiteral("^a{DEL}"), true);
        QString before = client.holding();
        for (QElapsedTimer settle; settle.isValid() ? settle.elapsed() < 300 : (settle.start(), true);) {
            pump(20);
            const QString again = client.holding();
            if (again != before) {
                before = again;
                settle.restart();
            }
        }
        const QString expected = before + text;
        QElapsedTimer t;
        t.start();
        tarvik::SendKeys(text, true);
        // Until everything arrived, or nothing more came for a second.
        qsizetype lastSize = -1;
        QElapsedTimer idle;
        idle.start();
        QString now = client.holding();
        while (now != expected && idle.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            now = client.holding();
            if (now.size() != lastSize) {
                lastSize = now.size();
                idle.restart();
            }
        }
        const double elapsed = t.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        const auto [l, e] = lostAndExtra(text, now.mid(before.size()));
        lost += l;
        extra += e;
    }
    tarvik::setKeyboard(previous);
    if (seconds <= 0)
        return;
    const double chars = static_cast<double>(text.size()) * static_cast<double>(state.iterations());
    state.counters["chars_per_second"] = chars / seconds;
    state.counters["chars_lost"] = lost;
    state.counters["chars_extra"] = extra;
    std::printf("%s layout, %s, %s: %lld x %lld characters, %.0f characters per second, %d lost, %d extra\n",
                qPrintable(layout), qPrintable(client.name), text.at(0) == u'T' ? "ascii text" : "accented text",
                static_cast<long long>(state.iterations()), static_cast<long long>(text.size()), chars / seconds,
                lost, extra);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "sendkeys_bench needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    Desktop desktop;
    if (!desktop.open())
        return 1;
    g_desktop = &desktop;
    for (const QString &line : setxkbmap({QStringLiteral("-query")}).split(u'\n'))
        if (line.startsWith(QLatin1String("layout:")))
            g_originalLayout = line.section(u':', 1).trimmed();

    const QString ascii = sampleText(
        QStringLiteral("The quick brown fox jumps over the lazy dog. 0123456789 ,;:!?-_=[]'\"/\\<>@#$&* "));
    // French text: on a US layout every accented letter goes through a
    // spare keycode remapped for it; on AZERTY most are keys of their own.
    const QString accented = sampleText(QString::fromUtf8(
        "\xc3\xa9l\xc3\xa8ve \xc3\xa0 No\xc3\xabl, \xc3\xa7" "a co\xc3\xbbte 5 \xe2\x82\xac. "));
    for (const QString layout : {QStringLiteral("us"), QStringLiteral("fr")}) {
        for (int i = 0; i < int(desktop.clients.size()); ++i) {
            const QString client = desktop.clients[i].name;
            benchmark::RegisterBenchmark(qPrintable(QStringLiteral("SendKeys/%1/%2/ascii").arg(layout, client)),
                                         [=](benchmark::State &s) { typeInto(s, layout, i, ascii); })
                ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(qPrintable(QStringLiteral("SendKeys/%1/%2/accented").arg(layout, client)),
                                         [=](benchmark::State &s) { typeInto(s, layout, i, accented); })
                ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_originalLayout.isEmpty())
        setxkbmap({QStringLiteral("-layout"), g_originalLayout});
    return 0;
}
