// The Windows back-ends against the services they call (run under Wine on
// the build machine): paths, folders, the registry, files, windows, the copy
// registry and the file lock (the keyboard: win32_keyboard_test).
#include <QtGlobal>

#include <gtest/gtest.h>

#ifndef Q_OS_WIN

TEST(Win32Platform, RunsOnWindowsOnly)
{
    GTEST_SKIP() << "the Windows back-ends are built for Windows only";
}

#else

#include "lib/Orvo_WIN.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/LineFile.h"
#include "platform/MenusFolder.h"
#include "platform/win32/Win32CopyRegistry.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Windows.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <thread>
#include <windows.h>

using namespace tarvik;
using tarvik::win32::Win32Platform;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::exception &e) {
        return errorMessage(e);
    }
    return QStringLiteral("<no error>");
}

// A key of the current user's registry made for one test and removed after it.
class ScratchKey {
public:
    static constexpr const wchar_t *Path = L"Software\\TarvikTest";
    ScratchKey() { RegCreateKeyExW(HKEY_CURRENT_USER, Path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr); }
    ~ScratchKey()
    {
        RegCloseKey(m_key);
        RegDeleteKeyW(HKEY_CURRENT_USER, Path);
    }
    void set(const wchar_t *name, DWORD type, const void *data, DWORD size)
    {
        RegSetValueExW(m_key, name, 0, type, static_cast<const BYTE *>(data), size);
    }

private:
    HKEY m_key = nullptr;
};

// A window of this process, hidden, made with the system's own class.
HWND makeWindow(const QString &title)
{
    return CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t *>(title.utf16()), WS_OVERLAPPED, 0, 0, 50, 50,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

quint64 handleOf(HWND w) { return quint64(reinterpret_cast<quintptr>(w)); }

// Runs this test executable again as a copy that lives until its input closes.
class Child {
public:
    Child()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARVIK_WAIT_FOR_INPUT"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.start(Win32Platform().executablePath(), {QStringLiteral("--gtest_filter=Win32Child.*")});
        m_process.waitForStarted(30000);
    }
    ~Child()
    {
        m_process.kill();
        m_process.waitForFinished(30000);
    }
    qint64 pid() const { return m_process.processId(); }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
};

} // namespace

// The body of the child above; skipped in an ordinary run.
TEST(Win32Child, WaitsForItsInputToClose)
{
    if (!qEnvironmentVariableIsSet("TARVIK_WAIT_FOR_INPUT"))
        GTEST_SKIP() << "only as the child of a copy registry test";
    while (std::fgetc(stdin) != EOF) {
    }
}

