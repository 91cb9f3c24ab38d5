// Start-up cost of a menu against the fastest launcher people use and
// against plain Qt windows, under an X server.
//
// For each program, at least ten runs in one go: the time from exec to the
// first window mapped on the display, and the resident memory once it is up.
// (a) an empty QWidget shown by this very program (started again with
// --empty-window); (b) a window holding a label and a button
// (--text-window), which pays the font database an empty window never loads;
// (c) rofi -show run, when it is installed; (d) tarvik on a menu of 1,000
// entries whose commands file has 1,000 sections. Prints the medians, the
// ratios of each tarvik to rofi and to the window with text, and the memory.
//
//   xvfb-run -a dbus-run-session -- build/startup_bench [runs] [other-tarvik...]
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
#include <poll.h>
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

// Starts argv in dir and waits for the first top-level window it maps. rofi
// shows itself in an override-redirect window, which counts for it; a Qt
// program's first such window would be a helper, not what the user sees.
Run timeOne(Display *dpy, const std::vector<std::string> &args, const fs::path &dir, bool overrideRedirectCounts)
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
            if (ev.type == MapNotify && (overrideRedirectCounts || !ev.xmap.override_redirect)) {
                run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        if (run.ms < 0) {
            // Sleep on the connection rather than poll it: the benchmark must
            // not take the cores the program under test starts on.
            pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
            poll(&fd, 1, 50);
        }
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
    writeMenu(dir);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    struct Program {
        std::string label;
        std::vector<std::string> args;
        bool overrideRedirectCounts = false;
        std::vector<double> ms;
        long rssKiB = 0;
    };
    std::vector<Program> programs = {
        {"empty Qt window", {self.string(), "--empty-window"}},
        {"Qt window with a label and a button", {self.string(), "--text-window"}},
    };
    const bool withRofi = access("/usr/bin/rofi", X_OK) == 0;
    if (withRofi)
        programs.push_back({"rofi -show run", {"/usr/bin/rofi", "-show", "run"}, true});
    else
        std::fprintf(stderr, "startup_bench: rofi is not installed; timing without it\n");
    const std::size_t firstMenu = programs.size();
    // This build's tarvik, then any other builds named on the command line
    // (to compare two builds in one run: the machine's noise weighs on both).
    std::vector<std::string> menus = {TARVIK_EXE};
    for (int i = 2; i < argc; ++i)
        menus.push_back(fs::absolute(argv[i]).string());
    for (std::size_t i = 0; i < menus.size(); ++i) {
        const fs::path copy = dir / ("tarvik" + std::to_string(i));
        fs::copy_file(menus[i], copy, fs::copy_options::overwrite_existing);
        programs.push_back({"tarvik" + (i ? " (" + menus[i] + ")" : std::string()) + ", 1,000 entries + 1,000 sections",
                            {copy.string(), "BENCH"}});
    }

    for (int i = 0; i < runs; ++i) {
        // Interleaved, so a slow moment of the machine weighs on every program.
        for (Program &p : programs) {
            const Run r = timeOne(dpy, p.args, dir, p.overrideRedirectCounts);
            if (r.ms >= 0) {
                p.ms.push_back(r.ms);
                p.rssKiB = std::max(p.rssKiB, r.rssKiB);
            }
        }
    }
    fs::remove_all(dir);
    XCloseDisplay(dpy);
    for (const Program &p : programs) {
        if (p.ms.empty()) {
            std::fprintf(stderr, "startup_bench: %s never mapped a window\n", p.label.c_str());
            return 1;
        }
    }
    const double empty = median(programs[0].ms), text = median(programs[1].ms);
    const double rofi = withRofi ? median(programs[2].ms) : 0;
    std::printf("runs: %d\n", runs);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const Program &p = programs[i];
        const double m = median(p.ms);
        std::printf("%s: median %.1f ms to first map, resident %.1f MiB\n", p.label.c_str(), m, p.rssKiB / 1024.0);
        if (i < firstMenu)
            continue;
        std::printf("  ratio to the empty window: %.3f, to the window with text: %.3f", m / empty, m / text);
        if (withRofi)
            std::printf(", to rofi: %.3f", m / rofi);
        std::printf("\n");
    }
    return 0;
}
