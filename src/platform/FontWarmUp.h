#pragma once
// Reading the font configuration is the longest single step of a start-up and
// needs nothing from the display: it runs on another core while the
// application connects to the X server. Once the application object exists,
// the same thread fills Qt's font database and resolves the window's font
// while the main thread reads the menu's files and builds the window.
#include <QFont>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace tarvik {

class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Call once the QGuiApplication exists; `font` is the one the window
    // shows. Returns once the configuration is loaded, so the main thread
    // never loads it a second time by racing the warm-up.
    void applicationReady(const QFont &font);
    // Ends the thread; must run before the application object goes, since
    // Qt's font database belongs to it.
    void finish();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_configurationLoaded = false;
    std::optional<QFont> m_font;
    bool m_abandoned = false;
    std::thread m_thread;
};

} // namespace tarvik
