#include "platform/Platform.h"

#include "platform/MenusFolder.h"

#include <stdexcept>

namespace tarvik {

namespace {
Platform *g_platform = nullptr;
}

QString Platform::applicationDirectory() { return folderOf(executablePath()); }

Platform &platform()
{
    if (!g_platform)
        throw std::logic_error("no platform back-end installed");
    return *g_platform;
}

Platform *setPlatform(Platform *backend)
{
    Platform *previous = g_platform;
    g_platform = backend;
    return previous;
}

} // namespace tarvik
