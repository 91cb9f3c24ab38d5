#include "lib/Orvo_WIN.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <QByteArray>

namespace tarvik {

namespace {

// The title buffer of the window search holds 255 characters, the last one
// for the terminating zero.
constexpr int TitleBufferLength = 255;

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

WindowHandle FindWindowByTitle(const QString &WindowTitle)
{
    if (WindowTitle.isEmpty())
        return 0;
    try {
        const QList<WindowHandle> order = platform().topLevelWindows();
        for (WindowHandle w : order) {
            if (w == 0)
                continue;
            const QString title = platform().windowTitle(w).left(TitleBufferLength - 1);
            if (title.contains(WindowTitle, Qt::CaseSensitive))
                return w;
        }
    } catch (const std::exception &e) {
        dialogs().messageBox(applicationTitle(),
                             QStringLiteral("FindWindowByTitle: \r\n") + errorMessage(e), MB_OK);
    }
    return 0;
}

QVariant GetRegistryData(const QString &RootKey, const QString &Key, const QString &Value)
{
    const QVariant data = platform().registryValue(RootKey, Key, Value);
    switch (data.typeId()) {
    case QMetaType::QString:
        return data;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // A DWORD: 32 bits, whatever width the back-end used to carry it.
        return QVariant(static_cast<int>(data.toLongLong()));
    case QMetaType::QByteArray:
        // Binary data: one character per byte, so every byte survives.
        return QVariant(QString::fromLatin1(data.toByteArray()));
    default:
        throw Error(QStringLiteral("La clé de registre ne peut pas être lue."));
    }
}

QString GetProgramFilesDir()
{
    return GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion"),
                           QStringLiteral("ProgramFilesDir"))
        .toString();
}

QString GetSystemDir()
{
    const QString dir = platform().systemDir();
    if (dir.isEmpty())
        throw Error(QStringLiteral("Le dossier système est introuvable."));
    return dir;
}

QString GetDesktopDir()
{
    // The desktop the user sees (the XDG desktop folder, named "Bureau" on a
    // French system): a fixed "Desktop" under the home folder would name a
    // folder that often does not exist.
    try {
        const QString dir = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
        if (dir.isEmpty())
            return QString();
        return dir.endsWith(u'/') ? dir : dir + u'/';
    } catch (const std::exception &) {
        return QString();
    }
}

QString GetMyDocumentsDir()
{
    try {
        return SpecialFolder(CSIDL_PERSONAL);
    } catch (const std::exception &) {
        return QString();
    }
}

QString GetTarvikDocumentsDir()
{
    const QString documents = GetMyDocumentsDir();
    return documents.isEmpty() ? QString() : documents + QStringLiteral("/TARVIK");
}

QString SpecialFolder(int CSIDL)
{
    QString dir;
    switch (CSIDL) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        dir = platform().desktopDir();
        break;
    case CSIDL_PERSONAL:
        dir = platform().documentsDir();
        break;
    case CSIDL_PROFILE:
        dir = platform().homeDir();
        break;
    case CSIDL_SYSTEM:
        dir = platform().systemDir();
        break;
    case CSIDL_PROGRAM_FILES:
        try {
            dir = GetProgramFilesDir();
        } catch (const std::exception &) {
            dir.clear();
        }
        break;
    default:
        break;
    }
    return dir.isEmpty() ? QString() : withoutTrailingSlash(dir);
}

} // namespace tarvik
