// The Linux back-end's services that need no display: files, trash, folders,
// the registry table, pauses, the copy registry, and window services that
// answer empty without a display.

#include "platform/Errors.h"
#include "platform/LinuxPlatform.h"
#include "platform/MenusFolder.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tarvik::chooseMenusFolder;
using tarvik::folderOf;
using tarvik::isWritableFolder;
using tarvik::LinuxPlatform;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Sets environment variables for one test and puts them back.
class ScopedEnv {
public:
    void set(const char *name, const QByteArray &value)
    {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char *name)
    {
        remember(name);
        qunsetenv(name);
    }
    ~ScopedEnv()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }

private:
    void remember(const char *name)
    {
        for (const auto &s : m_saved)
            if (s.first == name)
                return;
        m_saved.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

TEST(LinuxFiles, CopyOverwritesAndKeepsModeAndTime)
{
    QTemporaryDir dir;
    LinuxPlatform p;
    const QString source = dir.filePath(QStringLiteral("source.sh"));
    const QString target = dir.filePath(QStringLiteral("target.sh"));
    writeFile(source, "#!/bin/sh\necho new\n");
    ASSERT_EQ(chmod(QFile::encodeName(source).constData(), 0750), 0);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1500000000);
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    writeFile(target, "an older and longer content that must go entirely\n");

    EXPECT_FALSE(p.copyFile(source, target, true)) << "failIfExists keeps the target";
    EXPECT_EQ(readFile(target), QByteArray("an older and longer content that must go entirely\n"));

    ASSERT_TRUE(p.copyFile(source, target, false));
    EXPECT_EQ(readFile(target), readFile(source));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(QFileInfo(target).lastModified(), stamp);

    const QString fresh = dir.filePath(QStringLiteral("sub dir/new \"name\".txt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub dir")));
    EXPECT_TRUE(p.copyFile(source, fresh, true));
    EXPECT_EQ(readFile(fresh), readFile(source));

    // Failures: no source, a folder as source or target, a missing target folder.
    EXPECT_FALSE(p.copyFile(dir.filePath(QStringLiteral("missing")), target, false));
    EXPECT_FALSE(p.copyFile(dir.path(), dir.filePath(QStringLiteral("copy-of-dir")), false));
    EXPECT_FALSE(p.copyFile(source, dir.filePath(QStringLiteral("sub dir")), false));
    EXPECT_FALSE(p.copyFile(source, dir.filePath(QStringLiteral("nowhere/x")), false));

    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"source.sh", "target.sh"}));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("sub dir"))).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"new \"name\".txt"}));
}

TEST(LinuxFiles, MoveRenamesButNeverReplaces)
{
    QTemporaryDir dir;
    LinuxPlatform p;
    const QString a = dir.filePath(QStringLiteral("a.txt"));
    const QString b = dir.filePath(QStringLiteral("b.txt"));
    writeFile(a, "A");
    writeFile(b, "B");
    EXPECT_FALSE(p.moveFile(a, b));
    EXPECT_EQ(readFile(a), QByteArray("A"));
    EXPECT_EQ(readFile(b), QByteArray("B"));

    const QString c = dir.filePath(QStringLiteral("c.txt"));
    EXPECT_TRUE(p.moveFile(a, c));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(readFile(c), QByteArray("A"));
    EXPECT_FALSE(p.moveFile(a, dir.filePath(QStringLiteral("d.txt"))));

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    writeFile(dir.filePath(QStringLiteral("folder/in.txt")), "in");
    EXPECT_TRUE(p.moveFile(dir.filePath(QStringLiteral("folder")), dir.filePath(QStringLiteral("moved"))));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("moved/in.txt"))), QByteArray("in"));
}

