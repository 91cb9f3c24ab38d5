#pragma once
// Copying a file.

#include <QString>

namespace tarvik {

// Copies source onto target, replacing a file already there; non-zero on success.
int FILE_COPY(const QString &source, const QString &target);

} // namespace tarvik
