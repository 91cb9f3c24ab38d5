// The window: layout and options, resizing, keys, shortcuts and popups.
#include "UiTestSupport.h"

#include "lib/Orvo_ini.h"
#include "ui/MenuColumns.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWindow>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

class WindowTest : public MenuFixture {
protected:
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu *>(w))
                w->hide();
        MenuFixture::TearDown();
    }

    TForm1 &menuWith(const QStringList &entries)
    {
        QStringList lines;
        for (const QString &e : entries) {
            writeFile(e, "x");
            lines << path(e);
        }
        writeFile("TEST.items.txt", (lines.join("\r\n") + "\r\n").toUtf8());
        TForm1 &f = startMenu("TEST");
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }

    static MenuColumns *columns(TForm1 &f) { return f.Popup_Tarvik->findChild<MenuColumns *>(); }

    static QRect itemRect(TForm1 &f, QAction *a) { return columns(f)->itemRect(a); }

    // Where a menu asked to open at `at` stands: the menu moves left when
    // it would leave the screen (the three-column menu is wider than the
    // offscreen test screen).
    static QPoint placed(QMenu *menu, QPoint at)
    {
        const QRect screen = menu->screen()->geometry();
        if (at.x() + menu->width() > screen.right() + 1)
            at.setX(qMax(screen.left(), screen.right() + 1 - menu->width()));
        return at;
    }

    // The popup opened by the last step; every test closes it again.
    static void expectOpenAtCentre(TForm1 &f, QMenu *menu)
    {
        ASSERT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        const QRect outer = f.frameGeometry();
        const QPoint centre(outer.left() + outer.width() / 2, outer.top() + outer.height() / 2);
        EXPECT_EQ(f.centrePoint(), centre);
        EXPECT_EQ(menu->pos(), placed(menu, centre)) << menu->objectName().toStdString();
        for (QMenu *other : {f.Popup_Tarvik, f.Popup_btn1, f.Popup_AIDE, f.Popup_DOSSIERS, f.PopupCHeck})
            if (other != menu)
                EXPECT_FALSE(other->isVisible()) << other->objectName().toStdString();
        menu->hide();
    }
};

