#pragma once
// Scrambling of the passwords kept in a menu's commands file.

#include <QString>

namespace tarvik {

// Scrambles (or unscrambles: the same call undoes itself) each character's
// Windows-1252 byte with the byte of the key's last character; a character
// the code page has no byte for gives its low 8 bits. The result has one
// Windows-1252 character per byte. Empty when either string is empty.
QString AnsiCrypt(const QString &entree, const QString &cle);

// True when the value, written under a key of an INI file and read back
// by the program's INI rules, comes back unchanged.
bool SurvivesIniValue(const QString &value);

// Why the password, scrambled under the key, could not be kept in the
// commands file and read back unchanged: a French message for the user, or
// an empty string when it can be stored.
QString PasswordStorageProblem(const QString &password, const QString &cle);

} // namespace tarvik
