// The Windows build under Wine on the X display: a menu opens with its title,
// registers in the instance file beside tarvik.exe, and closing it keeps its
// files there; the root's close ends its family; a tenth copy is refused.
// scripts/test-windows --desktop runs it with the packed folder
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

#include <memory>
#include <vector>

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
        for (QProcess *p : {&menu, &second})
            if (p->state() != QProcess::NotRunning)
                killProcess(*p);
        for (auto &p : copies)
            if (p->state() != QProcess::NotRunning)
                killProcess(*p);
    }

    void start(QProcess &process, const QString &name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(app.path());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(wine, {app.filePath(QStringLiteral("tarvik.exe")), name});
        process.waitForStarted(10000);
    }
    void start(const QString &name) { start(menu, name); }
    QString path(const QString &name) const { return app.filePath(name); }
    WindowId waitWindow(const QString &title)
    {
        WindowId window = 0;
        waitUntil([&] { return (window = s_screen.windowTitled(title)) != 0; }, kWineDeadlineMs);
        return window;
    }
    QStringList instanceLines() const
    {
        return QString::fromLatin1(readFile(path(QStringLiteral("MENUS.instances.ini"))))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    static inline Screen s_screen;
    static inline WindowManager s_windowManager;
    QString folder;
    QString wine;
    QTemporaryDir app;
    QProcess menu;
    QProcess second;
    std::vector<std::unique_ptr<QProcess>> copies;
};

TEST_F(WineDesktop, MenuOpensWithItsTitleAndKeepsItsFilesInItsFolder)
{
    writeFile(path(QStringLiteral("ESSAI.items.txt")), "C:\\windows\\notepad.exe\r\n");
    start(QStringLiteral("essai"));
    ASSERT_EQ(menu.state(), QProcess::Running);

    const WindowId window = waitWindow(QStringLiteral("ESSAI"));
    ASSERT_NE(window, 0u) << "no window titled ESSAI";
    // Registered by its Windows handle: one decimal line, as the root of a new family.
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }, kWineDeadlineMs));
    const QStringList lines = instanceLines();
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

// The root's close reaches the other menu of its family, a process of its
// own, through its Windows handle in the instance file.
TEST_F(WineDesktop, ClosingTheRootClosesTheOtherMenuAfterItSaved)
{
    start(menu, QStringLiteral("RACINE"));
    const WindowId root = waitWindow(QStringLiteral("RACINE"));
    ASSERT_NE(root, 0u) << "no window titled RACINE";
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 1; }, kWineDeadlineMs));
    start(second, QStringLiteral("COMPTA"));
    ASSERT_NE(waitWindow(QStringLiteral("COMPTA")), 0u) << "no window titled COMPTA";
    ASSERT_TRUE(waitUntil([&] { return instanceLines().size() == 2; }, kWineDeadlineMs));
    EXPECT_NE(instanceLines()[0], instanceLines()[1]);

    s_screen.requestClose(root);
    for (QProcess *p : {&menu, &second}) {
        ASSERT_TRUE(p->waitForFinished(kWineDeadlineMs)) << "a menu of the family still runs";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("MENUS.instances.ini"))));
    for (const char *name : {"RACINE", "COMPTA"})
        EXPECT_TRUE(readFile(path(QStringLiteral("%1.MENU.INI").arg(QLatin1String(name))))
                        .contains(QByteArray("caption=") + name))
            << name;
}

// Nine copies run at most: a tenth says so in a plain box and ends, through
// the copy registry the copies share under their named mutex.
TEST_F(WineDesktop, ATenthCopyIsRefused)
{
    for (int i = 1; i <= 10; ++i) {
        copies.push_back(std::make_unique<QProcess>());
        start(*copies.back(), QStringLiteral("M%1").arg(i));
        if (i < 10)
            ASSERT_NE(waitWindow(QStringLiteral("M%1").arg(i)), 0u) << "no window of copy " << i;
    }
    QProcess &tenth = *copies.back();
    WindowId box = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            box = s_screen.windowTitled(QStringLiteral("Tarvik"));
            return box != 0;
        },
        kWineDeadlineMs))
        << "no message box of the tenth copy";
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(tenth.waitForFinished(kWineDeadlineMs)) << "the tenth copy still runs";
    EXPECT_EQ(tenth.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("M10.MENU.INI"))));
    for (size_t i = 0; i + 1 < copies.size(); ++i)
        EXPECT_EQ(copies[i]->state(), QProcess::Running) << "copy " << i + 1;
    EXPECT_EQ(instanceLines().size(), 9);
}

} // namespace
