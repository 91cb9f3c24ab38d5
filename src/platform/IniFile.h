#pragma once
// The program's INI engine: one file loaded whole, read and changed in memory,
// written back whole. The dialect is the Windows profile-string one:
// case-insensitive section and key names, a missing key distinct from an
// empty one, values cut at 2047 characters and unquoted when one quote mark
// encloses them, a changed key replaced in place, a new key placed after the
// last line of its section, a new section added at the end of the file.

#include "platform/LineFile.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tarvik {

class IniFile {
public:
    static constexpr int kMaxValueLength = 2047;

    // Loads the file; a missing or unreadable file reads as empty.
    explicit IniFile(const QString &path);
    // A file in memory only, as its bytes would be on disk.
    static IniFile fromBytes(const QByteArray &bytes);
    // The bytes save() writes.
    QByteArray toBytes() const;

    const QString &path() const { return m_path; }
    bool fileExisted() const { return m_existed; }
    // Why a file that is there could not be read; empty when it was read or is absent.
    const QString &loadError() const { return m_loadError; }

    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    bool hasSection(const QString &section) const;

    void writeString(const QString &section, const QString &key, const QString &value);

    // The whole text as lines, in file order.
    QStringList lines() const;
    TextEncoding encoding() const { return m_encoding; }

    // Whether a NUL cut the file short on loading: writing it back would
    // lose what followed, so it is kept as it is.
    bool cutAtNul() const { return m_loaded.cutAtNul; }
    // Throws KeptFileError when the file was cut short by a NUL.
    void requireWhole() const;

    // Writes the file whole; throws Error("Impossible d'écrire dans <path>").
    void save() const;

private:
    struct Section {
        QString header;                // the header line as found or written
        QStringList lines;             // the lines after the header
        QHash<QString, int> keyIndex;  // folded key -> first line holding it
    };
    static QString fold(const QString &name) { return name.trimmed().toCaseFolded(); }
    static bool parseKeyLine(const QString &line, QString *key, QString *rawValue);
    void indexSection(Section &s);
    void parse(const QStringList &lines);

    QString m_path;
    bool m_existed = false;
    QString m_loadError;
    LineList m_loaded; // how the file was read: its lines go to the sections
    TextEncoding m_encoding = TextEncoding::Ansi;
    QStringList m_preamble;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // folded name -> first section of that name
};

} // namespace tarvik
