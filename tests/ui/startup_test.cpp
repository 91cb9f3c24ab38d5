// Start-up of a menu from the files of its application directory.
#include "UiTestSupport.h"

#include "lib/Orvo_ini.h"

#include <QApplication>
#include <QEvent>
#include <QClipboard>
#include <QFile>
#include <QPushButton>

using namespace tarvik;
using tarvik::testing::MenuFixture;

namespace {
class Startup : public MenuFixture {};
}

TEST_F(Startup, MenuNameAndFileNames)
{
    struct Case {
        QString argument;   // null: no argument at all
        QString title;
        QString settings;
        QString entries;
    } cases[] = {
        {"mes jeux", "MES JEUX", "MES JEUX.MENU.INI", "MES_JEUX.items.txt"},
        {"été", "éTé", "éTé.MENU.INI", "éTé.items.txt"},
        {"", "TARVIK", "TARVIK.MENU.INI", "TARVIK.items.txt"},
        {QString(), "TARVIK", "TARVIK.MENU.INI", "TARVIK.items.txt"},
    };
    for (const Case &c : cases) {
        TForm1 &f = startMenu(c.argument, QString(), false);
        EXPECT_EQ(f.windowTitle(), c.title);
        EXPECT_EQ(f._INI_FILE, path(c.settings));
        EXPECT_EQ(f.EntryFileName(), path(c.entries));
        EXPECT_EQ(f._Instances_INI, path("MENUS.instances.ini"));
    }
    TForm1 &spaced = startMenu("mes jeux", QString(), false);
    EXPECT_EQ(spaced.ButtonsFileName(), path("MES JEUX.boutons.txt"));
    EXPECT_EQ(spaced.CheckFileName(), path("MES_JEUX.items.checked.txt"));
    EXPECT_EQ(spaced.Get_CommandsINI(), path("MES_JEUX.items.commands.ini"));
}

TEST_F(Startup, EmptyFirstArgumentStillTakesTheCallersFields)
{
    QApplication::clipboard()->setText("avant");
    TForm1 &f = startMenu("", "A;B", false);
    EXPECT_EQ(f.windowTitle(), "TARVIK");
    EXPECT_EQ(f._ARG_DVX, "\"A;B\"");
    EXPECT_EQ(QApplication::clipboard()->text(), "\"A;B\"");
    EXPECT_EQ(f._CLEF_CRYPTAGE, "ù*µ$£;ê,!â?§");
}

TEST_F(Startup, CheckLinesFollowTheEntries)
{
    writeFile("M.items.txt", "/a\r\n/b\r\n/c\r\n");
    writeFile("M.items.checked.txt", "-1\r\n1\r\n");
    TForm1 &f = startMenu("m", QString(), false);
    EXPECT_EQ(f.ListBox1.Items, QStringList({"/a", "/b", "/c"}));
    EXPECT_EQ(f.JvCheckListBox1->Texts(), QStringList({"-1", "1", "0"}));
    EXPECT_TRUE(f.JvCheckListBox1->Checked(0));
    EXPECT_FALSE(f.JvCheckListBox1->Checked(1));
    EXPECT_FALSE(f.JvCheckListBox1->Checked(2));

    // More check lines than entries: the extra ones stay, unchecked.
    writeFile("N.items.txt", "/a\r\n");
    writeFile("N.items.checked.txt", "0\r\n-1\r\n-1\r\n");
    TForm1 &g = startMenu("n", QString(), false);
    EXPECT_EQ(g.JvCheckListBox1->Texts(), QStringList({"0", "-1", "-1"}));
    EXPECT_FALSE(g.JvCheckListBox1->Checked(1));
}

TEST_F(Startup, NewMenuOpensEmpty)
{
    TForm1 &f = startMenu("NEUF", QString(), false);
    EXPECT_EQ(f.ListBox1.Count(), 0);
    EXPECT_EQ(f.JvCheckListBox1->Texts(), QStringList({"0"}));
    EXPECT_EQ(f.Compte_BOUTONS(), 1);
    EXPECT_EQ(f.btn_1->text(), "Fermer");
    EXPECT_FALSE(f.chk_AffCONF->isChecked());
    EXPECT_TRUE(f.chk_MoveVersDoc->isChecked());
    EXPECT_TRUE(f.chk_AffListe->isChecked());
    EXPECT_TRUE(f.chk_AffBoutons->isChecked());
    EXPECT_EQ(f.frameGeometry().topLeft(), QPoint(0, 0));
}

