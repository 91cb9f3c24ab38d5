// The button bar: loading, widths, clicks that close, open or focus a
// sub-menu, adding, naming and renaming (with the move of the menu's files),
// deleting, the close action, opening a menu by its settings file.
#include "UiTestSupport.h"

#include "platform/LineFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

const QString kSuffixes[] = {QStringLiteral(".MENU.INI"), QStringLiteral(".items.commands.ini"),
                             QStringLiteral(".items.checked.txt"), QStringLiteral(".items.txt"),
                             QStringLiteral(".boutons.txt")};

class ButtonsTest : public MenuFixture {
protected:
    QPushButton *button(TForm1 &f, const QString &name)
    {
        return f.Panel_boutons->findChild<QPushButton *>(name, Qt::FindDirectChildrenOnly);
    }
    QStringList captions(TForm1 &f)
    {
        QStringList out;
        for (QPushButton *b : f.barButtons())
            out << b->objectName() + QLatin1Char('=') + b->text();
        out.sort();
        return out;
    }
    // Captions of the saved buttons file other than "Fermer", sorted.
    QStringList savedNames(const QString &menu)
    {
        QStringList names = decodeLines(readFile(menu + QStringLiteral(".boutons.txt")));
        names.removeAll(QStringLiteral("Fermer"));
        names.sort();
        return names;
    }
    // A menu whose bar holds Fermer and COMPTA (BTN_2) and LABO (BTN_3).
    TForm1 &menuWithBar()
    {
        writeFile(QStringLiteral("MENU.boutons.txt"), "Fermer\r\nCOMPTA\r\nFermer\r\nLABO\r\n");
        return startMenu(QStringLiteral("MENU"));
    }
    void focus(TForm1 &f, QWidget *w)
    {
        f.activateWindow();
        QApplication::setActiveWindow(&f);
        w->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(f.focusWidget(), w);
    }
    std::vector<PlatformCall> starts() const { return os.callsNamed(QStringLiteral("ShellExecute")); }
    int dialogsOfKind(const QString &kind) const
    {
        int n = 0;
        for (const auto &r : dialogs.records)
            n += r.kind == kind;
        return n;
    }
};

TEST_F(ButtonsTest, ButtonsFileBuildsTheBar)
{
    TForm1 &f = menuWithBar();
    EXPECT_EQ(f.Compte_BOUTONS(), 3);
    EXPECT_EQ(f.btn_1->text(), QStringLiteral("Fermer"));
    for (const auto &[name, caption, tag] : {std::tuple{"BTN_2", "COMPTA", 2}, std::tuple{"BTN_3", "LABO", 3}}) {
        QPushButton *b = button(f, QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromLatin1(caption));
        EXPECT_EQ(b->property("tag").toInt(), tag);
    }
}

TEST_F(ButtonsTest, WidthRuleAt444Pixels)
{
    TForm1 &f = startMenu(QStringLiteral("MENU"));
    f.mnu_BtnAddClick();
    ASSERT_EQ(f.Compte_BOUTONS(), 2);
    f.resize(444 - (f.frameGeometry().width() - f.width()), f.height());
    f.applyButtonWidths();
    QApplication::processEvents();
    ASSERT_EQ(f.frameGeometry().width(), 444);
    EXPECT_EQ(button(f, QStringLiteral("BTN_2"))->width(), 219);
    EXPECT_GT(f.btn_1->width(), 100);
}