TEST(Win32Platform, PathsWithSlashesForTheProgramAndNativeForTheSystem)
{
    Win32Platform os;
    const QString exe = os.executablePath();
    EXPECT_TRUE(exe.endsWith(QStringLiteral("/unit_win32_platform_test.exe"), Qt::CaseInsensitive)) << exe.toStdString();
    EXPECT_FALSE(exe.contains(u'\\'));
    EXPECT_TRUE(QFileInfo(exe).isFile());
    // The test's own folder may be written: the menus stay beside the program.
    EXPECT_EQ(os.applicationDirectory(), folderOf(exe).toLower());
    EXPECT_TRUE(os.applicationDirectory().endsWith(u'/'));

    struct Case {
        const char *path, *native;
    } cases[] = {
        {"c:/Program Files/Outil/outil.exe", "c:\\Program Files\\Outil\\outil.exe"},
        {"\"C:/a b/dit.exe\"", "\"C:\\a b\\dit.exe\""},
        {"//serveur/partage/x.txt", "\\\\serveur\\partage\\x.txt"},
        {"https://www.example.org/a/b", "https://www.example.org/a/b"},
        {"mailto:x@example.org", "mailto:x@example.org"},
        {"notepad.exe", "notepad.exe"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(win32::nativePath(QString::fromUtf8(c.path)), QString::fromUtf8(c.native)) << c.path;
}

TEST(Win32Platform, FoldersOfTheSystemAndTheUser)
{
    Win32Platform os;
    const QString system = os.systemDir();
    EXPECT_TRUE(QFileInfo(system).isDir()) << system.toStdString();
    EXPECT_EQ(system.compare(QDir::fromNativeSeparators(qEnvironmentVariable("SystemRoot")) + "/system32",
                             Qt::CaseInsensitive),
              0)
        << system.toStdString();
    EXPECT_EQ(os.homeDir(), QDir::fromNativeSeparators(qEnvironmentVariable("USERPROFILE")));
    for (const QString &dir : {os.documentsDir(), os.desktopDir()}) {
        if (!dir.isEmpty())
            EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
        EXPECT_FALSE(dir.contains(u'\\'));
    }
    const QRect area = os.workArea();
    EXPECT_GT(area.width(), 0);
    EXPECT_GT(area.height(), 0);
}

TEST(Win32Platform, RegistryReadsStringsIntegersAndBinaryOrSaysWhyNot)
{
    Win32Platform os;
    Platform *previous = setPlatform(&os);
    // The value the program reads, through its own helper.
    EXPECT_EQ(QDir::fromNativeSeparators(GetProgramFilesDir()).compare(
                  QDir::fromNativeSeparators(qEnvironmentVariable("ProgramFiles")), Qt::CaseInsensitive),
              0);
    setPlatform(previous);

    ScratchKey key;
    const wchar_t text[] = L"C:\\Données\\été";
    const DWORD number = 0xFFFFFFFE;
    const unsigned char bytes[] = {0x00, 0x41, 0xFF};
    key.set(L"Texte", REG_SZ, text, sizeof text);
    key.set(L"Nombre", REG_DWORD, &number, sizeof number);
    key.set(L"Octets", REG_BINARY, bytes, sizeof bytes);
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    const QString path = QStringLiteral("\\Software\\TarvikTest");
    EXPECT_EQ(os.registryValue(root, path, "Texte"), QVariant(QStringLiteral("C:\\Données\\été")));
    EXPECT_EQ(os.registryValue(root, path, "Nombre"), QVariant(int(-2)));
    EXPECT_EQ(os.registryValue(root, path, "Octets"), QVariant(QByteArray("\x00\x41\xFF", 3)));
    EXPECT_EQ(errorOf([&] { os.registryValue(root, path, "Absente"); }),
              QStringLiteral("La clé de registre ne peut pas être lue."));
    EXPECT_EQ(errorOf([&] { os.registryValue(root, "\\Software\\TarvikTestAbsent", "Texte"); }),
              QStringLiteral("Le fichier spécifié est introuvable."));
    EXPECT_EQ(errorOf([&] { os.registryValue("HKEY_NULLE_PART", path, "Texte"); }),
              QStringLiteral("Le fichier spécifié est introuvable."));
}

TEST(Win32Platform, CopyMoveAndRecycleBin)
{
    Win32Platform os;
    QTemporaryDir dir;
    const QString a = dir.filePath("a é.txt");
    const QString b = dir.filePath("b.txt");
    write(a, "un");
    EXPECT_TRUE(os.copyFile(a, b, false));
    EXPECT_EQ(contentOf(b), "un");
    write(a, "deux");
    EXPECT_FALSE(os.copyFile(a, b, true)); // an existing target is kept
    EXPECT_EQ(contentOf(b), "un");
    EXPECT_TRUE(os.copyFile(a, b, false)); // or overwritten
    EXPECT_EQ(contentOf(b), "deux");
    EXPECT_FALSE(os.copyFile(dir.filePath("absent"), b, false));

    EXPECT_FALSE(os.moveFile(a, b)); // never over an existing file
    EXPECT_EQ(contentOf(a), "deux");
    const QString c = dir.filePath("sous/c.txt");
    QDir().mkpath(dir.filePath("sous"));
    EXPECT_TRUE(os.moveFile(a, c));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(contentOf(c), "deux");

    EXPECT_TRUE(os.moveToTrash(c));
    EXPECT_FALSE(QFile::exists(c));
    EXPECT_FALSE(os.moveToTrash(dir.filePath("absent.txt")));
}

TEST(Win32Platform, WindowsOfThisProgramTheirTitlesAndCloseRequests)
{
    Win32Platform os;
    const QString title = QStringLiteral("Tarvik essai %1").arg(GetCurrentProcessId());
    const HWND window = makeWindow(title);
    ASSERT_NE(window, nullptr);
    const HWND longTitle = makeWindow(QString(300, u'é'));
    ASSERT_NE(longTitle, nullptr);

    const QList<WindowHandle> order = os.topLevelWindows();
    EXPECT_TRUE(order.contains(handleOf(window)));
    EXPECT_TRUE(order.contains(handleOf(longTitle)));
    // The most recently created window comes first among this process's.
    EXPECT_LT(order.indexOf(handleOf(longTitle)), order.indexOf(handleOf(window)));
    EXPECT_EQ(os.windowTitle(handleOf(window)), title);
    EXPECT_EQ(os.windowTitle(handleOf(longTitle)), QString(254, u'é'));
    EXPECT_TRUE(os.isWindowOfThisProgram(handleOf(window)));
    EXPECT_FALSE(os.isWindowOfThisProgram(0));
    EXPECT_FALSE(os.isWindowOfThisProgram(handleOf(GetDesktopWindow())));
    EXPECT_EQ(win32::windowProcess(handleOf(window)), qint64(GetCurrentProcessId()));
    // The frame and the client area make up the window's outer rectangle.
    const std::optional<QMargins> frame = os.frameExtents(handleOf(window), 0);
    const std::optional<QRect> client = os.clientGeometry(handleOf(window));
    ASSERT_TRUE(frame && client);
    EXPECT_GT(frame->top(), 0); // the title bar
    RECT outer;
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(client->marginsAdded(*frame), QRect(QPoint(outer.left, outer.top), QPoint(outer.right - 1, outer.bottom - 1)));

    // The request is a message: the window goes once it has been handled.
    ASSERT_TRUE(os.postCloseRequest(handleOf(window)));
    EXPECT_TRUE(IsWindow(window));
    const QDeadlineTimer deadline(10000);
    while (IsWindow(window) && !deadline.hasExpired()) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(os.isWindowOfThisProgram(handleOf(window)));
    EXPECT_EQ(os.windowTitle(handleOf(window)), QString());
    EXPECT_FALSE(os.frameExtents(handleOf(window), 0));
    EXPECT_FALSE(os.clientGeometry(handleOf(window)));
    DestroyWindow(longTitle);
}

TEST(Win32CopyRegistry, OrderOnceEachAndCopiesThatEndedForgotten)
{
    QTemporaryDir dir;
    win32::CopyRegistry registry(QStringLiteral("C:/Outils/Tarvik.exe"), dir.path());
    // The same executable however its path is written: one registry.
    win32::CopyRegistry sameExe(QStringLiteral("c:\\OUTILS\\tarvik.EXE"), dir.path());
    EXPECT_EQ(registry.filePath(), sameExe.filePath());
    EXPECT_EQ(registry.mutexName(), sameExe.mutexName());
    EXPECT_NE(registry.filePath(), win32::CopyRegistry(QStringLiteral("C:/Autres/tarvik.exe"), dir.path()).filePath());

    const qint64 self = GetCurrentProcessId();
    Child child;
    ASSERT_GT(child.pid(), 0);
    EXPECT_EQ(registry.registerProcess(self), 0);
    EXPECT_EQ(sameExe.registerProcess(child.pid()), 1);
    EXPECT_EQ(registry.registerProcess(self), 0); // once
    EXPECT_EQ(registry.processes(), (QList<qint64>{self, child.pid()}));

    // A pid whose process started at another time is not the copy that registered.
    {
        QFile file(registry.filePath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray::number(self) + " 12345\n");
    }
    EXPECT_EQ(registry.processes(), (QList<qint64>{self, child.pid()}));

    child.kill();
    EXPECT_EQ(registry.processes(), QList<qint64>{self});
    registry.unregisterProcess(self);
    EXPECT_TRUE(registry.processes().isEmpty());
    EXPECT_FALSE(QFile::exists(registry.filePath()));
    EXPECT_EQ(registry.registerProcess(0), -1);
}

TEST(Win32MenusFolder, AWritableFolderIsToldByAFileMadeThereAndLeavesNone)
{
    QTemporaryDir dir;
    EXPECT_TRUE(isWritableFolder(dir.path()));
    EXPECT_TRUE(isWritableFolder(dir.path() + u'/'));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_FALSE(isWritableFolder(dir.filePath("absent")));
    write(dir.filePath("fichier"), "x");
    EXPECT_FALSE(isWritableFolder(dir.filePath("fichier")));
    EXPECT_EQ(chooseMenusFolder(dir.path()), dir.path() + u'/');
    EXPECT_TRUE(userMenusFolder().endsWith(QStringLiteral("/Tarvik/")));
}

TEST(Win32FileLock, StatusesAndALockedFileStaysReplaceable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("MENUS.instances.ini");
    {
        const FileLock missing(path, FileLock::Mode::Exclusive, {.create = false});
        EXPECT_EQ(missing.status(), FileLock::Status::Missing);
        EXPECT_FALSE(QFile::exists(path));
    }
    {
        const FileLock created(path, FileLock::Mode::Exclusive, {.create = true});
        ASSERT_TRUE(created.locked());
        EXPECT_EQ(QFile(path).size(), 0);
        // The holder rewrites the file through a rename, and may remove it.
        QSaveFile replacement(path);
        ASSERT_TRUE(replacement.open(QIODevice::WriteOnly));
        replacement.write("1\r\n");
        EXPECT_TRUE(replacement.commit()) << replacement.errorString().toStdString();
        EXPECT_EQ(contentOf(path), "1\r\n");
        EXPECT_TRUE(QFile::remove(path));
    }
    const FileLock inMissingFolder(dir.filePath("absent/x.ini"), FileLock::Mode::Exclusive, {.create = true});
    EXPECT_EQ(inMissingFolder.status(), FileLock::Status::OpenFailed);
    EXPECT_FALSE(inMissingFolder.errorText().isEmpty());
}

// Two saves of one file at the same moment take turns: the file ends whole,
// as one of them wrote it, with nothing left beside it.
TEST(Win32WholeFile, TwoSavesAtOnceLeaveOneWholeFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("M.items.txt");
    const QByteArray contents[] = {QByteArray(300000, 'a'), QByteArray(200000, 'b')};
    int failures[2] = {0, 0};
    const auto saver = [&](int i) {
        for (int n = 0; n < 60; ++n) {
            try {
                writeWholeFile(target, contents[i], Durability::Transient);
            } catch (const std::exception &) {
                ++failures[i];
            }
        }
    };
    std::thread first(saver, 0);
    std::thread second(saver, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures[0] + failures[1], 0);
    const QByteArray now = contentOf(target);
    EXPECT_TRUE(now == contents[0] || now == contents[1]) << now.size();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"M.items.txt"});
}

TEST(Win32Platform, TheStartedProcessAndItsParent)
{
    Win32Platform os;
    // This test program started again, as a copy that ends at once.
    const int result = os.shellExecute(0, QStringLiteral("OPEN"), os.executablePath(),
                                       QStringLiteral("--gtest_filter=Nothing.*"), QString(), SW_SHOWNORMAL);
    EXPECT_GT(result, 32);
    const qint64 started = os.lastStartedProcess();
    EXPECT_GT(started, 0);
    EXPECT_NE(started, qint64(GetCurrentProcessId()));

    const std::optional<ProcessInfo> self = os.processInfo(GetCurrentProcessId());
    ASSERT_TRUE(self);
    EXPECT_GE(self->parent, 0); // 0 for a process started from outside Wine
    EXPECT_EQ(self->session, 0);
    EXPECT_FALSE(os.processInfo(0));
    EXPECT_FALSE(os.sessionRuns(GetCurrentProcessId()));
}

#endif
