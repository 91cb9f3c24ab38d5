// The Windows build under Wine on the X display: a menu opens with its title,
// registers in the instance file beside tarvik.exe, and closing it keeps its
// files there. scripts/test-windows --desktop runs it with the packed folder
// (TARVIK_WINDOWS_FOLDER), Wine (TARVIK_WINE) and a Wine prefix of its own;
// without them it is skipped. Every wait polls with a deadline; only the
// processes started here are ended.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using namespace tarvik::testing;

// Wine starts a program in seconds, not in the tens of milliseconds of a
// native one.
constexpr int kWineDeadlineMs = 60000;

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

class WineDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureCoreApplication();
        if (s_screen.open())
            s_windowManager.startUnlessRunning();
    }
    static void TearDownTestSuite()
    {
        s_windowManager.stop();
        s_screen.close();
    }
    void SetUp() override
    {
        folder = qEnvironmentVariable("TARVIK_WINDOWS_FOLDER");
        wine = qEnvironmentVariable("TARVIK_WINE");
        if (folder.isEmpty() || wine.isEmpty())
            GTEST_SKIP() << "run by scripts/test-windows --desktop, which names the Windows folder and Wine";
        ASSERT_TRUE(s_screen.isOpen()) << "desktop tests need an X display";
        ASSERT_TRUE(app.isValid());
        ASSERT_TRUE(copyTree(folder, app.path())) << folder.toStdString();
    }
    void TearDown() override
    {
        if (menu.state() != QProcess::NotRunning)
            killProcess(menu);
    }

    void start(const QString &name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
        menu.setProcessEnvironment(env);
        menu.setWorkingDirectory(app.path());
        menu.setStandardOutputFile(QProcess::nullDevice());
        menu.setStandardErrorFile(QProcess::nullDevice());
        menu.start(wine, {app.filePath(QStringLiteral("tarvik.exe")), name});
        menu.waitForStarted(10000);
    }
    QString path(const QString &name) const { return app.filePath(name); }

    static inline Screen s_screen;
    static inline WindowManager s_windowManager;
    QString folder;
    QString wine;
    QTemporaryDir app;
    QProcess menu;
};

TEST_F(WineDesktop, MenuOpensWithItsTitleAndKeepsItsFilesInItsFolder)
{
    writeFile(path(QStringLiteral("ESSAI.items.txt")), "C:\\windows\\notepad.exe\r\n");
    start(QStringLiteral("essai"));
    ASSERT_EQ(menu.state(), QProcess::Running);

    WindowId window = 0;
    ASSERT_TRUE(waitUntil([&] { return (window = s_screen.windowTitled(QStringLiteral("ESSAI"))) != 0; },
                          kWineDeadlineMs))
        << "no window titled ESSAI";
    // Registered by its Windows handle: one decimal line, as the root of a new family.
    QStringList lines;
    ASSERT_TRUE(waitUntil(
        [&] {
            lines = QString::fromLatin1(readFile(path(QStringLiteral("MENUS.instances.ini"))))
                        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            return lines.size() == 1;
        },
        kWineDeadlineMs));
    bool decimal = false;
    EXPECT_NE(lines[0].toULongLong(&decimal), 0u);
    EXPECT_TRUE(decimal) << lines[0].toStdString();

    s_screen.requestClose(window);
    ASSERT_TRUE(menu.waitForFinished(kWineDeadlineMs)) << "the menu did not close";
    EXPECT_EQ(menu.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(menu.exitCode(), 0);

    // The root's close removes the family's file; the menu's own files stay.
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    EXPECT_TRUE(readFile(path(QStringLiteral("ESSAI.MENU.INI"))).contains("caption=ESSAI"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("ESSAI.boutons.txt"))));
    EXPECT_EQ(readFile(path(QStringLiteral("ESSAI.items.txt"))), "C:\\windows\\notepad.exe\r\n");
    EXPECT_EQ(readFile(path(QStringLiteral("ESSAI.items.checked.txt"))), "0\r\n");
}

} // namespace