// However many buttons the bar holds, they share the window's width (down to
// nothing) and never widen it: the window stays where it was put, inside the
// work area, and a stored width beyond the work area is cut to it.
TEST_F(ButtonsTest, ManyButtonsNeverWidenTheWindow)
{
    struct Case {
        int lines;
        const char *stored;
        QRect outer;
        int createdWidth;
    } cases[] = {
        {41, "100:50:460:309", QRect(100, 50, 460, 309), 460 / 41 - 3},
        {41, "0:50:3000:309", QRect(0, 50, 1920, 309), 1920 / 41 - 3},
        {3000, "100:50:460:309", QRect(100, 50, 460, 309), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 lines, stored %2").arg(c.lines).arg(c.stored).toStdString());
        QByteArray bar = "Fermer\r\n";
        for (int i = 1; i < c.lines; ++i)
            bar += "MENU" + QByteArray::number(i) + "\r\n";
        writeFile(QStringLiteral("LARGE.boutons.txt"), bar);
        writeFile(QStringLiteral("LARGE.MENU.INI"), QByteArray("[tarvik]\r\nForm1=") + c.stored + "\r\n");
        TForm1 &f = startMenu(QStringLiteral("LARGE"));
        QApplication::processEvents();
        ASSERT_EQ(f.Compte_BOUTONS(), c.lines);
        EXPECT_EQ(f.frameGeometry(), c.outer);
        EXPECT_TRUE(os.area.contains(f.frameGeometry())) << "outside the work area";
        EXPECT_EQ(button(f, QStringLiteral("BTN_2"))->width(), c.createdWidth);
        EXPECT_LE(f.Panel_boutons->childrenRect().right(), f.Panel_boutons->width()) << "the bar overflows";
        f.close();
    }
}

TEST_F(ButtonsTest, FermerInAnyCaseClosesTheWindow)
{
    for (const QString caption : {QStringLiteral("fermer"), QStringLiteral("Fermer"), QStringLiteral("FERMER")}) {
        TForm1 &f = menuWithBar();
        QPushButton *labo = button(f, QStringLiteral("BTN_3"));
        labo->setText(caption);
        ASSERT_TRUE(f.isVisible());
        f.BTN_ACTION(labo);
        EXPECT_FALSE(f.isVisible()) << caption.toStdString();
        EXPECT_TRUE(starts().empty());
    }
}

TEST_F(ButtonsTest, OpenSubMenuComesToTheFrontWithoutQuestion)
{
    TForm1 &f = menuWithBar();
    f.chk_AffCONF->setChecked(true);
    os.windows = {{70, QStringLiteral("COMPTABILITE")}, {71, QStringLiteral("COMPTA")}, {72, QStringLiteral("COMPTA")}};
    os.programWindows = {70, 72};
    f.BTN_ACTION(button(f, QStringLiteral("BTN_2")));
    ASSERT_EQ(os.callsNamed(QStringLiteral("BringToFront")).size(), 1u);
    EXPECT_EQ(os.callsNamed(QStringLiteral("BringToFront"))[0].args, QStringList{QStringLiteral("72")});
    EXPECT_TRUE(starts().empty());
    EXPECT_TRUE(dialogs.records.empty());
}

TEST_F(ButtonsTest, StartOfASubMenuWithTheConfirmation)
{
    TForm1 &f = menuWithBar();
    // Only a window of another program, or one that merely contains the name.
    os.windows = {{70, QStringLiteral("COMPTABILITE")}, {71, QStringLiteral("COMPTA")}};
    os.programWindows = {70};
    const QString question = QStringLiteral("Ouvrir le sous-menu : \"COMPTA\"\r\n\r\n")
        + QStringLiteral("----------------------------------------------------------------------\r\n")
        + QStringLiteral("[IGNORER] = ne plus afficher ce message de confirmation");
    struct Case {
        int answer;
        bool started;
        bool stillAsking;
    };
    for (const Case c : {Case{mrCancel, false, true}, Case{mrOk, true, true}, Case{mrIgnore, true, false}}) {
        f.chk_AffCONF->setChecked(true);
        os.clearCalls();
        dialogs.records.clear();
        dialogs.answer(c.answer);
        f.BTN_ACTION(button(f, QStringLiteral("BTN_2")));
        ASSERT_EQ(dialogs.records.size(), 1u) << c.answer;
        EXPECT_EQ(dialogs.last().text, question);
        EXPECT_EQ(dialogs.last().icon, QStringLiteral("question"));
        EXPECT_EQ(dialogs.last().buttons, (QStringList{"OK", "Annuler", "Ignorer"}));
        EXPECT_EQ(starts().size(), c.started ? 1u : 0u) << c.answer;
        EXPECT_EQ(f.chk_AffCONF->isChecked(), c.stillAsking) << c.answer;
    }
    // Once ignored, the next click opens without asking.
    os.clearCalls();
    dialogs.records.clear();
    f.BTN_ACTION(button(f, QStringLiteral("BTN_3")));
    EXPECT_TRUE(dialogs.records.empty());
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].args, (QStringList{QString::number(f.ownHandle()), QStringLiteral("RUNAS"), os.exePath,
                                             QStringLiteral("LABO"), QString(), QStringLiteral("1")}));
}

