// The instance file: registration at start-up, the close of a sub-menu and of
// the root, the menu TARVIK, hand-edited lines, the panic exit.
#include "UiTestSupport.h"

#include "platform/LineFile.h"

#include <QDir>

#include <clocale>
#include <string>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

const QString kInstances = QStringLiteral("MENUS.instances.ini");

QStringList handlesOf(const std::vector<PlatformCall> &calls)
{
    QStringList out;
    for (const auto &c : calls)
        out << c.args.value(0);
    return out;
}

int g_exitCode = -1;
void recordExit(int code) { g_exitCode = code; }

class InstancesTest : public MenuFixture {
protected:
    QStringList instanceLines() const { return decodeLines(readFile(kInstances)); }
    static QString id(TForm1 &f) { return QString::number(f.ownHandle()); }
};

TEST_F(InstancesTest, FirstStartRegistersItsOwnWindowAsRoot)
{
    // A window of another program whose title contains the name comes first:
    // the menu must still register its own window.
    os.windows = {{4242, QStringLiteral("JEUX")}};
    TForm1 &root = startMenu(QStringLiteral("JEU"));
    ASSERT_NE(root.ownHandle(), 0u);
    EXPECT_EQ(instanceLines(), QStringList{id(root)});
    EXPECT_EQ(readFile(kInstances), id(root).toLatin1() + "\r\n");
    EXPECT_EQ(root.ListBox_INSTANCES.lines.size(), 1);
}

TEST_F(InstancesTest, SubMenuAddsALineAndItsCloseLeavesTheFile)
{
    TForm1 &root = startMenu(QStringLiteral("RACINE"));
    TForm1 &sub = startMenu(QStringLiteral("COMPTA"));
    ASSERT_NE(root.ownHandle(), sub.ownHandle());
    EXPECT_EQ(instanceLines(), (QStringList{id(root), id(sub)}));
    EXPECT_EQ(sub.ListBox_INSTANCES.lines, (QStringList{id(root), id(sub)}));

    const QByteArray before = readFile(kInstances);
    os.programWindows = {root.ownHandle(), sub.ownHandle()};
    EXPECT_TRUE(sub.close());
    EXPECT_EQ(readFile(kInstances), before);
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());
    // The sub-menu saved its own files.
    EXPECT_TRUE(fileExists(QStringLiteral("COMPTA.MENU.INI")));
    EXPECT_TRUE(fileExists(QStringLiteral("COMPTA.boutons.txt")));
}

TEST_F(InstancesTest, RootPostsFromTheLastLineToTheSecondThenDeletesTheFile)
{
    TForm1 &root = startMenu(QStringLiteral("RACINE"));
    TForm1 &a = startMenu(QStringLiteral("A"));
    TForm1 &b = startMenu(QStringLiteral("B"));
    TForm1 &c = startMenu(QStringLiteral("C"));
    os.programWindows = {root.ownHandle(), a.ownHandle(), b.ownHandle(), c.ownHandle()};
    // A menu registered after the root's start and already closed: its id
    // may by now name another program's window, which must not be asked.
    QStringList lines = instanceLines();
    lines.insert(2, QStringLiteral("987654"));
    LineList{lines, TextEncoding::Ansi}.saveToFile(path(kInstances));

    EXPECT_TRUE(root.close());
    EXPECT_EQ(handlesOf(os.callsNamed(QStringLiteral("PostClose"))), (QStringList{id(c), id(b), id(a)}));
    EXPECT_FALSE(fileExists(kInstances));
    EXPECT_TRUE(fileExists(QStringLiteral("RACINE.MENU.INI")));

    // A second close of the root finds no file and only saves.
    os.clearCalls();
    EXPECT_TRUE(root.FormClose());
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());
}

TEST_F(InstancesTest, MalformedLinesAreSkipped)
{
    TForm1 &root = startMenu(QStringLiteral("RACINE"));
    const WindowHandle good = 555, foreign = 666;
    os.programWindows = {root.ownHandle(), good};
    QStringList lines = instanceLines();
    lines << QStringLiteral("abc") << QString::number(good) << QString() << QStringLiteral("0x10")
          << QStringLiteral("-5") << QStringLiteral("99999999999999999999999") << QStringLiteral("12 34")
          << QString::number(foreign) << id(root);
    LineList{lines, TextEncoding::Ansi}.saveToFile(path(kInstances));

    EXPECT_TRUE(root.close());
    EXPECT_EQ(handlesOf(os.callsNamed(QStringLiteral("PostClose"))), QStringList{QString::number(good)});
    EXPECT_FALSE(fileExists(kInstances));
}

