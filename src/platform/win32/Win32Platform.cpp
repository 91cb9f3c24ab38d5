#include "platform/win32/Win32Platform.h"

#include "platform/Errors.h"
#include "platform/MenusFolder.h"
#include "platform/win32/Win32Windows.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

namespace tarvik::win32 {

namespace {

const wchar_t *wide(const QString &text) { return reinterpret_cast<const wchar_t *>(text.utf16()); }
// Null for an empty text: the services read "no value" from a null pointer.
const wchar_t *wideOrNull(const QString &text) { return text.isEmpty() ? nullptr : wide(text); }

HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<quintptr>(window)); }

QString specialFolder(int csidl)
{
    PIDLIST_ABSOLUTE list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &list) != S_OK || !list)
        return QString();
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListW(list, buffer);
    CoTaskMemFree(list);
    if (!ok || !buffer[0])
        return QString();
    const QString path = QDir::fromNativeSeparators(QString::fromWCharArray(buffer));
    return QFileInfo(path).isDir() ? path : QString();
}

HKEY rootKeyNamed(const QString &name)
{
    struct Root {
        const char *name;
        HKEY key;
    };
    static const Root roots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const Root &r : roots)
        if (name.compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0)
            return r.key;
    return nullptr;
}

QString subKey(QString key)
{
    key.replace(u'/', u'\\');
    while (key.startsWith(u'\\'))
        key.remove(0, 1);
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key;
}

// The messages of a key that cannot be opened and of a value that cannot be
// read, in French whatever the language of the system.
[[noreturn]] void keyNotFound() { throw Error(QStringLiteral("Le fichier spécifié est introuvable.")); }
[[noreturn]] void valueUnreadable() { throw Error(QStringLiteral("La clé de registre ne peut pas être lue.")); }

} // namespace

QString nativePath(const QString &path)
{
    // A drive ("c:/…"), a UNC path ("//server/…"), or either in double quotes.
    const qsizetype at = path.startsWith(u'"') ? 1 : 0;
    const QStringView rest = QStringView(path).mid(at);
    const bool drive = rest.size() >= 3 && rest[0].isLetter() && rest[1] == u':' && rest[2] == u'/';
    const bool unc = rest.startsWith(u"//");
    return drive || unc ? QDir::toNativeSeparators(path) : path;
}

Win32Platform::Win32Platform()
{
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    m_executable = QDir::fromNativeSeparators(QString::fromWCharArray(buffer.data(), int(length)));
    m_copies = std::make_unique<CopyRegistry>(m_executable);
}

Win32Platform::~Win32Platform() = default;

QString Win32Platform::executablePath() { return m_executable; }

QString Win32Platform::applicationDirectory()
{
    if (m_menusFolder.isEmpty()) {
        m_menusFolder = chooseMenusFolder(folderOf(m_executable));
        for (QChar &c : m_menusFolder)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
    }
    return m_menusFolder;
}

int Win32Platform::shellExecute(WindowHandle owner, const QString &verb, const QString &file,
                                const QString &parameters, const QString &directory, int showCommand)
{
    const QString nativeFile = nativePath(file);
    const QString nativeDir = nativePath(directory);
    // ShellExecuteW with the started process handed back, which the keys of
    // the launch need to find its window.
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = toHwnd(owner);
    info.lpVerb = wideOrNull(verb);
    info.lpFile = wide(nativeFile);
    info.lpParameters = wideOrNull(parameters);
    info.lpDirectory = wideOrNull(nativeDir);
    info.nShow = showCommand;
    m_lastStarted = 0;
    const bool started = ShellExecuteExW(&info);
    if (info.hProcess) {
        m_lastStarted = GetProcessId(info.hProcess);
        CloseHandle(info.hProcess);
    }
    const int result = int(reinterpret_cast<INT_PTR>(info.hInstApp));
    if (started)
        return result > 32 ? result : SE_SUCCESS;
    return result > 0 && result <= 32 ? result : SE_ERR_NOASSOC;
}

qint64 Win32Platform::lastStartedProcess() { return m_lastStarted; }

