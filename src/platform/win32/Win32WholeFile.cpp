// Reading a file whole, and replacing it whole, on Windows.
//
// As on Linux, a file is replaced through the temporary file ".NAME.tarvik-tmp"
// beside it: written, flushed when durable, then put in the target's place by
// ReplaceFileW (which keeps the replaced file's attributes and access rights)
// or MoveFileExW for a new file. Two copies of a menu saving the same file at
// once take turns on a named mutex of that temporary file. No file is held
// open across calls, so other programs may read the files at any time.
#include "platform/LineFile.h"

#include "platform/Errors.h"
#include "platform/SystemError.h"
#include "platform/win32/NamedMutex.h"
#include "platform/win32/Win32Errors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <windows.h>

namespace tarvik {

namespace {

std::wstring native(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

QString temporaryPathFor(const QString &target)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    return target.left(slash + 1) + u'.' + target.mid(slash + 1) + QStringLiteral(".tarvik-tmp");
}

bool isDirectory(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

QByteArray readWholeFile(const QString &path)
{
    const auto cannotOpen = [&path](const QString &why) {
        return FileError(QStringLiteral("Impossible d'ouvrir le fichier \"%1\". %2").arg(path, why));
    };
    const std::wstring name = native(path);
    if (isDirectory(name))
        throw cannotOpen(systemErrorText(EISDIR));
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw cannotOpen(win32::win32ErrorText(GetLastError()));
    QByteArray bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0)
        bytes.reserve(qsizetype(size.QuadPart));
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            throw FileError(QStringLiteral("Erreur de lecture du fichier \"%1\". %2").arg(path, win32::win32ErrorText(error)));
        }
        if (read == 0)
            break;
        bytes.append(buffer, qsizetype(read));
    }
    CloseHandle(file);
    return bytes;
}

void writeWholeFile(const QString &path, const QByteArray &bytes, Durability durability)
{
    const auto cannotCreate = [&path](const QString &why) {
        return FileError(QStringLiteral("Impossible de créer le fichier \"%1\". %2").arg(path, why));
    };
    const auto cannotWrite = [&path](const QString &why) {
        return FileError(QStringLiteral("Erreur d'écriture dans le fichier \"%1\". %2").arg(path, why));
    };

    const std::wstring target = native(path);
    if (isDirectory(target))
        throw cannotCreate(systemErrorText(EISDIR));
    const QString temporaryPath = temporaryPathFor(QDir::fromNativeSeparators(path));
    const std::wstring temporary = native(temporaryPath);

    const win32::NamedMutexLock turn(win32::mutexNameForPath(QStringLiteral("save"), temporaryPath));
    if (!turn.held())
        throw cannotCreate(win32::win32ErrorText(turn.error()));
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw cannotCreate(win32::win32ErrorText(GetLastError()));
    // From here on the temporary file is ours alone: written, then put in
    // the target's place, or removed.
    const auto fail = [&](DWORD why) {
        DeleteFileW(temporary.c_str());
        return cannotWrite(win32::win32ErrorText(why));
    };
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(qMin<qsizetype>(left, 1 << 30));
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            throw fail(error);
        }
        data += written;
        left -= written;
    }
    // A durable file is on the disk before it takes the target's place; the
    // registry of the running menus skips that wait.
    if (durability == Durability::Durable && !FlushFileBuffers(file)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        throw fail(error);
    }
    CloseHandle(file);
    const DWORD through = durability == Durability::Durable ? MOVEFILE_WRITE_THROUGH : 0;
    const bool exists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    const bool placed = exists ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                              nullptr, nullptr)
                                   != 0
                               : MoveFileExW(temporary.c_str(), target.c_str(), through) != 0;
    if (!placed)
        throw fail(GetLastError());
}

} // namespace tarvik