TEST_F(ButtonsTest, RefusedStartIsReported)
{
    TForm1 &f = menuWithBar();
    os.shellResult = SE_ERR_FNF;
    f.BTN_ACTION(button(f, QStringLiteral("BTN_2")));
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("ERREUR EXECUTION\r\nShellExecute ligne 190"));
    EXPECT_EQ(f.Compte_BOUTONS(), 3);
}

TEST_F(ButtonsTest, AddedButtonsNeverShareANumber)
{
    TForm1 &f = menuWithBar();
    f.mnu_BtnAddClick();
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Vous allez créer un nouveau bouton \"VIERGE\"\r\n\r\nVous devrez "
                                                  "ensuite cliquer sur ce \"nouveau bouton vide\" pour le paramétrer"));
    EXPECT_EQ(dialogs.last().icon, QStringLiteral("information"));
    EXPECT_EQ(captions(f), (QStringList{"BTN_2=COMPTA", "BTN_3=LABO", "BTN_4=", "btn_1=Fermer"}));
    // Adding saves nothing.
    EXPECT_EQ(readFile(QStringLiteral("MENU.boutons.txt")), "Fermer\r\nCOMPTA\r\nFermer\r\nLABO\r\n");

    // Delete BTN_2, then add twice: numbers 3 and 4 are taken.
    focus(f, button(f, QStringLiteral("BTN_2")));
    f.Supprimercebouton1Click();
    QApplication::processEvents();
    f.mnu_BtnAddClick();
    f.mnu_BtnAddClick();
    EXPECT_EQ(captions(f), (QStringList{"BTN_3=LABO", "BTN_4=", "BTN_5=", "BTN_6=", "btn_1=Fermer"}));
    for (QPushButton *b : f.barButtons())
        EXPECT_EQ(b->objectName().section(u'_', 1).toInt(), b->property("tag").toInt()) << b->objectName().toStdString();
}