std::optional<ProcessInfo> Win32Platform::processInfo(qint64 pid)
{
    if (pid <= 0 || CopyRegistry::processStartTime(pid) == 0)
        return std::nullopt;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<ProcessInfo> found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (bool more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (qint64(entry.th32ProcessID) == pid) {
            found = ProcessInfo{qint64(entry.th32ParentProcessID), 0};
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool Win32Platform::sessionRuns(qint64) { return false; }

qint64 Win32Platform::windowProcess(WindowHandle window) { return win32::windowProcess(window); }

QList<WindowHandle> Win32Platform::topLevelWindows() { return win32::topLevelWindows(); }
QString Win32Platform::windowTitle(WindowHandle window) { return win32::windowTitle(window); }
bool Win32Platform::bringToFront(WindowHandle window) { return win32::bringToFront(window); }
bool Win32Platform::postCloseRequest(WindowHandle window) { return win32::postCloseRequest(window); }

bool Win32Platform::isWindowOfThisProgram(WindowHandle window)
{
    const QString exe = executableOfProcess(windowProcess(window));
    return !exe.isEmpty() && samePath(exe, m_executable);
}

WindowHandle Win32Platform::activeWindow() { return foregroundWindow(); }

namespace {

// The toolkit places windows in device-independent pixels.
qreal pixelRatio()
{
    const QScreen *screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

QRect toLogical(const QRect &rect)
{
    const qreal r = pixelRatio();
    return QRect(qRound(rect.x() / r), qRound(rect.y() / r), qRound(rect.width() / r), qRound(rect.height() / r));
}

} // namespace

std::optional<QMargins> Win32Platform::frameExtents(WindowHandle window, int)
{
    const std::optional<QMargins> frame = frameMargins(window);
    if (!frame)
        return std::nullopt;
    const qreal r = pixelRatio();
    return QMargins(qRound(frame->left() / r), qRound(frame->top() / r), qRound(frame->right() / r),
                    qRound(frame->bottom() / r));
}

std::optional<QRect> Win32Platform::clientGeometry(WindowHandle window)
{
    const std::optional<QRect> client = clientRect(window);
    if (!client)
        return std::nullopt;
    return toLogical(*client);
}

void Win32Platform::sleep(int milliseconds)
{
    if (milliseconds > 0)
        Sleep(DWORD(milliseconds));
}

QString Win32Platform::homeDir()
{
    const QString profile = qEnvironmentVariable("USERPROFILE");
    return profile.isEmpty() ? QDir::homePath() : QDir::fromNativeSeparators(profile);
}

QString Win32Platform::desktopDir() { return specialFolder(CSIDL_DESKTOPDIRECTORY); }
QString Win32Platform::documentsDir() { return specialFolder(CSIDL_PERSONAL); }

QString Win32Platform::systemDir()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return QString();
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer, int(length)));
}

QVariant Win32Platform::registryValue(const QString &rootKey, const QString &key, const QString &valueName)
{
    const HKEY root = rootKeyNamed(rootKey);
    if (!root)
        keyNotFound();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, wide(subKey(key)), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        keyNotFound();
    DWORD type = 0;
    DWORD size = 0;
    QVariant value;
    if (RegQueryValueExW(opened, wide(valueName), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        QByteArray data(int(size) + 2, '\0');
        DWORD read = size;
        if (RegQueryValueExW(opened, wide(valueName), nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &read)
            == ERROR_SUCCESS) {
            data.truncate(int(read));
            switch (type) {
            case REG_SZ:
            case REG_EXPAND_SZ: {
                QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()),
                                                  data.size() / 2);
                // Stored with or without its terminating zero.
                const qsizetype zero = text.indexOf(QChar(0));
                if (zero >= 0)
                    text.truncate(zero);
                value = text;
                break;
            }
            case REG_DWORD:
                if (data.size() >= 4)
                    value = int(*reinterpret_cast<const quint32 *>(data.constData()));
                break;
            case REG_BINARY:
                value = data;
                break;
            default:
                break;
            }
        }
    }
    RegCloseKey(opened);
    if (!value.isValid())
        valueUnreadable();
    return value;
}

bool Win32Platform::copyFile(const QString &source, const QString &target, bool failIfExists)
{
    return CopyFileW(wide(QDir::toNativeSeparators(source)), wide(QDir::toNativeSeparators(target)),
                     failIfExists ? TRUE : FALSE)
        != 0;
}

bool Win32Platform::moveFile(const QString &source, const QString &target)
{
    return MoveFileW(wide(QDir::toNativeSeparators(source)), wide(QDir::toNativeSeparators(target))) != 0;
}

bool Win32Platform::moveToTrash(const QString &path)
{
    if (path.isEmpty())
        return false;
    // A list of one path, ended by a double zero.
    QString from = QDir::toNativeSeparators(path);
    from.append(QChar(0));
    from.append(QChar(0));
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = wide(from);
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

QRect Win32Platform::workArea()
{
    RECT area = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        return QRect(0, 0, 1024, 768);
    QRect rect(QPoint(area.left, area.top), QPoint(area.right - 1, area.bottom - 1));
    return toLogical(rect);
}

int Win32Platform::registerCopy()
{
    const int position = m_copies->registerProcess(GetCurrentProcessId());
    // A registry that cannot be used must not keep the program from
    // starting: the copy then counts as the first.
    return position < 0 ? 0 : position;
}

void Win32Platform::unregisterCopy() { m_copies->unregisterProcess(GetCurrentProcessId()); }

QList<qint64> Win32Platform::registeredCopies() { return m_copies->processes(); }

bool Win32Platform::bringProcessToFront(qint64 pid)
{
    const quint64 window = mainWindowOfProcess(pid);
    return window != 0 && win32::bringToFront(window);
}

} // namespace tarvik::win32
