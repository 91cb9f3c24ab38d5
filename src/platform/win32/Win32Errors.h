#pragma once
// Windows error codes as the user reads them: in French, as the POSIX
// numbers of the same meaning read on Linux, so that one message names one
// cause on both systems.

#include <QString>

namespace tarvik::win32 {

// The errno value of the same meaning as a GetLastError() code; 0 when none fits.
int errnoOfWin32Error(unsigned long code);
// The French text of a GetLastError() code.
QString win32ErrorText(unsigned long code);

} // namespace tarvik::win32
