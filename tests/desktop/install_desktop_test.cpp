// The program as a desktop installs it: cmake --install into a temporary
// prefix that is then made read-only, the installed program started from
// there keeps its menus in the user's data folder; the installed desktop
// entry is valid; the Debian package lists the libraries it needs.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using tarvik::testing::toolInstalled;
using tarvik::testing::WindowId;

struct Outcome {
    int code = -1; // -1: did not finish in time
    QString output;
};

// Runs a tool to its end (killed after timeoutMs) with its output merged.
Outcome run(const QString &program, const QStringList &args, int timeoutMs = 120000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Outcome out;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        out.output = QString::fromUtf8(p.readAll());
        return out;
    }
    out.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    out.output = QString::fromUtf8(p.readAll()).trimmed();
    return out;
}

QStringList filesUnder(const QString &root)
{
    QStringList out;
    const QDir base(root);
    QDirIterator::IteratorFlags flags = QDirIterator::Subdirectories;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, flags);
    while (it.hasNext())
        out << base.relativeFilePath(it.next());
    out.sort();
    return out;
}

class InstallDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    InstallDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    void TearDown() override
    {
        MenuDesktopTest::TearDown();
        // Writable again, so that the temporary folder can go.
        if (!m_prefix.isEmpty())
            run(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), m_prefix});
    }

    // Installs the built program under tmp/prefix and makes it read-only.
    void installReadOnly()
    {
        m_prefix = m_tmp.filePath(QStringLiteral("prefix"));
        const Outcome installed = run(QStringLiteral(TARVIK_CMAKE),
                                      {QStringLiteral("--install"), QStringLiteral(TARVIK_BINARY_DIR),
                                       QStringLiteral("--prefix"), m_prefix});
        ASSERT_EQ(installed.code, 0) << installed.output.toStdString();
        const Outcome locked = run(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a-w"), m_prefix});
        ASSERT_EQ(locked.code, 0) << locked.output.toStdString();
    }

    QString installed(const QString &relative) const { return m_prefix + u'/' + relative; }

    QTemporaryDir m_tmp;
    QString m_prefix;
};

TEST_F(InstallDesktop, InstalledProgramKeepsItsMenusInTheUserDataFolder)
{
    ASSERT_NO_FATAL_FAILURE(installReadOnly());
    for (const char *file : {"bin/tarvik", "share/applications/tarvik.desktop",
                             "share/icons/hicolor/scalable/apps/tarvik.svg",
                             "share/icons/hicolor/48x48/apps/tarvik.png", "share/icons/hicolor/256x256/apps/tarvik.png"})
        EXPECT_TRUE(QFileInfo::exists(installed(QString::fromLatin1(file)))) << file;
    const QStringList before = filesUnder(m_prefix);

    // The installed entry passes the freedesktop checks.
    ASSERT_TRUE(toolInstalled(QStringLiteral("desktop-file-validate")));
    const Outcome valid = run(QStringLiteral("desktop-file-validate"), {installed(QStringLiteral("share/applications/tarvik.desktop"))});
    EXPECT_EQ(valid.code, 0) << valid.output.toStdString();
    EXPECT_EQ(valid.output, QString());

    // Started from the menu of a desktop: no argument, a user data folder of its own.
    const QString dataHome = m_tmp.filePath(QStringLiteral("data"));
    const QString menus = dataHome + QStringLiteral("/tarvik/");
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(m_tmp.path());
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(installed(QStringLiteral("bin/tarvik")), {});
    ASSERT_TRUE(p->waitForStarted(5000));
    QProcess *menu = p.get();
    processes.push_back(std::move(p));

    const WindowId window = waitWindow(QStringLiteral("TARVIK"));
    ASSERT_NE(window, 0u) << "the installed program showed no menu";
    EXPECT_GT(s_screen.cardinal(window, "_NET_WM_ICON"), 0) << "the window carries no icon for the taskbar";
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(menus + QStringLiteral("MENUS.instances.ini")); }));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(menus).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the menus' folder is the user's alone";

    s_screen.requestClose(window);
    ASSERT_TRUE(ended(menu));
    EXPECT_EQ(menu->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(menu->exitCode(), 0);
    EXPECT_EQ(filesUnder(menus), (QStringList{QStringLiteral("TARVIK.MENU.INI"), QStringLiteral("TARVIK.boutons.txt"),
                                               QStringLiteral("TARVIK.items.checked.txt"),
                                               QStringLiteral("TARVIK.items.txt")}));
    EXPECT_EQ(filesUnder(m_prefix), before) << "nothing is written beside an installed program";
}

TEST_F(InstallDesktop, DebianPackageListsTheLibrariesItNeeds)
{
    for (const char *tool : {"dpkg-deb", "dpkg-shlibdeps", "lintian"})
        ASSERT_TRUE(toolInstalled(QString::fromLatin1(tool))) << tool;
    const QString out = m_tmp.filePath(QStringLiteral("paquet"));
    const Outcome packed = run(QStringLiteral(TARVIK_CPACK),
                               {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                QStringLiteral(TARVIK_BINARY_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out},
                               240000);
    ASSERT_EQ(packed.code, 0) << packed.output.toStdString();
    const QStringList debs = QDir(out).entryList({QStringLiteral("tarvik_*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << packed.output.toStdString();
    const QString deb = QDir(out).filePath(debs.first());

    const Outcome info = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), deb});
    ASSERT_EQ(info.code, 0) << info.output.toStdString();
    QString depends;
    for (const QString &line : info.output.split(u'\n'))
        if (line.trimmed().startsWith(QLatin1String("Depends:")))
            depends = line.trimmed();
    for (const char *library : {"libc6", "libstdc++6", "libqt6widgets6", "libqt6gui6", "libqt6core6", "libx11-6", "libxtst6"})
        EXPECT_TRUE(depends.contains(QLatin1String(library))) << library << " missing from: " << depends.toStdString();

    const Outcome contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
    for (const char *file : {"./usr/bin/tarvik", "./usr/share/applications/tarvik.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/tarvik.svg", "./usr/share/doc/tarvik/copyright"})
        EXPECT_TRUE(contents.output.contains(QLatin1String(file))) << file;
    EXPECT_FALSE(contents.output.contains(QLatin1String("_test"))) << "tests are not packaged";

    const Outcome lint = run(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error"), deb}, 240000);
    EXPECT_EQ(lint.code, 0) << lint.output.toStdString();
    EXPECT_FALSE(lint.output.contains(QLatin1String("E: "))) << lint.output.toStdString();
}

} // namespace
