#pragma once
// The keys of an entry's section in the commands file.

#include <QString>

namespace tarvik {

inline const QString kSendKeys = QStringLiteral("SENDKEYS");
inline const QString kArguments = QStringLiteral("ARGUMENTS");
inline const QString kPassword = QStringLiteral("PW");
inline const QString kArgDorvex = QStringLiteral("ARG_DORVEX");

} // namespace tarvik
