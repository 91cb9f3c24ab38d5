#pragma once
// System error numbers as the user reads them: in French, whatever the
// locale the process runs in, so that a message never switches language
// halfway through.

#include <QString>

namespace tarvik {

// The French text of an errno value; the number itself for an unusual one.
QString systemErrorText(int errorNumber);

} // namespace tarvik
