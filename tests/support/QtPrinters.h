#pragma once
// Readable Qt texts in GoogleTest's failure messages (found by argument-
// dependent lookup, so they live in Qt's namespace).

#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
void PrintTo(const QString &text, std::ostream *os);
void PrintTo(const QStringList &list, std::ostream *os);
QT_END_NAMESPACE
