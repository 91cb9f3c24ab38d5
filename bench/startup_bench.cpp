// Start-up cost of a menu against an empty Qt window, under an X server.
//
// For each program, at least ten runs in one go: the time from exec to the
// first window mapped on the display, and the resident memory once it is up.
// (a) an empty QWidget shown by this very program (started again with
// --empty-window); (b) tarvik on a menu of 1,000 entries whose commands file
// has 1,000 sections; and, for scale, (c) a window holding a label and a
// button (--text-window), which pays the font database an empty window never
// loads. Prints the medians, the ratios and the memory.
//
//   xvfb-run -a dbus-run-session -- build/startup_bench [runs]
// (a session bus as on a desktop: without one, Qt's accessibility bridge
// spends several milliseconds failing to reach it)
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Run {
    double ms = -1;
    long rssKiB = -1;
};

// Starts argv in dir and waits for the first top-level window it maps.
Run timeOne(Display *dpy, const std::vector<std::string> &args, const fs::path &dir)
{
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, True); // drop anything pending

    std::vector<char *> argv;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    pid_t pid = 0;
    const auto start = Clock::now();
    const int rc = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    fs::current_path(previous);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return {};
    }

    Run run;
    const auto deadline = start + std::chrono::seconds(20);
    while (Clock::now() < deadline && run.ms < 0) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == MapNotify && !ev.xmap.override_redirect) {
                run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        if (run.ms < 0)
            usleep(200);
    }
    usleep(300 * 1000); // let it settle before reading its memory
    run.rssKiB = residentKiB(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

void writeMenu(const fs::path &dir)
{
    std::ofstream items(dir / "BENCH.items.txt", std::ios::binary);
    std::ofstream checks(dir / "BENCH.items.checked.txt", std::ios::binary);
    std::ofstream commands(dir / "BENCH.items.commands.ini", std::ios::binary);
    for (int i = 0; i < 1000; ++i) {
        const std::string entry = "/opt/programmes/outil" + std::to_string(i) + (i % 3 ? ".exe" : ".pdf");
        items << entry << "\r\n";
        checks << (i % 7 ? "0" : "-1") << "\r\n";
        commands << (i ? "\r\n" : "") << "[" << entry << "]\r\nSENDKEYS=\r\nARGUMENTS=/AUTO " << i << "\r\nPW=\r\n";
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--empty-window") {
        QApplication app(argc, argv);
        QWidget w;
        w.resize(444, 270);
        w.show();
        return app.exec();
    }
    if (argc > 1 && std::string(argv[1]) == "--text-window") {
        // The least a window with text costs: the font database is loaded.
        QApplication app(argc, argv);
        QWidget w;
        auto *layout = new QVBoxLayout(&w);
        layout->addWidget(new QLabel(QStringLiteral("Déposez un fichier pour ajouter un programme")));
        layout->addWidget(new QPushButton(QStringLiteral("Fermer")));
        w.resize(444, 270);
        w.show();
        return app.exec();
    }
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10;
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "startup_bench: no X display (run it under xvfb-run)\n");
        return 1;
    }
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path dir = fs::temp_directory_path() / ("tarvik-startup-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy_file(TARVIK_EXE, dir / "tarvik", fs::copy_options::overwrite_existing);
    writeMenu(dir);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    std::vector<double> emptyMs, textMs, menuMs;
    long emptyRss = 0, textRss = 0, menuRss = 0;
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so a slow moment of the machine weighs on both.
        const Run e = timeOne(dpy, {self.string(), "--empty-window"}, dir);
        const Run t = timeOne(dpy, {self.string(), "--text-window"}, dir);
        const Run m = timeOne(dpy, {(dir / "tarvik").string(), "BENCH"}, dir);
        if (t.ms >= 0)
            textMs.push_back(t.ms), textRss = std::max(textRss, t.rssKiB);
        if (e.ms >= 0)
            emptyMs.push_back(e.ms), emptyRss = std::max(emptyRss, e.rssKiB);
        if (m.ms >= 0)
            menuMs.push_back(m.ms), menuRss = std::max(menuRss, m.rssKiB);
    }
    fs::remove_all(dir);
    XCloseDisplay(dpy);
    if (emptyMs.empty() || menuMs.empty()) {
        std::fprintf(stderr, "startup_bench: a program never mapped a window\n");
        return 1;
    }
    const double a = median(emptyMs), b = median(menuMs), c = median(textMs);
    std::printf("runs: %zu + %zu + %zu\n", emptyMs.size(), textMs.size(), menuMs.size());
    std::printf("empty Qt window: median %.1f ms to first map, resident %ld KiB\n", a, emptyRss);
    std::printf("Qt window with a label and a button: median %.1f ms to first map, resident %ld KiB\n", c, textRss);
    std::printf("tarvik, 1,000 entries + 1,000 sections: median %.1f ms to first map, resident %ld KiB\n", b, menuRss);
    std::printf("ratio to the empty window: %.3f\n", b / a);
    std::printf("ratio to the window with text: %.3f\n", b / c);
    return 0;
}