TEST_F(ButtonsTest, RenamingMovesTheMenuFilesBeforeStartingIt)
{
    TForm1 &f = menuWithBar();
    for (const QString &suffix : kSuffixes)
        writeFile(QStringLiteral("COMPTA") + suffix, ("compta" + suffix).toUtf8());
    // The new name already has a settings file: it is kept, and so is COMPTA's.
    writeFile(QStringLiteral("BANQUE.MENU.INI"), "banque");

    focus(f, button(f, QStringLiteral("BTN_2")));
    dialogs.answerInput(true, QStringLiteral("Banque"));
    f.MENU_BTN_ADDClick();

    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().kind, QStringLiteral("inputQuery"));
    EXPECT_EQ(dialogs.last().caption, QStringLiteral("(RE)NOMMER LE BOUTON #2=COMPTA"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Donner un nom de MENU au bouton"));
    EXPECT_EQ(dialogs.last().value, QStringLiteral("COMPTA"));

    EXPECT_EQ(button(f, QStringLiteral("BTN_2"))->text(), QStringLiteral("BANQUE"));
    EXPECT_EQ(savedNames("MENU"), (QStringList{"BANQUE", "LABO"}));
    EXPECT_EQ(readFile(QStringLiteral("BANQUE.MENU.INI")), "banque");
    EXPECT_EQ(readFile(QStringLiteral("COMPTA.MENU.INI")), "compta.MENU.INI");
    for (const QString &suffix : kSuffixes) {
        if (suffix == QLatin1String(".MENU.INI"))
            continue;
        EXPECT_EQ(readFile(QStringLiteral("BANQUE") + suffix), ("compta" + suffix).toUtf8()) << suffix.toStdString();
        EXPECT_FALSE(fileExists(QStringLiteral("COMPTA") + suffix)) << suffix.toStdString();
    }
    // Every move comes before the start, whose parameter is the name as typed.
    const QStringList order = os.callNames();
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(order.lastIndexOf(QStringLiteral("MoveFile")), order.indexOf(QStringLiteral("ShellExecute")) - 1);
    EXPECT_EQ(starts()[0].args.mid(1, 3), (QStringList{QStringLiteral("RUNAS"), os.exePath, QStringLiteral("Banque")}));
}

TEST_F(ButtonsTest, NameWithBlanksAndCancelledNaming)
{
    TForm1 &f = menuWithBar();
    f.mnu_BtnAddClick();
    dialogs.records.clear();
    QPushButton *empty = button(f, QStringLiteral("BTN_4"));
    focus(f, empty);

    // Cancelled: nothing changes.
    f.BTN_ACTION(empty);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().caption, QStringLiteral("(RE)NOMMER LE BOUTON #4="));
    EXPECT_TRUE(empty->text().isEmpty());
    EXPECT_TRUE(starts().empty());

    // Clicking the empty button names it.
    dialogs.answerInput(true, QStringLiteral("mes menus"));
    f.BTN_ACTION(empty);
    EXPECT_EQ(empty->text(), QStringLiteral("MES_MENUS"));
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].args.value(3), QStringLiteral("mes_menus"));
    EXPECT_EQ(savedNames("MENU"), (QStringList{"COMPTA", "LABO", "MES_MENUS"}));

    // Renaming it moves its files under the upper-case name.
    for (const QString &suffix : kSuffixes)
        writeFile(QStringLiteral("MES_MENUS") + suffix, "x");
    dialogs.answerInput(true, QStringLiteral("nos menus"));
    f.MENU_BTN_ADDClick();
    for (const QString &suffix : kSuffixes) {
        EXPECT_TRUE(fileExists(QStringLiteral("NOS_MENUS") + suffix)) << suffix.toStdString();
        EXPECT_FALSE(fileExists(QStringLiteral("nos_menus") + suffix)) << suffix.toStdString();
    }
}

TEST_F(ButtonsTest, RenamingToAnOpenMenuBringsItForward)
{
    TForm1 &f = menuWithBar();
    os.windows = {{90, QStringLiteral("BANQUE")}};
    os.programWindows = {90};
    focus(f, button(f, QStringLiteral("BTN_2")));
    dialogs.answerInput(true, QStringLiteral("banque"));
    f.MENU_BTN_ADDClick();
    EXPECT_TRUE(starts().empty());
    ASSERT_EQ(os.callsNamed(QStringLiteral("BringToFront")).size(), 1u);
    EXPECT_EQ(os.callsNamed(QStringLiteral("BringToFront"))[0].args.value(0), QStringLiteral("90"));
}

TEST_F(ButtonsTest, FailedSaveOfTheBarIsReported)
{
    TForm1 &f = menuWithBar();
    // The buttons file cannot be written: a folder now holds its name.
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("MENU.boutons.txt"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("MENU.boutons.txt")));
    focus(f, button(f, QStringLiteral("BTN_2")));
    dialogs.answerInput(true, QStringLiteral("BANQUE"));
    f.MENU_BTN_ADDClick();
    ASSERT_EQ(dialogs.records.size(), 2u);
    EXPECT_TRUE(dialogs.last().text.startsWith(QStringLiteral("MENU_BTN_ADDClick 449\r\n\r\n")));
    EXPECT_GT(dialogs.last().text.size(), QStringLiteral("MENU_BTN_ADDClick 449\r\n\r\n").size());
    EXPECT_TRUE(starts().empty());
    EXPECT_TRUE(os.callsNamed(QStringLiteral("MoveFile")).empty());
}

