#pragma once
// Keystroke sequences: plays a sequence written in the small key grammar
// ("+" Shift, "^" Ctrl, "%" Alt, "(" … ")" groups, "~" Enter, "{NAME n}"
// named keys with a repeat count, "{{" and "{}}" for the braces) into the
// window that has the keyboard focus, through the Keyboard port.

#include <QString>

#include <functional>

namespace tarvik {

// Plays the sequence; with Wait, this process's own pending keyboard input is
// handled after every key event. Returns true when the whole sequence was
// played, false for an empty one or when playing stopped at a "{" never closed.
// Throws ConvertError for a repeat count that is not a whole number.
bool SendKeys(const QString &SendKeysString, bool Wait);

enum class SendKeysEnd {
    Played,     // the whole sequence
    Empty,      // nothing to play
    NoClose,    // stopped at a "{" never closed
    TargetLost, // stopped: the keyboard left the target window
};

// Plays the sequence for the keyboard's target window (Keyboard::setTargetWindow):
// as soon as a press is held back because the focus left it, playing stops,
// every key still down comes up and nothing more is typed. regainTarget runs
// after each of the player's own message boxes: it gives the keyboard back to
// the target and says whether it could; when it could not, playing stops the
// same way. Modifiers held by "+", "^", "%" come up while such a box is shown
// and go down again once the target has the keyboard.
SendKeysEnd SendKeysToTarget(const QString &SendKeysString, bool Wait, const std::function<bool()> &regainTarget);

} // namespace tarvik
