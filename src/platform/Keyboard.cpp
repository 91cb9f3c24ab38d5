#include "platform/Keyboard.h"

#include <stdexcept>

namespace tarvik {

namespace {
Keyboard *g_keyboard = nullptr;
}

Keyboard &keyboard()
{
    if (!g_keyboard)
        throw std::logic_error("no keyboard back-end installed");
    return *g_keyboard;
}

Keyboard *setKeyboard(Keyboard *backend)
{
    Keyboard *previous = g_keyboard;
    g_keyboard = backend;
    return previous;
}

} // namespace tarvik
