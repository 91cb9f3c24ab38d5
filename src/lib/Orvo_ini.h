#pragma once
// INI values, window position and option marks, section spacing, and the
// small helpers every part of the menu uses.

#include "lib/WindowFrame.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tarvik {

class IniFile;

using TarrayOfString = QStringList;

// The folder of the menus' files, ending in "/": the executable's own folder
// for a portable copy, the user's data folder for an installed one (case
// kept: a case-sensitive file system would name another folder otherwise).
QString App_Path();
// File name of the executable without directory and extension.
QString ExeName(bool EnMajuscules);
// App_Path + the executable's name without extension + ".INI".
QString Get_IniFileName();

QString GetStr(const QString &Rubrique, const QString &Titre, const QString &Valeur_Defaut, const QString &Fichier);
void SaveStr(const QString &Rubrique, const QString &Titre, const QString &Valeur, const QString &Fichier);
bool GetBool(const QString &Rubrique, const QString &Titre, bool Valeur_Defaut, const QString &Fichier);
void SaveBool(const QString &Rubrique, const QString &Titre, bool Valeur, const QString &Fichier);

// Reads a boolean stored as an integer (decimal or 0x hexadecimal).
bool iniValueToBool(const QString &value, bool defaultValue);

// "left:top:width:height" of the window's outer frame.
QString PositionString(QWidget &F);
void SavePosition(QWidget &F, const QString &Inifile);
void GetPosition(QWidget &F, const QString &Inifile);
// The same reads from a file already in memory; the outer rectangle the
// window was given, the null rectangle when nothing usable was stored.
QRect readPosition(QWidget &F, const IniFile &ini);
void readComponents_CHECKED(QWidget &form, const IniFile &ini);

void SaveComponents_CHECKED(QWidget &form, const QString &Inifile);
// The same writes into a file already in memory, for saves that write each
// file once.
void writePosition(QWidget &F, IniFile &ini);
void writeComponents_CHECKED(QWidget &form, IniFile &ini);
void GetComponents_CHECKED(QWidget &form, const QString &Inifile);

// Gives each section header one empty line before it (and one after it
// when Saut_Apres), drops leading empty lines and turns every run of empty
// lines into one, so that running it again changes nothing. Non-empty
// lines are never changed.
void Inifile_Formate(const QString &Inifile, bool Saut_Apres);
// The same on lines in memory.
QStringList formatIniLines(const QStringList &lines, bool Saut_Apres);

TarrayOfString Split(const QString &chaine, const QString &separateur);

// A one-line plain message, captioned with the application's title.
void sm(const QString &s);
// Opens a web address in the browser.
void ShellURL(const QString &URL);

// Upper-cases the letters a to z only; accented letters stay as they are.
QString upperAscii(const QString &s);

} // namespace tarvik
