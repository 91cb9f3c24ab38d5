#include "lib/ArgDorvex.h"

namespace tarvik {

QString Quote_ARG_DVX(const QString &argument)
{
    QString inner = argument;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace tarvik
