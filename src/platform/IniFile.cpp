#include "platform/IniFile.h"

#include "platform/Errors.h"

#include <QFileInfo>

namespace tarvik {

namespace {

bool isHeader(const QString &trimmed) { return trimmed.startsWith(QLatin1Char('[')); }

QString headerName(const QString &trimmed)
{
    // The last ']' closes the name, so a path holding ']' stays whole.
    const qsizetype close = trimmed.lastIndexOf(QLatin1Char(']'));
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

} // namespace

IniFile::IniFile(const QString &path) : m_path(path)
{
    QStringList lines;
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        try {
            m_loaded.loadFromFile(path);
            lines.swap(m_loaded.lines); // only whether it was read whole is kept
            m_encoding = m_loaded.encoding;
            m_existed = true;
        } catch (const FileError &e) {
            // Reads never fail: an unreadable file answers the defaults.
            m_loadError = e.message();
        }
    }
    parse(lines);
}

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini{QString()};
    ini.parse(decodeLines(bytes, &ini.m_encoding));
    return ini;
}

void IniFile::parse(const QStringList &lines)
{
    Section *current = nullptr;
    for (const QString &line : std::as_const(lines)) {
        const QString trimmed = line.trimmed();
        if (isHeader(trimmed)) {
            if (current)
                indexSection(*current);
            m_sections.push_back(Section{line, {}, {}});
            const QString name = fold(headerName(trimmed));
            if (!m_sectionIndex.contains(name))
                m_sectionIndex.insert(name, int(m_sections.size()) - 1);
            current = &m_sections.back();
        } else if (current) {
            current->lines << line;
        } else {
            m_preamble << line;
        }
    }
    if (current)
        indexSection(*current);
}

bool IniFile::parseKeyLine(const QString &line, QString *key, QString *rawValue)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    if (key->isEmpty() || key->startsWith(QLatin1Char('[')))
        return false;
    if (rawValue)
        *rawValue = line.mid(eq + 1).trimmed();
    return true;
}

void IniFile::indexSection(Section &s)
{
    s.keyIndex.clear();
    QString key;
    for (int i = 0; i < s.lines.size(); ++i)
        if (parseKeyLine(s.lines[i], &key, nullptr)) {
            const QString f = key.toCaseFolded();
            if (!s.keyIndex.contains(f))
                s.keyIndex.insert(f, i);
        }
}

bool IniFile::hasSection(const QString &section) const { return m_sectionIndex.contains(fold(section)); }

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const auto sit = m_sectionIndex.constFind(fold(section));
    if (sit == m_sectionIndex.constEnd())
        return std::nullopt;
    const Section &s = m_sections[*sit];
    const auto kit = s.keyIndex.constFind(fold(key));
    if (kit == s.keyIndex.constEnd())
        return std::nullopt;
    QString k, v;
    parseKeyLine(s.lines[*kit], &k, &v);
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == u'"' || q == u'\'') && v.back() == q)
            v = v.mid(1, v.size() - 2);
    }
    if (v.size() > kMaxValueLength)
        v.truncate(kMaxValueLength);
    return v;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const auto breaksLine = [](const QString &s) { return s.contains(u'\r') || s.contains(u'\n'); };
    if (breaksLine(value))
        throw Error(QStringLiteral("Impossible d'écrire dans %1 : une valeur ne peut pas contenir de saut de ligne").arg(m_path));
    // A lone CR ends a line on reading as surely as LF does.
    if (breaksLine(section) || breaksLine(key))
        throw Error(QStringLiteral("Impossible d'écrire dans %1 : un nom de section ou de clé ne peut pas contenir de "
                                   "saut de ligne")
                        .arg(m_path));

    const QString sectionName = fold(section);
    auto sit = m_sectionIndex.constFind(sectionName);
    if (sit == m_sectionIndex.constEnd()) {
        m_sections.push_back(Section{QLatin1Char('[') + section + QLatin1Char(']'), {key + QLatin1Char('=') + value}, {}});
        m_sections.back().keyIndex.insert(fold(key), 0);
        m_sectionIndex.insert(sectionName, int(m_sections.size()) - 1);
        return;
    }
    Section &s = m_sections[*sit];
    const QString keyName = fold(key);
    const auto kit = s.keyIndex.constFind(keyName);
    if (kit != s.keyIndex.constEnd()) {
        QString existingKey;
        parseKeyLine(s.lines[*kit], &existingKey, nullptr);
        s.lines[*kit] = existingKey + QLatin1Char('=') + value;
        return;
    }
    // After the last non-empty line, so the blank line that separates this
    // section from the next one stays between them.
    int at = int(s.lines.size());
    while (at > 0 && s.lines[at - 1].trimmed().isEmpty())
        --at;
    s.lines.insert(at, key + QLatin1Char('=') + value);
    if (at == s.lines.size() - 1) {
        s.keyIndex.insert(keyName, at);
    } else {
        indexSection(s);
    }
}

QStringList IniFile::lines() const
{
    QStringList out = m_preamble;
    for (const Section &s : m_sections) {
        out << s.header;
        out << s.lines;
    }
    return out;
}

QByteArray IniFile::toBytes() const
{
    const QStringList all = lines();
    return encodeLines(all, encodingForSave(all, m_encoding));
}

void IniFile::requireWhole() const { m_loaded.requireWhole(m_path); }

void IniFile::save() const
{
    requireWhole();
    try {
        writeWholeFile(m_path, toBytes());
    } catch (const FileError &) {
        throw Error(QStringLiteral("Impossible d'écrire dans %1").arg(m_path));
    }
}

} // namespace tarvik
