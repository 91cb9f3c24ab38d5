#pragma once
// Windows-1252, the 8-bit code page of line files without a byte-order mark
// and of the password scrambling. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, as Windows does, so
// every byte survives a round trip.

#include <QByteArray>
#include <QString>

namespace tarvik {

QString ansiToUnicode(const QByteArray &bytes);
QChar ansiToUnicode(unsigned char byte);

// The byte of a character, or -1 when Windows-1252 has none for it.
int unicodeToAnsi(QChar c);
// Encodes; characters without a byte become '?'. Sets *lossless when given.
QByteArray unicodeToAnsi(const QString &text, bool *lossless = nullptr);
bool isAnsiRepresentable(const QString &text);

} // namespace tarvik
