// The entry list, its grid and its check boxes, driven through the window's
// commands with the scripted dialogs.
#include "UiTestSupport.h"

#include "lib/Orvo_LISTES.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/LineFile.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

class EntriesTest : public MenuFixture {
protected:
    // A real file in the application directory (the existence check passes).
    QString existing(const QString &name)
    {
        writeFile(name, "x");
        return path(name);
    }

    // Starts the menu "TEST" over these entries and check lines.
    TForm1 &menuWith(const QStringList &entries, const QStringList &checks = {}, const QString &name = "TEST")
    {
        // UTF-8 with its byte-order mark (without one a line file is read as ANSI).
        writeFile(name + ".items.txt", "\xEF\xBB\xBF" + (entries.join("\r\n") + "\r\n").toUtf8());
        if (!checks.isEmpty())
            writeFile(name + ".items.checked.txt", (checks.join("\r\n") + "\r\n").toUtf8());
        return startMenu(name);
    }

    // Each entry with the state of its box and the text of its line: "path|-1|-1".
    static QStringList rows(TForm1 &f)
    {
        QStringList out;
        for (int i = 0; i < f.ListBox1.Count(); ++i)
            out << QStringLiteral("%1|%2|%3")
                       .arg(QFileInfo(f.ListBox1.Items[i]).fileName(), f.JvCheckListBox1->Checked(i) ? "x" : "-",
                            f.JvCheckListBox1->Text(i));
        return out;
    }

    static QStringList gridNames(TForm1 &f)
    {
        QStringList out;
        for (int r = 0; r < f.ValueListEditor1->RowCount(); ++r)
            out << f.ValueListEditor1->gridModel()->name(r);
        return out;
    }

    static void clickType(TForm1 &f, int row)
    {
        const QRect cell = f.ValueListEditor1->visualRect(f.ValueListEditor1->model()->index(row, 1));
        QTest::mouseClick(f.ValueListEditor1->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void clickName(TForm1 &f, int row)
    {
        const QRect cell = f.ValueListEditor1->visualRect(f.ValueListEditor1->model()->index(row, 0));
        QTest::mouseClick(f.ValueListEditor1->viewport(), Qt::LeftButton, {}, cell.center());
    }
};

TEST_F(EntriesTest, GridShowsNameAndTypeOfEachEntry)
{
    struct Case {
        const char *entry, *name, *type;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Outil\\Outil.exe", "OUTIL", "EXE"},
        {"D:\\Docs\\compte.rendu.pdf", "COMPTE.RENDU", "PDF"},
        {"C:\\Data\\Projets", "PROJETS", ""},
        {"D:\\", "", ""},
        {"E:\\été.doc", "éTé", "DOC"},
        {"C:\\Users\\x\\.profile", ".PROFILE", "PROFILE"},
        {"/usr/bin/Outil.sh", "OUTIL", "SH"},
        {"/home/x/.bashrc", ".BASHRC", "BASHRC"},
        {"/home/x/v1.2/lisez-moi", "LISEZ-MOI", ""},
        {".hidden", ".HIDDEN", ""},
    };
    QStringList entries;
    for (const Case &c : cases)
        entries << QString::fromUtf8(c.entry);
    TForm1 &f = menuWith(entries);
    ASSERT_EQ(f.ValueListEditor1->RowCount(), int(std::size(cases)));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].entry);
        EXPECT_EQ(ExtractNAME(entries[i]), QString::fromUtf8(cases[i].name));
        EXPECT_EQ(ExtractTYPE(entries[i]), QString::fromUtf8(cases[i].type));
        EXPECT_EQ(f.ValueListEditor1->model()->index(i, 0).data().toString(), QString::fromUtf8(cases[i].name));
        EXPECT_EQ(f.ValueListEditor1->model()->index(i, 1).data().toString(), QString::fromUtf8(cases[i].type));
    }
    EXPECT_EQ(f.pointedRow(), 0);
}

