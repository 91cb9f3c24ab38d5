#include "lib/Orvo_FILE.h"

#include "platform/Platform.h"

namespace tarvik {

int FILE_COPY(const QString &source, const QString &target)
{
    return platform().copyFile(source, target, false) ? 1 : 0;
}

} // namespace tarvik
