#include "lib/PathParts.h"

#include "lib/Orvo_ini.h"

namespace tarvik {

PathParts::PathParts(const QString &path, SeparatorRule rule) : m_path(path)
{
    qsizetype last = path.lastIndexOf(u'/');
    if (rule == SeparatorRule::Entry)
        last = qMax(last, qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u':')));
    m_nameStart = last + 1;
}

QString PathParts::baseName() const
{
    QString name = fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return name;
}

QString PathParts::suffix() const
{
    const qsizetype dot = m_path.lastIndexOf(u'.');
    return dot < m_nameStart ? QString() : m_path.mid(dot);
}

QString ExtractFileName(const QString &path) { return PathParts(path, SeparatorRule::Entry).fileName(); }

QString ExtractNAME(const QString &path) { return upperAscii(PathParts(path, SeparatorRule::Entry).baseName()); }

QString ExtractTYPE(const QString &path)
{
    const QString suffix = PathParts(path, SeparatorRule::Entry).suffix();
    // A whole entry that is one dotted word (".profile") has no type.
    if (suffix.isEmpty() || suffix.size() == path.size())
        return QString();
    return upperAscii(suffix.mid(1));
}

} // namespace tarvik
