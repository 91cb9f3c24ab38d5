// The files a menu writes: exact bytes, encodings kept, round trips, refusals.
#include "UiTestSupport.h"

#include "lib/Orvo_ini.h"
#include "platform/LineFile.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

using namespace tarvik;
using tarvik::testing::MenuFixture;

namespace {
class Save : public MenuFixture {};

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}
// The bytes before, a NUL, the bytes after.
QByteArray withNul(const QByteArray &before, const QByteArray &after) { return before + '\0' + after; }
} // namespace

TEST_F(Save, NewMenuClosedWithoutChanges)
{
    TForm1 &f = startMenu("neuf", QString(), false);
    f.INI_SAVE();
    const QByteArray pos = PositionString(f).toLatin1();
    EXPECT_EQ(readFile("NEUF.MENU.INI"),
              crlf({"[tarvik]", "Form1=" + QString(pos), "[MENU]", "caption=NEUF", "[OPTIONS]", "chk_AffCONF=0",
                    "chk_MINIMIZE=0", "chk_RunAndClose=0", "chk_CloseWithEsc=0", "chk_MoveVersDoc=1",
                    "chk_StayOnTop=0", "chk_AffListe=1", "chk_AffBoutons=1", "chk_BTN_AlignTop=0", "chk_AffStatus=0"}));
    EXPECT_EQ(readFile("NEUF.items.txt"), QByteArray());
    EXPECT_EQ(readFile("NEUF.items.checked.txt"), QByteArray("0\r\n"));
    EXPECT_FALSE(fileExists("NEUF.items.commands.ini"));
    EXPECT_EQ(readFile("NEUF.boutons.txt"), QByteArray("Fermer\r\n"));
}

TEST_F(Save, CommandsFileGetsItsKeysAndBlankLines)
{
    writeFile("M.items.txt", "/outils/agenda\r\n/docs/planning.xls\r\n/docs/vieux.txt\r\n");
    // Options written by the editors before any save; a section of a removed entry stays.
    writeFile("M.items.commands.ini", "[/docs/planning.xls]\r\nSENDKEYS=abc~\r\nARG_DORVEX=+0+3\r\n"
                                      "[/outils/agenda]\r\nARGUMENTS=/AUTO\r\n[/retire]\r\nPW=x\r\n");
    TForm1 &f = startMenu("m", QString(), false);
    f.removeEntry(2);
    f.INI_SAVE();
    EXPECT_EQ(readFile("M.items.commands.ini"),
              crlf({"[/docs/planning.xls]", "SENDKEYS=abc~", "ARG_DORVEX=+0+3", "ARGUMENTS=", "PW=", "",
                    "[/outils/agenda]", "ARGUMENTS=/AUTO", "SENDKEYS=", "PW=", "", "[/retire]", "PW=x"}));
    // Saving again changes nothing.
    const QByteArray once = readFile("M.items.commands.ini");
    f.INI_SAVE();
    EXPECT_EQ(readFile("M.items.commands.ini"), once);
}

TEST_F(Save, EntriesWithOnePathShareOneSectionWhateverTheCase)
{
    writeFile("D.items.txt", "/a/Prog\r\n/a/Prog\r\n/A/prog\r\n/b\r\n");
    TForm1 &f = startMenu("d", QString(), false);
    f.INI_SAVE();
    EXPECT_EQ(readFile("D.items.commands.ini"),
              crlf({"[/a/Prog]", "SENDKEYS=", "ARGUMENTS=", "PW=", "", "[/b]", "SENDKEYS=", "ARGUMENTS=", "PW="}));
}