TEST(LinuxFiles, MoveAcrossFileSystemsCopiesThenRemoves)
{
    QTemporaryDir here;
    struct stat a {}, b {};
    if (stat("/dev/shm", &b) != 0 || stat(QFile::encodeName(here.path()).constData(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system to move across";
    QTemporaryDir there(QStringLiteral("/dev/shm/tarvik-test-XXXXXX"));
    ASSERT_TRUE(there.isValid());
    LinuxPlatform p;
    const QString source = there.filePath(QStringLiteral("doc.pdf"));
    writeFile(source, QByteArray(300000, 'x'));
    const QString target = here.filePath(QStringLiteral("doc.pdf"));
    EXPECT_TRUE(p.moveFile(source, target));
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_EQ(readFile(target), QByteArray(300000, 'x'));

    writeFile(source, "again");
    EXPECT_FALSE(p.moveFile(source, target)) << "an existing target is refused across file systems too";
    EXPECT_EQ(readFile(source), QByteArray("again"));
}

TEST(LinuxFiles, TrashIsTheFreedesktopTrash)
{
    QTemporaryDir dir;
    ScopedEnv env;
    env.set("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    LinuxPlatform p;
    const QString file = dir.filePath(QStringLiteral("rapport.pdf"));
    writeFile(file, "pdf");
    EXPECT_TRUE(p.moveToTrash(file));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("data/Trash/files/rapport.pdf"))), QByteArray("pdf"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("data/Trash/info/rapport.pdf.trashinfo"))));
    EXPECT_FALSE(p.moveToTrash(file));
    EXPECT_FALSE(p.moveToTrash(QString()));
}