TEST_F(EntriesTest, EmptyMenuShowsOneEmptyRowAndOneBox)
{
    TForm1 &f = startMenu("VIDE");
    EXPECT_EQ(f.ValueListEditor1->RowCount(), 1);
    EXPECT_EQ(gridNames(f), QStringList{""});
    EXPECT_EQ(f.JvCheckListBox1->Count(), 1);
    EXPECT_FALSE(f.JvCheckListBox1->Checked(0));
    EXPECT_TRUE(f.BTN_RunAll->isHidden());
    // The grid's rows and the check lines line up.
    EXPECT_EQ(f.ValueListEditor1->rowHeight(0), f.JvCheckListBox1->visualRect(f.JvCheckListBox1->model()->index(0, 0)).height());
}

TEST_F(EntriesTest, DeleteAsksWithTheNameAndRemovesOnlyOnOk)
{
    TForm1 &f = menuWith({existing("a.exe"), existing("b.pdf"), existing("c.txt")});
    f.ValueListEditor1->setRow(1);

    dialogs.answer(mrCancel);
    f.Supprimer1->trigger();
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().kind, "messageDlg");
    EXPECT_EQ(dialogs.last().text, "Supprimer l'entrée\r\n\r\nB");
    EXPECT_EQ(dialogs.last().buttons, QStringList({"OK", "Annuler"}));
    EXPECT_EQ(f.ListBox1.Count(), 3);

    dialogs.answer(mrOk);
    f.Supprimer1->trigger();
    EXPECT_EQ(rows(f), QStringList({"a.exe|-|0", "c.txt|-|0"}));
    EXPECT_EQ(gridNames(f), QStringList({"A", "C"}));
    EXPECT_EQ(f.pointedRow(), 0);
}

TEST_F(EntriesTest, NothingToDeleteWhenThePointedRowHasNoName)
{
    for (const QStringList &entries : {QStringList(), QStringList{"/"}}) {
        dialogs.records.clear();
        TForm1 &f = entries.isEmpty() ? startMenu("VIDE") : menuWith(entries, {}, "RACINE");
        f.Supprimer1->trigger();
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().text, "Rien à supprimer !");
        EXPECT_EQ(dialogs.last().icon, "none");
        EXPECT_EQ(f.ListBox1.Items, entries);
    }
}

TEST_F(EntriesTest, DeletingTheThirdOfFiveKeepsEachBoxBesideItsEntry)
{
    QStringList entries;
    for (const char *n : {"1.exe", "2.exe", "3.exe", "4.exe", "5.exe"})
        entries << existing(n);
    TForm1 &f = menuWith(entries, {"-1", "0", "-1", "0", "-1"});
    f.ValueListEditor1->setRow(2);
    f.Supprimer1->trigger();
    EXPECT_EQ(rows(f), QStringList({"1.exe|x|-1", "2.exe|-|0", "4.exe|-|0", "5.exe|x|-1"}));
    EXPECT_FALSE(f.BTN_RunAll->isHidden());
}

TEST_F(EntriesTest, CutInOneMenuAndPasteInAnother)
{
    TForm1 &one = menuWith({existing("a.exe"), existing("b.exe"), existing("c.exe")}, {"0", "-1", "0"}, "UN");
    TForm1 &two = startMenu("DEUX");

    one.ValueListEditor1->setRow(1);
    one.Couper1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path("b.exe"));
    EXPECT_EQ(rows(one), QStringList({"a.exe|-|0", "c.exe|-|0"}));
    EXPECT_EQ(gridNames(one), QStringList({"A", "C"}));
    EXPECT_EQ(one.pointedRow(), 1) << "the pointer stays on the same row number";

    two.Coller1->trigger();
    EXPECT_EQ(rows(two), QStringList({"b.exe|-|0"}));
    EXPECT_EQ(gridNames(two), QStringList({"B"}));

    // Cutting the last row points the new last row; cutting the last entry
    // leaves the one empty row; cutting from an empty list does nothing.
    one.Couper1->trigger();
    EXPECT_EQ(rows(one), QStringList({"a.exe|-|0"}));
    EXPECT_EQ(one.pointedRow(), 0);
    one.Couper1->trigger();
    EXPECT_EQ(one.ListBox1.Count(), 0);
    EXPECT_EQ(gridNames(one), QStringList{""});
    QGuiApplication::clipboard()->setText("inchangé");
    one.Couper1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "inchangé");
    EXPECT_TRUE(dialogs.records.empty());
}

