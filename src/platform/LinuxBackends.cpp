#include "platform/NativeBackends.h"

#include "platform/LinuxPlatform.h"
#include "platform/X11Keyboard.h"

#include <QtGlobal>

namespace tarvik {

void prepareNativeApplication()
{
    // The window services speak X11; under Wayland the program runs through XWayland.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

NativeBackends createNativeBackends()
{
    NativeBackends backends;
    backends.platform = std::make_unique<LinuxPlatform>();
    try {
        backends.keyboard = std::make_unique<X11Keyboard>();
    } catch (const std::exception &) {
        // No X display: nothing can be typed into other programs; launching still works.
    }
    return backends;
}

} // namespace tarvik
