#pragma once
// The caller's argument: the field list a calling application passes as the
// second command-line argument.

#include <QString>

namespace tarvik {

// The argument enclosed in double quotes, inner double quotes doubled; never
// empty (two double quotes without an argument).
QString Quote_ARG_DVX(const QString &argument);

} // namespace tarvik