TEST_F(Save, ButtonOrders)
{
    struct Case {
        const char *fileIn;           // buttons file before start-up
        QStringList created;          // buttons added during the run
        QString firstCaption;         // caption given to btn_1 during the run (null: unchanged)
        QByteArray fileOut;
    } cases[] = {
        {nullptr, {"LABO", "ARCHIVES"}, QString(), "Fermer\r\nARCHIVES\r\nFermer\r\nLABO\r\n"},
        {nullptr, {"ZOO"}, QString(), "Fermer\r\nZOO\r\n"},
        {nullptr, {}, "COMPTA", "Fermer\r\nCOMPTA\r\n"},
        {nullptr, {"LABO", ""}, QString(), "Fermer\r\n\r\nFermer\r\nLABO\r\n"},
        {"Fermer\r\nARCHIVES\r\nFermer\r\nLABO\r\n", {}, QString(), "Fermer\r\nARCHIVES\r\nFermer\r\nLABO\r\n"},
        {"Fermer\r\nzeta\r\nalpha\r\n", {"beta"}, QString(), "Fermer\r\nALPHA\r\nBETA\r\nFermer\r\nZETA\r\n"},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString name = QString("B%1").arg(n++);
        if (c.fileIn)
            writeFile(name + ".boutons.txt", c.fileIn);
        TForm1 &f = startMenu(name, QString(), false);
        for (const QString &caption : c.created)
            f.Button_Create(caption);
        if (!c.firstCaption.isNull())
            f.btn_1->setText(c.firstCaption);
        f.SAUVE_BOUTONS();
        EXPECT_EQ(readFile(name + ".boutons.txt"), c.fileOut) << name.toStdString();
    }
}