TEST_F(InstancesTest, MenuOfAnEndedFamilyIsASubMenu)
{
    writeFile(kInstances, "111\r\n222\r\n");
    TForm1 &late = startMenu(QStringLiteral("COMPTA"));
    const QStringList expected{QStringLiteral("111"), QStringLiteral("222"), id(late)};
    EXPECT_EQ(instanceLines(), expected);
    EXPECT_TRUE(late.close());
    EXPECT_EQ(instanceLines(), expected);
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());
}

TEST_F(InstancesTest, MenuTarvikStartsANewFamily)
{
    writeFile(kInstances, "111\r\n222\r\n");
    TForm1 &first = startMenu(QStringLiteral("tarvik"));
    EXPECT_EQ(instanceLines(), QStringList{id(first)});
    TForm1 &sub = startMenu(QStringLiteral("COMPTA"));
    TForm1 &second = startMenu(QStringLiteral("TARVIK"));
    TForm1 &late = startMenu(QStringLiteral("LABO"));
    EXPECT_EQ(instanceLines(), (QStringList{id(second), id(late)}));
    EXPECT_EQ(first.ListBox_INSTANCES.lines.size(), 1);
    EXPECT_EQ(second.ListBox_INSTANCES.lines.size(), 1);

    os.programWindows = {first.ownHandle(), sub.ownHandle(), second.ownHandle(), late.ownHandle()};
    EXPECT_TRUE(first.close());
    EXPECT_EQ(handlesOf(os.callsNamed(QStringLiteral("PostClose"))), QStringList{id(late)});
    EXPECT_FALSE(fileExists(kInstances));
    os.clearCalls();
    EXPECT_TRUE(second.close());
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());
}

TEST_F(InstancesTest, FailedSaveKeepsTheWindowAndTheFamily)
{
    TForm1 &root = startMenu(QStringLiteral("RACINE"));
    TForm1 &sub = startMenu(QStringLiteral("COMPTA"));
    os.programWindows = {root.ownHandle(), sub.ownHandle()};
    // The settings file cannot be written: a folder holds its name.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("RACINE.MENU.INI")));
    const QByteArray before = readFile(kInstances);

    EXPECT_FALSE(root.close());
    EXPECT_TRUE(root.isVisible());
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());
    EXPECT_EQ(readFile(kInstances), before);
    ASSERT_FALSE(dialogs.records.empty());
    EXPECT_EQ(dialogs.last().icon, QStringLiteral("error"));

    // Once the cause is gone the close goes through.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("RACINE.MENU.INI")));
    EXPECT_TRUE(root.close());
    EXPECT_EQ(handlesOf(os.callsNamed(QStringLiteral("PostClose"))), QStringList{id(sub)});
    EXPECT_FALSE(fileExists(kInstances));
}

// The system's reason is given in French even when the process runs in the
// C locale, where the C library would say it in English.
TEST_F(InstancesTest, AnInstanceFileThatCannotBeOpenedIsReportedInFrench)
{
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    os.exePath = dir.filePath(QStringLiteral("absent/tarvik"));
    startMenu(QStringLiteral("SEUL"), QString(), false);
    std::setlocale(LC_ALL, locale.c_str());
    ASSERT_EQ(dialogs.records.size(), 1u) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Impossible d'ouvrir le fichier \"") + dir.filePath("absent/")
                                       + kInstances + QStringLiteral("\". Aucun fichier ou dossier"));
}

TEST_F(InstancesTest, PanicExitDeletesTheFileAndSavesNothing)
{
    startMenu(QStringLiteral("RACINE"));
    TForm1 &sub = startMenu(QStringLiteral("COMPTA"));
    os.programWindows = {sub.ownHandle()};
    ASSERT_TRUE(fileExists(kInstances));
    auto *previous = TForm1::PanicExit;
    TForm1::PanicExit = recordExit;
    g_exitCode = -1;
    sub.PanicBouton1Click();
    TForm1::PanicExit = previous;

    EXPECT_EQ(g_exitCode, 0);
    EXPECT_FALSE(fileExists(kInstances));
    EXPECT_FALSE(fileExists(QStringLiteral("COMPTA.MENU.INI")));
    EXPECT_FALSE(fileExists(QStringLiteral("COMPTA.boutons.txt")));
    EXPECT_TRUE(os.callsNamed(QStringLiteral("PostClose")).empty());

    // The next menu started is a root.
    TForm1 &next = startMenu(QStringLiteral("LABO"));
    EXPECT_EQ(instanceLines(), QStringList{id(next)});
}

} // namespace