TEST_F(Startup, ButtonsFile)
{
    writeFile("B.boutons.txt", "compta\r\n");
    TForm1 &one = startMenu("b", QString(), false);
    EXPECT_EQ(one.btn_1->text(), "compta");
    EXPECT_EQ(one.Compte_BOUTONS(), 1);

    writeFile("C.boutons.txt", "Fermer\r\ncompta\r\nFERMER\r\n\r\nlabo\r\n");
    TForm1 &f = startMenu("c", QString(), false);
    QStringList captions, names;
    for (QPushButton *b : f.barButtons()) {
        captions << b->text();
        names << b->objectName();
    }
    EXPECT_EQ(captions, QStringList({"Fermer", "COMPTA", "", "LABO"}));
    EXPECT_EQ(names, QStringList({"btn_1", "BTN_2", "BTN_3", "BTN_4"}));
}

TEST_F(Startup, PositionAndOptionsAreRestored)
{
    writeFile("P.MENU.INI", "[tarvik]\r\nForm1=120:80:460:309\r\n[OPTIONS]\r\nchk_AffCONF=1\r\nchk_MINIMIZE=1\r\n"
                            "chk_RunAndClose=1\r\nchk_AffListe=0\r\nchk_MoveVersDoc=0x0\r\n");
    TForm1 &f = startMenu("p", QString(), false);
    EXPECT_EQ(f.frameGeometry(), QRect(120, 80, 460, 309));
    EXPECT_TRUE(f.chk_AffCONF->isChecked());
    EXPECT_FALSE(f.chk_MINIMIZE->isChecked()); // both stored: the later one of the pair wins
    EXPECT_TRUE(f.chk_RunAndClose->isChecked());
    EXPECT_FALSE(f.chk_AffListe->isChecked());
    EXPECT_FALSE(f.chk_MoveVersDoc->isChecked());
}

TEST_F(Startup, PositionIsClampedToTheWorkArea)
{
    struct Case {
        const char *stored;
        QRect expected;
    } cases[] = {
        {"5000:-20:460:309", QRect(1476, 0, 460, 309)},   // left beyond: 1920 less the current outer width
        {"100:50:3000:309", QRect(100, 50, 1920, 309)},   // the left is not moved back
        {"-30:50:460:2000", QRect(-30, 50, 460, 1040)},
        {"10:20:abc:40", QRect(0, 0, 444, 270)},          // not four integers: kept where it is
        {"10:20:30", QRect(0, 0, 444, 270)},
    };
    // The design window: its outer width counts when the left edge is pulled back.
    const QSize design = startMenu("design", QString(), false).frameGeometry().size();
    for (Case &c : cases) {
        if (c.expected.left() == 1476)
            c.expected.moveLeft(1920 - design.width());
        if (c.expected.width() == 444)
            c.expected.setSize(design);
        writeFile("Q.MENU.INI", QByteArray("[tarvik]\r\nForm1=") + c.stored + "\r\n");
        TForm1 &f = startMenu("q", QString(), false);
        EXPECT_EQ(f.frameGeometry(), c.expected) << c.stored;
    }
}

// The stored rectangle is the outer one: a frame the window manager announced
// before the first show places the client inside it, and one announced only
// later (or another than announced) places the window again, once.
TEST_F(Startup, StoredPositionIsTheOuterFrameWhenTheFrameIsKnownEarlyOrLate)
{
    const QMargins frame(4, 24, 4, 4);
    for (const bool early : {true, false}) {
        SCOPED_TRACE(early ? "announced before the show" : "announced once shown");
        writeFile("F.MENU.INI", "[tarvik]\r\nForm1=300:200:460:309\r\n");
        os.frame = early ? std::optional<QMargins>(frame) : std::nullopt;
        TForm1 &f = startMenu("f");
        if (!early) {
            // Placed by the frame Qt guesses until the window manager says its own.
            EXPECT_EQ(f.frameGeometry(), QRect(300, 200, 460, 309));
            os.frame = frame;
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(&f, &activate);
        }
        EXPECT_EQ(f.geometry(), QRect(304, 224, 452, 281));
        EXPECT_EQ(PositionString(f), "300:200:460:309");
        EXPECT_EQ(f.ValueListEditor1->columnWidth(0), 380) << "the outer width less the type column";
        EXPECT_EQ(f.centrePoint(), QPoint(530, 354));
        // Nothing changed: the frame is not applied twice.
        QEvent again(QEvent::WindowActivate);
        QApplication::sendEvent(&f, &again);
        EXPECT_EQ(PositionString(f), "300:200:460:309");
    }
}

