#include "platform/ProcessExecutable.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace tarvik {

QString withoutDeletedMark(const QString &path)
{
    static const QString mark = QStringLiteral(" (deleted)");
    if (!path.endsWith(mark) || QFileInfo::exists(path))
        return path;
    return path.left(path.size() - mark.size());
}

QString executableOfProcess(qint64 pid)
{
    if (pid <= 0)
        return QString();
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    char buffer[4096];
    const ssize_t n = readlink(link.constData(), buffer, sizeof buffer);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof buffer))
        return QString(); // gone, a zombie, or not ours to inspect
    return withoutDeletedMark(QString::fromLocal8Bit(buffer, n));
}

QString ownExecutable()
{
    QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (path.isEmpty())
        path = QCoreApplication::applicationFilePath();
    return withoutDeletedMark(path);
}

} // namespace tarvik
