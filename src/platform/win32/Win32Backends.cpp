#include "platform/NativeBackends.h"

#include "platform/win32/Win32Keyboard.h"
#include "platform/win32/Win32Platform.h"

namespace tarvik {

void prepareNativeApplication() {}

NativeBackends createNativeBackends()
{
    NativeBackends backends;
    backends.platform = std::make_unique<win32::Win32Platform>();
    backends.keyboard = std::make_unique<win32::Win32Keyboard>();
    return backends;
}

} // namespace tarvik