TEST_F(WindowTest, FirstStartLayout)
{
    TForm1 &f = menuWith({"a.exe", "b.pdf"});
    EXPECT_EQ(f.size(), QSize(444, 270));
    EXPECT_FALSE(f.Panel_liste->isHidden());
    EXPECT_FALSE(f.Panel_boutons->isHidden());
    EXPECT_TRUE(f.StatusBar1->isHidden());
    EXPECT_EQ(f.StatusBar1->text(), "Déposez un fichier pour ajouter un programme");
    EXPECT_EQ(f.Panel_boutons->geometry(), QRect(0, 243, 444, 27)) << "the bar along the bottom edge";
    EXPECT_EQ(f.Panel_liste->geometry(), QRect(0, 0, 444, 243));
    EXPECT_EQ(f.JvCheckListBox1->geometry(), QRect(0, 0, 21, 243));
    EXPECT_EQ(f.ValueListEditor1->geometry().left(), 21);
    EXPECT_FALSE(f.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.font().family(), "Tahoma");
    EXPECT_EQ(f.font().pixelSize(), 11);
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(f.ValueListEditor1->toolTip(), "Pointer et Double clic pour lancer (F5)");
    EXPECT_EQ(f.btn_1->text(), "Fermer");
    EXPECT_FALSE(f.btn_1->icon().isNull());
    const bool defaults[] = {false, false, false, false, true, false, true, true, false, false};
    const QAction *options[] = {f.chk_AffCONF,   f.chk_MINIMIZE, f.chk_RunAndClose, f.chk_CloseWithEsc,
                                f.chk_MoveVersDoc, f.chk_StayOnTop, f.chk_AffListe,  f.chk_AffBoutons,
                                f.chk_BTN_AlignTop, f.chk_AffStatus};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(options[i]->isChecked(), defaults[i]) << options[i]->objectName().toStdString();
    // Escape does nothing at first start.
    QTest::keyClick(f.ValueListEditor1, Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
}

TEST_F(WindowTest, LayoutOptionsReshapeTheWindow)
{
    TForm1 &f = menuWith({"a.exe"});
    f.chk_AffListe->trigger(); // off: the window is just the bar
    EXPECT_TRUE(f.Panel_liste->isHidden());
    EXPECT_EQ(f.size(), QSize(444, 27));
    QApplication::processEvents();
    EXPECT_EQ(f.Panel_boutons->geometry(), QRect(0, 0, 444, 27));

    f.chk_AffListe->trigger(); // back on: the list comes back at its size
    EXPECT_EQ(f.size(), QSize(444, 270));

    f.chk_AffBoutons->trigger();
    EXPECT_TRUE(f.Panel_boutons->isHidden());
    EXPECT_EQ(f.size(), QSize(444, 243));
    f.chk_AffBoutons->trigger();
    EXPECT_EQ(f.size(), QSize(444, 270));

    f.chk_BTN_AlignTop->trigger();
    QApplication::processEvents();
    EXPECT_EQ(f.Panel_boutons->geometry(), QRect(0, 0, 444, 27));
    EXPECT_EQ(f.Panel_liste->geometry().top(), 27);
    EXPECT_EQ(f.size(), QSize(444, 270)) << "moving the bar fits nothing";

    f.chk_AffStatus->trigger();
    EXPECT_FALSE(f.StatusBar1->isHidden());
    EXPECT_EQ(f.size(), QSize(444, 270));

    const WId id = f.windowHandle()->winId();
    f.chk_StayOnTop->trigger();
    EXPECT_TRUE(f.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.windowHandle()->winId(), id) << "the window keeps its id";
    f.chk_StayOnTop->trigger();
    EXPECT_FALSE(f.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(WindowTest, MinimiseAndCloseAfterLaunchAreARadioPair)
{
    TForm1 &f = menuWith({});
    struct Step {
        QAction *click;
        bool minimise, close;
    };
    const Step steps[] = {
        {f.chk_MINIMIZE, true, false},   // both clear: it checks, the other stays clear
        {f.chk_MINIMIZE, false, true},   // the checked one: the mark moves
        {f.chk_RunAndClose, true, false},
        {f.chk_MINIMIZE, false, true},
        {f.chk_RunAndClose, true, false},
    };
    for (const Step &s : steps) {
        s.click->trigger();
        EXPECT_EQ(f.chk_MINIMIZE->isChecked(), s.minimise);
        EXPECT_EQ(f.chk_RunAndClose->isChecked(), s.close);
    }
}

TEST_F(WindowTest, ColumnAndButtonWidthsFollowTheWindow)
{
    TForm1 &f = menuWith({"a.exe"});
    QList<QPushButton *> created;
    for (const char *name : {"UN", "DEUX", "TROIS"})
        created << f.Button_Create(name);
    setOuterGeometry(f, 0, 0, 460, 300); // the outer width, frame included
    EXPECT_EQ(f.frameGeometry().width(), 460);
    EXPECT_EQ(f.ValueListEditor1->columnWidth(0), 380);
    EXPECT_EQ(f.ValueListEditor1->columnWidth(1), 80);
    EXPECT_EQ(f.Compte_BOUTONS(), 4);
    for (QPushButton *b : created)
        EXPECT_EQ(b->width(), 112) << b->text().toStdString();
    EXPECT_EQ(f.BTN_RunAll->parentWidget(), f.Panel_liste) << "not a bar button";
    setOuterGeometry(f, 0, 0, 600, 300);
    EXPECT_EQ(f.ValueListEditor1->columnWidth(0), 520);
    for (QPushButton *b : created)
        EXPECT_EQ(b->width(), 147);
}

// Only the user and the fitting of the window resize it: ticking a box in a
// narrow window shows the run-all button within the list panel's width, its
// caption cut short, and the window keeps its place and size.
TEST_F(WindowTest, TickingABoxKeepsANarrowWindowsSize)
{
    writeFile("TEST.MENU.INI", "[tarvik]\r\nForm1=100:100:200:300\r\n");
    TForm1 &f = menuWith({"a.exe", "b.exe"});
    QApplication::processEvents();
    ASSERT_EQ(f.frameGeometry(), QRect(100, 100, 200, 300));
    QAbstractItemView *list = f.JvCheckListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    QApplication::processEvents();
    ASSERT_FALSE(f.BTN_RunAll->isHidden());
    EXPECT_EQ(f.frameGeometry(), QRect(100, 100, 200, 300));
    EXPECT_EQ(PositionString(f), "100:100:200:300");
    EXPECT_EQ(f.BTN_RunAll->width(), f.Panel_liste->width());
    const QString caption = QStringLiteral("Lancer tous les programes cochés");
    EXPECT_EQ(f.BTN_RunAll->text(), caption);
    const QString shown = f.BTN_RunAll->shownText();
    EXPECT_NE(shown, caption);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(f.BTN_RunAll->fontMetrics().horizontalAdvance(shown), f.BTN_RunAll->width());
    // Wide enough, the whole caption shows.
    setOuterGeometry(f, 100, 100, 600, 300);
    QApplication::processEvents();
    EXPECT_EQ(f.BTN_RunAll->shownText(), caption);
}

TEST_F(WindowTest, CtrlMAndF1OpenTheirPopupAtTheCentre)
{
    TForm1 &f = menuWith({"a.exe"});
    f.move(60, 40);

    for (QWidget *focus : {static_cast<QWidget *>(f.ValueListEditor1), static_cast<QWidget *>(f.JvCheckListBox1),
                           static_cast<QWidget *>(f.btn_1)}) {
        SCOPED_TRACE(focus->objectName().toStdString());
        focus->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), focus);
        QTest::keyClick(focus, Qt::Key_M, Qt::ControlModifier);
        expectOpenAtCentre(f, f.Popup_Tarvik);
        QTest::keyRelease(focus, Qt::Key_F1);
        expectOpenAtCentre(f, f.Popup_AIDE);
    }
    // The commands that open a popup do it at the centre too.
    const std::pair<QAction *, QMenu *> commands[] = {
        {f.mnu_DOSSIERS, f.Popup_DOSSIERS}, {f.AjouterunSousMenu2, f.Popup_btn1},
        {f.mnu_AIDE, f.Popup_AIDE}, {f.Menuprincipal1, f.Popup_Tarvik}};
    for (const auto &[action, menu] : commands) {
        action->trigger();
        expectOpenAtCentre(f, menu);
    }
    // Ctrl+N away from the bar opens the bar's menu at the centre.
    f.ValueListEditor1->setFocus();
    QTest::keyClick(f.ValueListEditor1, Qt::Key_N, Qt::ControlModifier);
    expectOpenAtCentre(f, f.Popup_btn1);
    // On a bar button it adds a button at once instead: the menu stays closed.
    const int buttons = f.Compte_BOUTONS();
    f.btn_1->setFocus();
    QTest::keyClick(f.btn_1, Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(f.Popup_btn1->isVisible());
    EXPECT_EQ(f.Compte_BOUTONS(), buttons + 1);
}

TEST_F(WindowTest, CtrlDelFromTheGridReachesSupprimer)
{
    TForm1 &f = menuWith({"a.exe", "b.exe"});
    f.ValueListEditor1->setFocus();
    f.ValueListEditor1->setRow(1);
    QTest::keyClick(f.ValueListEditor1, Qt::Key_Delete);
    EXPECT_TRUE(dialogs.records.empty()) << "the grid deletes nothing by itself";
    EXPECT_EQ(f.ListBox1.Count(), 2);

    dialogs.answer(mrCancel);
    QTest::keyClick(f.ValueListEditor1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, "Supprimer l'entrée\r\n\r\nB");
    EXPECT_EQ(f.ListBox1.Count(), 2);

    dialogs.answer(mrOk);
    QTest::keyClick(f.ValueListEditor1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f.ListBox1.Items, QStringList{path("a.exe")});
}

TEST_F(WindowTest, EscapeClosesOnlyWithTheOption)
{
    TForm1 &f = menuWith({"a.exe"});
    f.JvCheckListBox1->setFocus();
    QTest::keyClick(f.JvCheckListBox1, Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    f.chk_CloseWithEsc->trigger();
    QTest::keyClick(f.JvCheckListBox1, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(WindowTest, RightClickOpensTheMenuOfThePlace)
{
    TForm1 &f = menuWith({"a.exe"});
    QPushButton *created = f.Button_Create("SOUS");
    const struct {
        QWidget *target;
        QMenu *menu;
    } cases[] = {
        {f.ValueListEditor1->viewport(), f.Popup_Tarvik},
        {f.JvCheckListBox1->viewport(), f.PopupCHeck},
        {f.btn_1, f.Popup_btn1},
        {created, f.Popup_btn1},
        {f.Panel_boutons, f.Popup_Tarvik},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target->objectName().toStdString() + " " + c.target->metaObject()->className());
        const QPoint local(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, c.target->mapToGlobal(local));
        QApplication::sendEvent(c.target, &event);
        EXPECT_TRUE(c.menu->isVisible());
        EXPECT_EQ(c.menu->pos(), placed(c.menu, c.target->mapToGlobal(local)));
        c.menu->hide();
    }
}

TEST_F(WindowTest, MainMenuStandsInThreeColumnsAndItsItemsWork)
{
    TForm1 &f = menuWith({"a.exe"});
    ASSERT_NE(columns(f), nullptr);
    f.Menuprincipal1->trigger();
    ASSERT_TRUE(f.Popup_Tarvik->isVisible());
    const QRect run = itemRect(f, f.RunOne), quit = itemRect(f, f.Quitter1);
    const QRect conf = itemRect(f, f.chk_AffCONF), doc = itemRect(f, f.chk_MoveVersDoc);
    const QRect top = itemRect(f, f.chk_StayOnTop), status = itemRect(f, f.chk_AffStatus), help = itemRect(f, f.mnu_AIDE);
    for (const QRect &r : {run, quit, conf, doc, top, status, help})
        ASSERT_FALSE(r.isEmpty());
    EXPECT_EQ(run.left(), quit.left());
    EXPECT_LT(run.right(), conf.left());
    EXPECT_EQ(conf.left(), doc.left());
    EXPECT_LT(conf.right(), top.left());
    EXPECT_EQ(top.left(), help.left());
    EXPECT_GT(conf.top(), run.top()) << "the option columns begin with a separator";
    EXPECT_EQ(conf.top(), top.top());
    EXPECT_TRUE(columns(f)->isVisible());
    EXPECT_GE(columns(f)->width(), help.right());

    // A click on an item closes the menu and runs it.
    QTest::mouseClick(columns(f), Qt::LeftButton, {}, status.center());
    EXPECT_FALSE(f.Popup_Tarvik->isVisible());
    EXPECT_TRUE(f.chk_AffStatus->isChecked());
    EXPECT_FALSE(f.StatusBar1->isHidden());

    // The keyboard walks the columns too.
    f.Menuprincipal1->trigger();
    QWidget *cols = columns(f);
    QTest::keyClick(cols, Qt::Key_Down);  // "Lancer le programme pointé"
    QTest::keyClick(cols, Qt::Key_Right); // "Confirmer avant de lancer un programme"
    QTest::keyClick(cols, Qt::Key_Right); // "Toujours en avant"
    QTest::keyClick(cols, Qt::Key_Down);  // "Afficher Liste des fichiers"
    QTest::keyClick(cols, Qt::Key_Return);
    EXPECT_FALSE(f.Popup_Tarvik->isVisible());
    EXPECT_FALSE(f.chk_AffListe->isChecked());
    EXPECT_TRUE(f.Panel_liste->isHidden());
    EXPECT_FALSE(f.chk_StayOnTop->isChecked());
    f.chk_AffListe->trigger();

    // The shortcuts of the menu's items work with the menu closed.
    f.ValueListEditor1->setFocus();
    const bool before = f.chk_BTN_AlignTop->isChecked();
    QTest::keyClick(f.ValueListEditor1, Qt::Key_T, Qt::AltModifier);
    EXPECT_NE(f.chk_BTN_AlignTop->isChecked(), before);
}

} // namespace