TEST_F(EntriesTest, PasteOfAnEmptyClipboardSaysSo)
{
    TForm1 &f = startMenu("VIDE");
    for (const QString &text : {QString(), QStringLiteral("\r\n\r\n")}) {
        dialogs.records.clear();
        QGuiApplication::clipboard()->setText(text);
        f.Coller1->trigger();
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().text, "Presse papier vide\r\n\r\nRien à coller");
        EXPECT_EQ(f.ListBox1.Count(), 0);
    }
}

TEST_F(EntriesTest, PastedLinesBecomeOneEntryEach)
{
    TForm1 &f = menuWith({existing("a.exe")}, {"-1"});
    QGuiApplication::clipboard()->setText("/opt/x.sh\r\n\r\n  /opt/y z.txt\nhttps://exemple.fr\n");
    f.Coller1->trigger();
    EXPECT_EQ(f.ListBox1.Items, QStringList({path("a.exe"), "/opt/x.sh", "  /opt/y z.txt", "https://exemple.fr"}));
    EXPECT_EQ(f.JvCheckListBox1->Texts(), QStringList({"-1", "0", "0", "0"}));
    EXPECT_EQ(f.ValueListEditor1->RowCount(), 4);
}

// A name holding a line break cannot be one line of the entry file nor the
// name of a section of the commands file: it is refused with its name, the
// other pasted lines are added, and what is saved reads back as it was.
TEST_F(EntriesTest, AnEntryHoldingALineBreakIsRefusedByName)
{
    TForm1 &f = menuWith({existing("a.exe")}, {"-1"});
    dialogs.records.clear();
    QGuiApplication::clipboard()->setText("/opt/deux\rlignes.sh\n/opt/bon.sh\r\n");
    f.Coller1->trigger();
    EXPECT_EQ(f.ListBox1.Items, QStringList({path("a.exe"), "/opt/bon.sh"}));
    EXPECT_EQ(f.JvCheckListBox1->Texts(), QStringList({"-1", "0"}));
    EXPECT_EQ(f.ValueListEditor1->RowCount(), 2);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().icon, "error");
    EXPECT_EQ(dialogs.last().text, QStringLiteral("L'entrée « /opt/deux\u21B5lignes.sh » contient un saut de ligne : le "
                                                  "menu garde chaque entrée sur une ligne de son fichier, elle ne peut "
                                                  "donc pas y être ajoutée."));

    for (const QString &entry : {QStringLiteral("/a\rb"), QStringLiteral("/a\nb"), QStringLiteral("/a\r\nb"),
                                 QStringLiteral("/a") + QChar(0) + QStringLiteral("b")}) {
        EXPECT_THROW(f.addEntry(entry), Error) << entry.toStdString();
        EXPECT_FALSE(entryRefusal(entry).isEmpty());
    }
    EXPECT_EQ(f.ListBox1.Count(), 2);
    EXPECT_EQ(f.JvCheckListBox1->Count(), 2);

    f.INI_SAVE();
    EXPECT_EQ(decodeLines(readFile("TEST.items.txt")), f.ListBox1.Items);
    EXPECT_EQ(decodeLines(readFile("TEST.items.checked.txt")), f.JvCheckListBox1->Texts());
    const IniFile commands = IniFile::fromBytes(readFile("TEST.items.commands.ini"));
    for (const QString &entry : f.ListBox1.Items)
        EXPECT_EQ(commands.value(entry, "PW").value_or("<absent>"), QString()) << entry.toStdString();
}

