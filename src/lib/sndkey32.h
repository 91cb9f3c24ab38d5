#pragma once
// Keystroke sequences: plays a sequence written in the small key grammar
// ("+" Shift, "^" Ctrl, "%" Alt, "(" … ")" groups, "~" Enter, "{NAME n}"
// named keys with a repeat count, "{{" and "{}}" for the braces) into the
// window that has the keyboard focus, through the Keyboard port.

#include <QString>

namespace tarvik {

// Plays the sequence; with Wait, this process's own pending keyboard input is
// handled after every key event. Returns true when the whole sequence was
// played, false for an empty one or when playing stopped at a "{" never closed.
// Throws ConvertError for a repeat count that is not a whole number.
bool SendKeys(const QString &SendKeysString, bool Wait);

} // namespace tarvik