TEST_F(ButtonsTest, DeletingAButton)
{
    TForm1 &f = menuWithBar();
    f.mnu_BtnAddClick();
    dialogs.records.clear();
    const QString cannot = QStringLiteral("Ce bouton ne peut être supprimé\r\n\r\nVous devez toujours laisser au moins "
                                          "un bouton sur le Menu");
    const QString unnamed = QStringLiteral(
        "Vous ne pouvez supprimer un bouton que s'il porte un NOM\r\n\r\nVous devez ensuite correctement pointer le "
        "bouton\r\n\r\nPar un clic droit \"furtif\" (je clique ,je sors en appuyant, puis je relache)\r\n\r\nPour "
        "pouvoir le supprimer");
    struct Case {
        QWidget *target;
        QString text;
    };
    for (const Case &c : {Case{f.btn_1, cannot}, Case{f.ValueListEditor1, cannot}, Case{button(f, "BTN_4"), unnamed}}) {
        dialogs.records.clear();
        focus(f, c.target);
        f.Supprimercebouton1Click();
        ASSERT_EQ(dialogs.records.size(), 1u) << c.target->objectName().toStdString();
        EXPECT_EQ(dialogs.last().text, c.text);
        EXPECT_EQ(dialogs.last().icon, QStringLiteral("warning"));
        EXPECT_EQ(f.Compte_BOUTONS(), 4);
    }

    // The confirmation: Cancel keeps the button, OK deletes it and saves the bar.
    focus(f, button(f, QStringLiteral("BTN_3")));
    dialogs.records.clear();
    dialogs.answer(mrCancel);
    f.Supprimercebouton1Click();
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Supprimer ce BOUTON ?\r\n\r\n- Légende = LABO\r\n- Nom = BTN_3"));
    EXPECT_EQ(dialogs.last().buttons, (QStringList{"OK", "Annuler"}));
    EXPECT_EQ(f.Compte_BOUTONS(), 4);

    f.Supprimercebouton1Click();
    EXPECT_EQ(captions(f), (QStringList{"BTN_2=COMPTA", "BTN_4=", "btn_1=Fermer"}));
    EXPECT_EQ(savedNames("MENU"), (QStringList{"", "COMPTA"}));
}

TEST_F(ButtonsTest, FermerActionGoesBackOnButtonOne)
{
    TForm1 &f = menuWithBar();
    f.btn_1->setText(QStringLiteral("BANQUE"));
    focus(f, button(f, QStringLiteral("BTN_2")));
    f.BoutonFermer1Click();
    EXPECT_EQ(captions(f), (QStringList{"BTN_2=COMPTA", "BTN_3=LABO", "btn_1=Fermer"}));
    EXPECT_EQ(savedNames("MENU"), (QStringList{"COMPTA", "LABO"}));
    EXPECT_EQ(decodeLines(readFile(QStringLiteral("MENU.boutons.txt"))).value(0), QStringLiteral("Fermer"));
}

TEST_F(ButtonsTest, OpeningAMenuByItsSettingsFile)
{
    TForm1 &f = startMenu(QStringLiteral("MENU"));
    f.OuvrirunMenu1Click(); // cancelled
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().kind, QStringLiteral("openFile"));
    EXPECT_EQ(dialogs.last().caption, QStringLiteral("Rechercher un MENU"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral("MENU|*.MENU.INI"));
    EXPECT_EQ(dialogs.last().value, dir.path() + QStringLiteral("/|MENU.INI|*.MENU.INI"));
    EXPECT_TRUE(starts().empty());

    for (const auto &[chosen, name] : {std::pair{"/ailleurs/COMPTA.MENU.INI", "COMPTA"},
                                       std::pair{"/ailleurs/labo", "labo"}}) {
        os.clearCalls();
        dialogs.answerOpenFile(QString::fromUtf8(chosen));
        f.OuvrirunMenu1Click();
        ASSERT_EQ(starts().size(), 1u) << chosen;
        EXPECT_EQ(starts()[0].args.mid(1, 3), (QStringList{QStringLiteral("RUNAS"), os.exePath, QString::fromUtf8(name)}));
    }
    EXPECT_EQ(f.Compte_BOUTONS(), 1);
}

} // namespace
