#pragma once
// The back-ends of the system the program was built for. The program entry
// asks for them here, so that it names no platform of its own.

#include "platform/Keyboard.h"
#include "platform/Platform.h"

#include <memory>

namespace tarvik {

// Settles what the GUI toolkit must know before the application object
// exists (which of its platform plugins speaks to this desktop).
void prepareNativeApplication();

struct NativeBackends {
    std::unique_ptr<Platform> platform;
    // Null when nothing can be typed into other programs (no display).
    std::unique_ptr<Keyboard> keyboard;
};

// Creates the back-ends; call it once the application object exists.
NativeBackends createNativeBackends();

} // namespace tarvik