TEST_F(EntriesTest, PurgeAsksWithConfirmBox)
{
    TForm1 &f = menuWith({existing("a.exe"), existing("b.exe")}, {"-1", "0", "-1"});
    ASSERT_FALSE(f.BTN_RunAll->isHidden());

    dialogs.answer(IDCANCEL);
    f.Purgerlaliste1->trigger();
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().kind, "messageBox");
    EXPECT_EQ(dialogs.last().caption, "PURGER LE MENU ?");
    EXPECT_EQ(dialogs.last().text, "Attention vous allez supprimer l'ensemble des entrées de ce Menu.\r\n\r\nConfirmez ?");
    EXPECT_EQ(dialogs.last().flags, 33u);
    EXPECT_EQ(f.ListBox1.Count(), 2);

    dialogs.answer(IDOK);
    f.Purgerlaliste1->trigger();
    EXPECT_EQ(f.ListBox1.Count(), 0);
    EXPECT_EQ(f.JvCheckListBox1->Count(), 0);
    EXPECT_EQ(gridNames(f), QStringList{""});
    EXPECT_TRUE(f.BTN_RunAll->isHidden());
}

TEST_F(EntriesTest, SortByNameThenPasteLandsAtItsSortedPlace)
{
    TForm1 &f = menuWith({existing("c.exe"), existing("A.exe"), existing("b.exe")}, {"-1", "0", "-1"});
    f.trIER1->trigger();
    EXPECT_EQ(rows(f), QStringList({"A.exe|-|0", "b.exe|x|-1", "c.exe|x|-1"}));
    EXPECT_EQ(gridNames(f), QStringList({"A", "B", "C"}));

    f.trIER1->trigger(); // already sorted: nothing moves
    EXPECT_EQ(rows(f), QStringList({"A.exe|-|0", "b.exe|x|-1", "c.exe|x|-1"}));

    QGuiApplication::clipboard()->setText(path("Bb.exe"));
    f.Coller1->trigger();
    EXPECT_EQ(rows(f), QStringList({"A.exe|-|0", "b.exe|x|-1", "Bb.exe|-|0", "c.exe|x|-1"}));
    EXPECT_EQ(gridNames(f), QStringList({"A", "B", "BB", "C"}));
}

TEST_F(EntriesTest, SortByTypeMovesBoxesWithTheirEntries)
{
    TForm1 &f = menuWith({existing("r.pdf"), existing("z.exe"), existing("n.txt"), existing("a.exe"), existing("d")},
                         {"-1", "0", "-1", "-1", "0", "-1"});
    f.trIER1->trigger(); // the type order then turns the alphabetical one off
    f.rierpartype1->trigger();
    EXPECT_EQ(rows(f), QStringList({"d|-|0", "a.exe|x|-1", "z.exe|-|0", "r.pdf|x|-1", "n.txt|x|-1"}));
    EXPECT_EQ(f.JvCheckListBox1->Text(5), "-1") << "a line past the entries stays where it is";
    QStringList types;
    for (int r = 0; r < f.ValueListEditor1->RowCount(); ++r)
        types << f.ValueListEditor1->gridModel()->type(r);
    EXPECT_EQ(types, QStringList({"", "EXE", "EXE", "PDF", "TXT"}));
    EXPECT_LT(ValueSort(*f.ValueListEditor1->model(), 1, 3), 0);
    EXPECT_EQ(ValueSort(*f.ValueListEditor1->model(), 1, 2), 0);
    EXPECT_GT(ValueSort(*f.ValueListEditor1->model(), 4, 3), 0);

    QGuiApplication::clipboard()->setText(path("b.exe"));
    f.Coller1->trigger();
    EXPECT_EQ(f.ListBox1.Items.last(), path("b.exe"));
}