TEST_F(Save, EncodingOfALoadedFileIsKept)
{
    LineList utf16{{"/été/a", "/b"}, TextEncoding::Utf16LE};
    utf16.saveToFile(path("E.items.txt"));
    writeFile("E.items.checked.txt", "-1\r\n0\r\n");
    writeFile("F.items.txt", "/docs/\xE9t\xE9.doc\r\n"); // Windows-1252
    TForm1 &e = startMenu("e", QString(), false);
    e.addEntry("/œuvre");
    e.INI_SAVE();
    LineList back;
    back.loadFromFile(path("E.items.txt"));
    EXPECT_EQ(back.encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(back.lines, QStringList({"/été/a", "/b", "/œuvre"}));
    EXPECT_EQ(readFile("E.items.checked.txt"), QByteArray("-1\r\n0\r\n0\r\n"));

    TForm1 &f = startMenu("f", QString(), false);
    f.INI_SAVE();
    EXPECT_EQ(readFile("F.items.txt"), QByteArray("/docs/\xE9t\xE9.doc\r\n"));

    // Edited in a Linux editor: UTF-8 without a mark, in every file of the menu.
    const QByteArray entries = "/opt/OUTIL DE COMPTABILIT\xC3\x89\r\n";
    const QByteArray buttons = "Fermer\r\nCR\xC3\x88" "CHE\r\n";
    writeFile("G.items.txt", entries);
    writeFile("G.boutons.txt", buttons);
    writeFile("G.items.commands.ini", "[/opt/OUTIL DE COMPTABILIT\xC3\x89]\r\nSENDKEYS=\xC3\xA9\r\nARGUMENTS=\r\nPW=\r\n");
    TForm1 &g = startMenu("g", QString(), false);
    EXPECT_EQ(g.ListBox1.Items, QStringList{"/opt/OUTIL DE COMPTABILITÉ"});
    EXPECT_EQ(g.barButtons().value(1) ? g.barButtons().value(1)->text() : QString(), "CRÈCHE");
    g.INI_SAVE();
    EXPECT_EQ(readFile("G.items.txt"), entries);
    EXPECT_EQ(readFile("G.boutons.txt"), buttons + "Fermer\r\n"); // sorted, then "Fermer" first
    EXPECT_EQ(readFile("G.items.commands.ini"),
              QByteArray("[/opt/OUTIL DE COMPTABILIT\xC3\x89]\r\nSENDKEYS=\xC3\xA9\r\nARGUMENTS=\r\nPW=\r\n"));
}

TEST_F(Save, RoundTripThroughARestart)
{
    {
        TForm1 &f = startMenu("rt", QString(), false);
        f.addEntry("/x/un");
        f.addEntry("/x/deux");
        f.JvCheckListBox1->setChecked(1, true);
        f.JvCheckListBox1->setText(1, "-1");
        f.chk_AffCONF->setChecked(true);
        f.chk_AffStatus->setChecked(true);
        f.chk_RunAndClose->setChecked(true);
        setOuterGeometry(f, 33, 44, 500, 300);
        f.Button_Create("compta");
        f.INI_SAVE();
    }
    TForm1 &g = startMenu("rt", QString(), false);
    EXPECT_EQ(g.ListBox1.Items, QStringList({"/x/un", "/x/deux"}));
    EXPECT_FALSE(g.JvCheckListBox1->Checked(0));
    EXPECT_TRUE(g.JvCheckListBox1->Checked(1));
    EXPECT_TRUE(g.chk_AffCONF->isChecked());
    EXPECT_TRUE(g.chk_AffStatus->isChecked());
    EXPECT_TRUE(g.chk_RunAndClose->isChecked());
    EXPECT_FALSE(g.chk_MINIMIZE->isChecked());
    EXPECT_EQ(g.frameGeometry(), QRect(33, 44, 500, 300));
    ASSERT_EQ(g.Compte_BOUTONS(), 2);
    EXPECT_EQ(g.barButtons()[1]->text(), "COMPTA");
}

// A settings or commands file cut short by a NUL is kept as it is. The user
// is told once, when the file is first read (the settings file at start-up,
// the commands file at the first save), and never again; every save and the
// close skip that file, write the others, and the window closes.
TEST_F(Save, AFileKeptAsItIsNeverHoldsTheWindowOpen)
{
    const struct {
        const char *menu;
        const char *damaged;
        QByteArray bytes;
        bool toldAtStart;
    } cases[] = {
        {"REGLAGES", "REGLAGES.MENU.INI", withNul("[tarvik]\r\nForm1=10:20:300:200\r\n", "[OPTIONS]\r\n"), true},
        {"COMMANDES", "COMMANDES.items.commands.ini", withNul("[/outils/a]\r\nPW=\r\n", "[/outils/b]\r\nPW=x\r\n"),
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.menu);
        dialogs.records.clear();
        writeFile(c.damaged, c.bytes);
        writeFile(QString(c.menu) + ".items.txt", "/outils/a\r\n");
        TForm1 &f = startMenu(c.menu);
        const QString told = "Le fichier \"" + path(c.damaged)
                             + "\" contient des données binaires (caractère nul) : il n'est lu que jusque-là et ne "
                               "sera pas réécrit. Il est conservé tel quel : les modifications qui le concernent ne "
                               "seront pas enregistrées.";
        EXPECT_EQ(dialogs.records.size(), c.toldAtStart ? 1u : 0u);
        f.addEntry("/outils/nouveau");
        f.Button_Create("LABO");
        f.INI_SAVE();
        f.INI_SAVE();
        EXPECT_TRUE(f.close());
        EXPECT_FALSE(f.isVisible());
        ASSERT_EQ(dialogs.records.size(), 1u) << dialogs.texts().join(u'|').toStdString();
        EXPECT_EQ(dialogs.last().text, told);
        EXPECT_EQ(dialogs.last().icon, "warning");
        EXPECT_EQ(readFile(c.damaged), c.bytes);
        EXPECT_EQ(readFile(QString(c.menu) + ".items.txt"), QByteArray("/outils/a\r\n/outils/nouveau\r\n"));
        EXPECT_EQ(readFile(QString(c.menu) + ".items.checked.txt"), QByteArray("0\r\n0\r\n"));
        EXPECT_EQ(readFile(QString(c.menu) + ".boutons.txt"), QByteArray("Fermer\r\nLABO\r\n"));
        // The other INI file is written as usual.
        EXPECT_TRUE(fileExists(QString(c.menu) + ".MENU.INI"));
        EXPECT_TRUE(fileExists(QString(c.menu) + ".items.commands.ini"));
    }
}

TEST_F(Save, FailedWriteStopsTheSaveAndLeavesTheFiles)
{
    writeFile("W.items.txt", "/old\r\n");
    writeFile("W.boutons.txt", "Fermer\r\n");
    TForm1 &f = startMenu("w", QString(), false);
    f.addEntry("/new");
    f.Button_Create("LABO");
    // The settings file cannot be replaced: a folder stands in its place.
    QDir(dir.path()).mkdir("W.MENU.INI");
    try {
        f.INI_SAVE();
        ADD_FAILURE() << "no error";
    } catch (const std::exception &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Impossible d'écrire dans " + path("W.MENU.INI"));
    }
    EXPECT_EQ(readFile("W.items.txt"), QByteArray("/old\r\n"));
    EXPECT_EQ(readFile("W.boutons.txt"), QByteArray("Fermer\r\n"));
    EXPECT_FALSE(fileExists("W.items.checked.txt"));
}
