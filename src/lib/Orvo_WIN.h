#pragma once
// Windows of the desktop and the folders of the user's surroundings: the
// search of a window by its title, the registry read and the special folders.

#include "platform/Platform.h"

#include <QString>
#include <QVariant>

namespace tarvik {

// Registry roots, by the names the platform's registry read knows.
inline const QString HKEY_LOCAL_MACHINE = QStringLiteral("HKEY_LOCAL_MACHINE");
inline const QString HKEY_CURRENT_USER = QStringLiteral("HKEY_CURRENT_USER");

// Shell folder identifiers understood by SpecialFolder.
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PERSONAL = 0x0005;          // the user's documents
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_PROFILE = 0x0028;

// The first top-level window, front to back (hidden ones included), whose
// title (its first 254 characters) contains WindowTitle, case-sensitive;
// 0 when none does or WindowTitle is empty. A failure of the window list is
// shown in a plain message box and gives 0.
WindowHandle FindWindowByTitle(const QString &WindowTitle);

// A registry value read-only: a text (QString) or an integer (int); binary
// data comes back as a text holding one character per byte. Throws
// tarvik::Error with the reason when the key or the value cannot be read.
QVariant GetRegistryData(const QString &RootKey, const QString &Key, const QString &Value);

// The Program Files folder ("ProgramFilesDir" of the registry); throws when unreadable.
QString GetProgramFilesDir();
// The system directory; throws when the platform has none.
QString GetSystemDir();
// The user's desktop folder ending in "/"; empty when the desktop has none.
QString GetDesktopDir();
// The user's documents folder without a trailing "/"; empty when there is none.
QString GetMyDocumentsDir();
// The folder TARVIK of the user's documents, without a trailing "/": dropped
// documents are moved into its subfolders, and the folder menu opens it.
// Empty when there is no documents folder.
QString GetTarvikDocumentsDir();
// The folder of a shell folder identifier (CSIDL_…), without a trailing "/";
// empty when that folder is unknown here.
QString SpecialFolder(int CSIDL);

} // namespace tarvik
