#pragma once
// Text files read and written whole as a list of lines.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tarvik {

// Utf8Unmarked: UTF-8 without a byte-order mark, as Linux editors write it.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE, Utf8Unmarked };

// True when the bytes are well-formed UTF-8 and hold at least one character
// outside ASCII: only then is a file without a mark taken for UTF-8.
bool isUnmarkedUtf8(const QByteArray &bytes);

// Decodes by byte-order mark (the mark is not part of the text); without one
// the bytes are UTF-8 when isUnmarkedUtf8, otherwise Windows-1252 (files made
// on Windows, and every file of plain ASCII). Lines end at CR LF, lone CR or lone LF; a final
// line break does not start an empty line; a NUL ends the text.
// When cutAtNul is given it tells whether a NUL cut the text short.
QStringList decodeLines(const QByteArray &bytes, TextEncoding *encoding = nullptr, bool *cutAtNul = nullptr);

// Every line followed by CR LF, in the encoding, preceded by its mark.
QByteArray encodeLines(const QStringList &lines, TextEncoding encoding);

// An Ansi list that holds a character Windows-1252 cannot carry, or whose
// Windows-1252 bytes would be read back as UTF-8, is written in UTF-8 with
// its mark instead, so no character is lost or changed.
TextEncoding encodingForSave(const QStringList &lines, TextEncoding remembered);

// Every file is replaced whole through a rename, so a reader or a crash never
// sees half of it; a save that was killed leaves one temporary file, which
// the next save of that file takes over. A durable file is also on the disk
// before the rename; a transient one (the registry of the menus running now)
// skips that wait, since none of its readers outlives a power cut.
enum class Durability { Durable, Transient };

// A list of lines that remembers the encoding of its last load.
struct LineList {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;

    // Set by the last load when a NUL cut the text short: what followed it
    // was not read, so the list must not be written back over the file.
    bool cutAtNul = false;

    // Throws FileError when the file cannot be read.
    void loadFromFile(const QString &path);
    // A KeptFileError when the last load was cut short by a NUL.
    void requireWhole(const QString &path) const;
    // Writes the whole file through a temporary file and a rename; throws FileError.
    void saveToFile(const QString &path, Durability durability = Durability::Durable) const;
};

// What the user is told about a file read only up to a NUL: which file, that
// it is kept as it is, and that changes to it will not be saved.
QString keptFileMessage(const QString &path);

// Reads a whole file; throws FileError with the French message.
QByteArray readWholeFile(const QString &path);
// Replaces a file whole (temporary file, flush, rename), or the file a
// symbolic link names; throws FileError with the French message.
void writeWholeFile(const QString &path, const QByteArray &bytes, Durability durability = Durability::Durable);

} // namespace tarvik
