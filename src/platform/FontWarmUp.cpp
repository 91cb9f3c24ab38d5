#include "platform/FontWarmUp.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace tarvik {

FontWarmUp::FontWarmUp()
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // No thread to be had: Qt loads the fonts itself, as it would without this.
        m_configurationLoaded = true;
    }
}

FontWarmUp::~FontWarmUp() { finish(); }

void FontWarmUp::applicationReady(const QFont &font)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_configurationLoaded; });
    m_font = font;
    lock.unlock();
    m_wake.notify_all();
}

void FontWarmUp::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void FontWarmUp::run()
{
    FcInit(); // thread-safe; Qt's own later call finds the configuration loaded
    std::optional<QFont> font;
    {
        std::unique_lock lock(m_mutex);
        m_configurationLoaded = true;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_font || m_abandoned; });
        if (!m_font)
            return;
        font = m_font;
    }
    // Qt's font database has its own lock and may be filled from any thread;
    // the fallback families found for the window's font are kept there too.
    QFontDatabase::families();
    // Latin text, as the window's: the families found for that script are what its widgets ask for.
    QFontMetrics(*font).horizontalAdvance(QStringLiteral("Déposez"));
}

} // namespace tarvik
