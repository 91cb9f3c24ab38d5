#include "QtPrinters.h"

QT_BEGIN_NAMESPACE

void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

QT_END_NAMESPACE