TEST(LinuxFolders, UserFoldersComeFromXdgAndMustExist)
{
    QTemporaryDir dir;
    ScopedEnv env;
    const QString home = dir.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/.config")));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Bureau")));
    env.set("HOME", QFile::encodeName(home));
    env.set("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    const QString dirs = home + QStringLiteral("/.config/user-dirs.dirs");
    writeFile(dirs, "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"\n");

    LinuxPlatform p;
    EXPECT_EQ(p.homeDir(), home);
    EXPECT_EQ(p.desktopDir(), home + QStringLiteral("/Bureau"));
    EXPECT_EQ(p.documentsDir(), QString()) << "the documents folder does not exist yet";
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Mes documents")));
    EXPECT_EQ(p.documentsDir(), home + QStringLiteral("/Mes documents"));

    // A folder set to the home directory is a disabled folder.
    writeFile(dirs, "XDG_DESKTOP_DIR=\"$HOME/\"\nXDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"\n");
    EXPECT_EQ(p.desktopDir(), QString());
    EXPECT_EQ(p.systemDir(), QStringLiteral("/usr/bin"));
}

// A copy in a folder the user may write keeps its menus beside it; one in a
// read-only folder (an installed copy) keeps them in the user's data folder,
// which is made for it, private, on first use.
TEST(LinuxMenusFolder, BesideAWritableExecutableElseInTheUserDataFolder)
{
    struct Case {
        const char *name;
        mode_t exeFolderMode;        // 0: the folder does not exist
        const char *xdgDataHome;     // nullptr: unset; "@": a folder of the test
        const char *expected;        // "exe", "xdg" or "home"
    } cases[] = {
        {"portable", 0755, "@", "exe"},
        {"read-only folder", 0555, "@", "xdg"},
        {"read-only, no XDG_DATA_HOME", 0555, nullptr, "home"},
        {"read-only, relative XDG_DATA_HOME", 0555, "data", "home"},
        {"its owner may read it, not write it", 0500, "@", "xdg"},
        {"missing folder", 0, "@", "xdg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ScopedEnv env;
        const QString home = dir.filePath(QStringLiteral("home"));
        const QString xdg = dir.filePath(QStringLiteral("xdg"));
        const QString exeFolder = dir.filePath(QStringLiteral("bin")) + u'/';
        env.set("HOME", QFile::encodeName(home));
        if (!c.xdgDataHome)
            env.unset("XDG_DATA_HOME");
        else
            env.set("XDG_DATA_HOME", QByteArray(c.xdgDataHome) == "@" ? QFile::encodeName(xdg) : QByteArray(c.xdgDataHome));
        if (c.exeFolderMode) {
            ASSERT_TRUE(QDir().mkpath(exeFolder));
            ASSERT_EQ(chmod(QFile::encodeName(exeFolder).constData(), c.exeFolderMode), 0);
        }

        const QString chosen = chooseMenusFolder(exeFolder);
        const QString expected = QByteArray(c.expected) == "exe"   ? exeFolder
                                 : QByteArray(c.expected) == "xdg" ? xdg + QStringLiteral("/tarvik/")
                                                                   : home + QStringLiteral("/.local/share/tarvik/");
        EXPECT_EQ(chosen, expected);
        EXPECT_EQ(chosen == exeFolder, isWritableFolder(exeFolder));
        if (chosen != exeFolder) {
            struct stat st {};
            ASSERT_EQ(stat(QFile::encodeName(chosen).constData(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
            EXPECT_TRUE(isWritableFolder(chosen));
        } else {
            EXPECT_FALSE(QFileInfo::exists(xdg));
            EXPECT_FALSE(QFileInfo::exists(home));
        }
        if (c.exeFolderMode)
            chmod(QFile::encodeName(exeFolder).constData(), 0755); // so the temporary folder can go
    }

    // A folder already there is used as it is.
    QTemporaryDir dir;
    ScopedEnv env;
    const QString mine = dir.filePath(QStringLiteral("xdg/tarvik"));
    ASSERT_TRUE(QDir().mkpath(mine));
    ASSERT_EQ(chmod(QFile::encodeName(mine).constData(), 0750), 0);
    env.set("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("xdg/"))));
    EXPECT_EQ(chooseMenusFolder(QStringLiteral("/proc/")), mine + u'/');
    EXPECT_EQ(QFileInfo(mine).permissions() & QFileDevice::ReadGroup, QFileDevice::ReadGroup);
    EXPECT_FALSE(isWritableFolder(dir.filePath(QStringLiteral("xdg/tarvik/none"))));
    EXPECT_EQ(folderOf(QStringLiteral("/usr/bin/tarvik")), QStringLiteral("/usr/bin/"));
    EXPECT_EQ(folderOf(QStringLiteral("/tarvik")), QStringLiteral("/"));
}

TEST(LinuxRegistry, BuiltInTableAndFrenchFailures)
{
    LinuxPlatform p;
    const QString cv = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion");
    EXPECT_EQ(p.registryValue(QStringLiteral("HKEY_LOCAL_MACHINE"), cv, QStringLiteral("ProgramFilesDir")),
              QVariant(QStringLiteral("/opt")));
    EXPECT_EQ(p.registryValue(QStringLiteral("hkey_local_machine"), QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                              QStringLiteral("programfilesdir")),
              QVariant(QStringLiteral("/opt")));

    const struct {
        const char *root;
        QString key;
        const char *value;
        const char *message;
    } failures[] = {
        {"HKEY_LOCAL_MACHINE", cv, "CommonFilesDir", "La clé de registre ne peut pas être lue."},
        {"HKEY_LOCAL_MACHINE", QStringLiteral("\\Software\\Other"), "ProgramFilesDir", "Le fichier spécifié est introuvable."},
        {"HKEY_CURRENT_USER", cv, "ProgramFilesDir", "Le fichier spécifié est introuvable."},
    };
    for (const auto &f : failures) {
        try {
            p.registryValue(QString::fromUtf8(f.root), f.key, QString::fromUtf8(f.value));
            ADD_FAILURE() << "no error for " << f.value;
        } catch (const tarvik::Error &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(f.message));
        }
    }
}

TEST(LinuxPlatformBasics, ExecutableSleepAndCopies)
{
    QTemporaryDir runtime;
    ScopedEnv env;
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    LinuxPlatform p;
    const QFileInfo exe(p.executablePath());
    EXPECT_TRUE(exe.isAbsolute());
    EXPECT_EQ(exe.fileName(), QStringLiteral("unit_linux_files_test"));
    EXPECT_TRUE(exe.isExecutable());
    // The build folder is writable: a portable copy.
    EXPECT_EQ(p.applicationDirectory(), exe.absolutePath() + u'/');

    QElapsedTimer timer;
    timer.start();
    p.sleep(60);
    EXPECT_GE(timer.elapsed(), 60);

    EXPECT_EQ(p.registerCopy(), 0);
    EXPECT_EQ(p.registeredCopies(), (QList<qint64>{getpid()}));
    EXPECT_EQ(QDir(runtime.path()).entryList(QDir::Files).size(), 1);
    p.unregisterCopy();
    EXPECT_TRUE(p.registeredCopies().isEmpty());
}

TEST(LinuxPlatformBasics, WindowServicesWithoutDisplayAnswerEmpty)
{
    ScopedEnv env;
    env.unset("DISPLAY");
    LinuxPlatform p;
    EXPECT_TRUE(p.topLevelWindows().isEmpty());
    EXPECT_EQ(p.windowTitle(0x400001), QString());
    EXPECT_FALSE(p.bringToFront(0x400001));
    EXPECT_FALSE(p.postCloseRequest(0x400001));
    EXPECT_FALSE(p.isWindowOfThisProgram(0x400001));
    EXPECT_EQ(p.activeWindow(), 0u);
    EXPECT_FALSE(p.bringProcessToFront(getpid()));
    EXPECT_FALSE(p.workArea().isEmpty());
}

} // namespace
