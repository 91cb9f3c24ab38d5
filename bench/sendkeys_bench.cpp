// Types 1,000 characters with SendKeys through the X11 keyboard into a real
// X client window (a Qt text editor of this process) and reports characters
// per second and characters lost. Run it on an X display, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" ./sendkeys_bench

#include "lib/sndkey32.h"
#include "platform/X11Keyboard.h"

#include <benchmark/benchmark.h>

#include "DesktopSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <X11/Xlib.h>

namespace {

QPlainTextEdit *g_editor = nullptr;

void pump(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

bool focusEditor()
{
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return false;
    const bool focused = tarvik::testing::focusOnX(dpy, g_editor);
    XCloseDisplay(dpy);
    return focused;
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

void typeInto(benchmark::State &state, const char *name, const QString &text)
{
    tarvik::X11Keyboard keyboard;
    tarvik::Keyboard *previous = tarvik::setKeyboard(&keyboard);
    int lost = 0, extra = 0;
    double seconds = 0;
    for (auto _ : state) {
        g_editor->clear();
        pump(20);
        QElapsedTimer t;
        t.start();
        tarvik::SendKeys(text, true);
        // Until everything arrived, or nothing more came for a second.
        qsizetype lastSize = -1;
        QElapsedTimer idle;
        idle.start();
        while (g_editor->toPlainText() != text && idle.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const qsizetype size = g_editor->document()->characterCount();
            if (size != lastSize) {
                lastSize = size;
                idle.restart();
            }
        }
        const double elapsed = t.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        const auto [l, e] = lostAndExtra(text, g_editor->toPlainText());
        lost += l;
        extra += e;
    }
    tarvik::setKeyboard(previous);
    const double chars = static_cast<double>(text.size()) * static_cast<double>(state.iterations());
    state.counters["chars_per_second"] = chars / seconds;
    state.counters["chars_lost"] = lost;
    state.counters["chars_extra"] = extra;
    std::printf("%s: %lld x %lld characters, %.0f characters per second, %d lost, %d extra\n",
                name, static_cast<long long>(state.iterations()),
                static_cast<long long>(text.size()), chars / seconds, lost, extra);
}

void BM_SendKeysText(benchmark::State &state)
{
    typeInto(state, "ascii text", sampleText(QStringLiteral(
                        "The quick brown fox jumps over the lazy dog. 0123456789 ,;:!?-_=[]'\"/\\<>@#$&* ")));
}

// French text on the US layout of the server: every accented letter goes
// through a spare keycode remapped for it.
void BM_SendKeysAccented(benchmark::State &state)
{
    typeInto(state, "accented text", sampleText(QString::fromUtf8(
                        "\xc3\xa9l\xc3\xa8ve \xc3\xa0 No\xc3\xabl, \xc3\xa7" "a co\xc3\xbbte 5 \xe2\x82\xac. ")));
}

BENCHMARK(BM_SendKeysText)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendKeysAccented)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "sendkeys_bench needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QPlainTextEdit editor;
    g_editor = &editor;
    editor.resize(800, 600);
    editor.show();
    if (!focusEditor()) {
        std::fprintf(stderr, "sendkeys_bench: the editor window never got the keyboard focus\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