TEST_F(Startup, UnreadableEntryFileIsReportedAndNeverOverwritten)
{
    // A folder where the entry file should be cannot be read as a file.
    QDir(dir.path()).mkdir("R.items.txt");
    writeFile("R.items.checked.txt", "-1\r\n");
    writeFile("R.boutons.txt", "labo\r\n");
    TForm1 &f = startMenu("r", QString(), false);
    ASSERT_FALSE(dialogs.records.empty());
    EXPECT_TRUE(dialogs.records.front().text.startsWith("Impossible d'ouvrir le fichier")) << dialogs.records.front().text.toStdString();
    EXPECT_TRUE(f.listLoadFailed());
    f.INI_SAVE();
    EXPECT_TRUE(QFileInfo(path("R.items.txt")).isDir());
    EXPECT_EQ(readFile("R.items.checked.txt"), QByteArray("-1\r\n"));
    EXPECT_FALSE(fileExists("R.items.commands.ini"));
    // What did load is saved as usual.
    EXPECT_EQ(readFile("R.boutons.txt"), QByteArray("Fermer\r\nlabo\r\n"));
    EXPECT_TRUE(fileExists("R.MENU.INI"));
}

TEST_F(Startup, UnreadableSettingsFileIsReportedAndNeverOverwritten)
{
    // A folder stands where the settings file should be.
    QDir(dir.path()).mkdir("S.MENU.INI");
    writeFile("S.items.txt", "/a\r\n");
    TForm1 &f = startMenu("s", QString(), false);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_TRUE(dialogs.last().text.startsWith("Impossible d'ouvrir le fichier")) << dialogs.last().text.toStdString();
    EXPECT_EQ(dialogs.last().icon, "error");
    EXPECT_TRUE(f.settingsLoadFailed());
    f.INI_SAVE(); // the rest is saved as usual
    EXPECT_TRUE(QFileInfo(path("S.MENU.INI")).isDir());
    EXPECT_EQ(readFile("S.items.checked.txt"), QByteArray("0\r\n"));
}

TEST_F(Startup, ListCutShortByANulIsShownAsReadAndNeverOverwritten)
{
    // A binary or UTF-16 file without its mark: the text stops at the first NUL.
    const QByteArray entries("/a\r\n/b\0/c\r\n", 12);
    writeFile("Z.items.txt", entries);
    const QByteArray buttons("Fermer\r\nLABO\r\n\0junk", 18);
    writeFile("Z.boutons.txt", buttons);
    TForm1 &f = startMenu("z", QString(), false);
    ASSERT_EQ(dialogs.records.size(), 2u);
    EXPECT_EQ(dialogs.records[0].text, "Le fichier \"" + path("Z.items.txt")
                                           + "\" contient des données binaires (caractère nul) : "
                                             "il n'est lu que jusque-là et ne sera pas réécrit. Il est conservé tel "
                                             "quel : les modifications qui le concernent ne seront pas enregistrées.");
    EXPECT_EQ(dialogs.records[0].icon, "warning");
    EXPECT_TRUE(dialogs.records[1].text.contains("Z.boutons.txt"));
    EXPECT_EQ(f.ListBox1.Items, QStringList({"/a", "/b"}));
    EXPECT_EQ(f.Compte_BOUTONS(), 2);
    f.INI_SAVE();
    EXPECT_EQ(dialogs.records.size(), 2u); // saving skips them without a word
    EXPECT_EQ(readFile("Z.items.txt"), entries);
    EXPECT_EQ(readFile("Z.boutons.txt"), buttons);
    EXPECT_FALSE(fileExists("Z.items.checked.txt"));
}