TEST_F(EntriesTest, ExistenceWarningOffersToRemoveTheEntry)
{
    const QString gone = path("parti.exe");
    const QString expected = QStringLiteral(
        "Apparement le fichier/dossier sélectionné n'existe plus, ou a été déplacé\r\n\r\n%1\r\n\r\n"
        "On conseille de supprimer cette entrée, (et de la mettre à jour)\r\n\r\n%2\r\n\r\nSupprimer ?\r\n\r\n%2\r\n"
        "Cette action ne supprime que la ligne du menu qui pointe sur un mauvais fichier")
                                 .arg(gone, QString(60, '-'));
    TForm1 &f = menuWith({existing("a.exe"), gone, dir.path()}, {"0", "-1", "0"});

    EXPECT_TRUE(f.TesteSiFichierExiste(path("a.exe"), 0));
    EXPECT_TRUE(f.TesteSiFichierExiste(dir.path(), 2));
    EXPECT_TRUE(dialogs.records.empty());

    dialogs.answer(mrCancel);
    EXPECT_FALSE(f.TesteSiFichierExiste(gone, 1));
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, expected);
    EXPECT_EQ(dialogs.last().icon, "warning");
    EXPECT_EQ(dialogs.last().buttons, QStringList({"OK", "Annuler"}));
    EXPECT_EQ(f.ListBox1.Count(), 3);

    dialogs.answer(mrOk);
    EXPECT_FALSE(f.TesteSiFichierExiste(gone, 1));
    EXPECT_EQ(rows(f), QStringList({"a.exe|-|0", QFileInfo(dir.path()).fileName() + "|-|0"}));
    EXPECT_EQ(f.ValueListEditor1->RowCount(), 2);
}

TEST_F(EntriesTest, PointingARowShowsItsPathAndChecksIt)
{
    const QString gone = path("parti.exe");
    TForm1 &f = menuWith({gone, existing("b.exe"), gone});
    f.addEntry(QString());
    f.RempliMENU();
    const QString initial = f.StatusBar1->text();

    // The first row: nothing, although its target is missing.
    clickType(f, 0);
    EXPECT_EQ(f.StatusBar1->text(), initial);
    EXPECT_TRUE(dialogs.records.empty());

    clickType(f, 1);
    EXPECT_EQ(f.pointedRow(), 1);
    EXPECT_EQ(f.StatusBar1->text(), path("b.exe"));
    EXPECT_TRUE(dialogs.records.empty());

    // A name cell does not move the pointer: the pointed entry is checked again.
    clickName(f, 2);
    EXPECT_EQ(f.pointedRow(), 1);
    EXPECT_TRUE(dialogs.records.empty());

    dialogs.answer(mrCancel);
    QTest::keyClick(f.ValueListEditor1, Qt::Key_Down);
    EXPECT_EQ(f.pointedRow(), 2);
    EXPECT_EQ(f.StatusBar1->text(), gone);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().icon, "warning");

    QTest::keyClick(f.ValueListEditor1, Qt::Key_Down);
    EXPECT_EQ(dialogs.last().text, "Pas de programme à lancer");
    EXPECT_EQ(dialogs.last().icon, "warning");
    EXPECT_EQ(f.StatusBar1->text(), gone);
}

TEST_F(EntriesTest, ToggledBoxesShowTheRunAllButton)
{
    TForm1 &f = menuWith({existing("a.exe")}, {"0", "0", "0"});
    ASSERT_EQ(f.JvCheckListBox1->Count(), 3);
    EXPECT_TRUE(f.BTN_RunAll->isHidden());
    QAbstractItemView *list = f.JvCheckListBox1;
    const auto click = [&](int line) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(line, 0)).center());
    };
    click(2); // a line that belongs to no entry
    EXPECT_EQ(f.JvCheckListBox1->Text(2), "-1");
    EXPECT_TRUE(f.JvCheckListBox1->Checked(2));
    EXPECT_EQ(CountJvChecked(*f.JvCheckListBox1), 1);
    EXPECT_FALSE(f.BTN_RunAll->isHidden());
    EXPECT_EQ(f.BTN_RunAll->text(), "Lancer tous les programes cochés");
    click(2);
    EXPECT_EQ(f.JvCheckListBox1->Text(2), "0");
    EXPECT_TRUE(f.BTN_RunAll->isHidden());
}

} // namespace
