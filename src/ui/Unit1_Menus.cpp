// The five popup menus, their icons, and the shortcuts that depend on focus.
#include "ui/Unit1.h"

#include "platform/Errors.h"
#include "ui/LazyIcon.h"
#include "ui/MenuColumns.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolTip>
#include <QWidgetAction>

// The resources live in a static library: they must be registered by hand.
static void initTarvikIcons() { Q_INIT_RESOURCE(tarvik); }

namespace tarvik {

namespace {

// ImageList1: its glyphs by index, each read from its file when first shown
// and shared by every item that carries it.
class ImageList {
public:
    QIcon operator()(int index)
    {
        auto found = m_icons.find(index);
        if (found == m_icons.end())
            found = m_icons.insert(index, lazyIcon(QStringLiteral(":/icons/%1.png").arg(index, 2, 10, QLatin1Char('0'))));
        return *found;
    }

private:
    QHash<int, QIcon> m_icons;
};

QAction *separator(QObject *owner)
{
    auto *a = new QAction(owner);
    a->setSeparator(true);
    return a;
}

QMenu *newMenu(QWidget *owner, const QString &name, const QString &title = QString())
{
    auto *m = new QMenu(title, owner);
    m->setObjectName(name);
    m->setFont(owner->font()); // a popup is a window of its own: no font comes from the parent
    m->setToolTipsVisible(true);
    m->setSeparatorsCollapsible(false);
    return m;
}

} // namespace

void TForm1::createMenus()
{
    initTarvikIcons();
    ImageList glyph;

    // ImageList1: the glyph of each item; items bound to an action show the action's.
    const QList<QPair<QAction *, int>> icons = {
        {RunOne, 0}, {RunAll, 1}, {Supprimer1, 2}, {Purgerlaliste1, 3}, {Couper1, 4}, {Coller1, 5},
        {Clipbrd_PASTE, 6}, {trIER1, 7}, {rierpartype1, 8}, {mnu_Arg_CMD, 9}, {mnu_Arg_Touches, 21},
        {mnu_Arg_PassWord, 20}, {AjouterdesChampsDORVEX1, 6}, {mnu_DOSSIERS, 10}, {OuvrirunMenu1, 11},
        {AjouterunSousMenu2, 12}, {act_INI_SAVE, 13}, {Quitter1, 14}, {FichierFileExit1, 14}, {mnu_AIDE, 16},
        {mnu_BtnAdd, 12}, {MENU_PREV_ADD, 17}, {Supprimercebouton1, 18}, {BoutonFermer1, 15},
        {act_SAUVE_BOUTONS, 13}, {act_SAUVE_LISTE, 13}, {Menuprincipal1, 19}, {MENUAIDE1, 16},
        {mnuAide_ligne, 22}, {Enligne20191, 22}, {PanicBouton1, 2}, {MenuItem27, 10}, {MenuItem21, 10},
        {MenuItem22, 10}, {MenuItem24, 23}, {MenuItem25, 10}, {MenuItem26, 10}, {MenuItem28, 10},
        {MenuItem30, 10}, {MenuItem19, 10},
    };
    for (const auto &[action, index] : icons)
        action->setIcon(glyph(index));
    btn_1->setIcon(glyph(15));
    for (QAction *a : findChildren<QAction *>())
        a->setShortcutVisibleInContextMenu(true);

    // Popup_Tarvik: commands, then two columns of options.
    Popup_Tarvik = newMenu(this, QStringLiteral("Popup_Tarvik"));
    QMenu *args = newMenu(this, QStringLiteral("Arguments1"), QStringLiteral("Arguments à l'ouverture du programme ..."));
    args->setIcon(glyph(9));
    args->addAction(mnu_Arg_CMD);
    args->addSeparator();
    args->addActions({mnu_Arg_Touches, mnu_Arg_PassWord});
    args->addSeparator();
    args->addAction(AjouterdesChampsDORVEX1);
    QAction *Arguments1 = args->menuAction();
    Arguments1->setObjectName(QStringLiteral("Arguments1"));

    const auto sep = [this] { return separator(this); };
    const QList<MenuColumns::Column> columns = {
        {{RunOne, RunAll, Supprimer1, Purgerlaliste1, sep(), Couper1, Coller1, sep(), Clipbrd_PASTE, sep(), trIER1,
          rierpartype1, sep(), Arguments1, sep(), mnu_DOSSIERS, OuvrirunMenu1, AjouterunSousMenu2, sep(),
          act_INI_SAVE, Quitter1},
         false},
        {{sep(), chk_AffCONF, chk_MINIMIZE, chk_RunAndClose, chk_CloseWithEsc, chk_MoveVersDoc}, true},
        {{sep(), chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, chk_AffStatus, sep(), mnu_AIDE}, false},
    };
    Popup_Tarvik->setDefaultAction(RunOne);
    auto *columnsAction = new QWidgetAction(Popup_Tarvik);
    columnsAction->setObjectName(QStringLiteral("Popup_Tarvik_items"));
    columnsAction->setDefaultWidget(new MenuColumns(Popup_Tarvik, columns));
    Popup_Tarvik->addAction(columnsAction);

    Popup_btn1 = newMenu(this, QStringLiteral("Popup_btn1"));
    Popup_btn1->addAction(mnu_BtnAdd);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({MENU_PREV_ADD, Supprimercebouton1});
    Popup_btn1->addSeparator();
    Popup_btn1->addAction(BoutonFermer1);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({act_SAUVE_BOUTONS, Menuprincipal1});

    Popup_AIDE = newMenu(this, QStringLiteral("Popup_AIDE"));
    // The title line shows F1; the key acts through "Aide" (an item of a menu
    // that belongs to no control never receives a shortcut).
    MENUAIDE1->setShortcut(QKeySequence(Qt::Key_F1));
    MENUAIDE1->setShortcutContext(Qt::WidgetShortcut);
    Popup_AIDE->addAction(MENUAIDE1);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(mnuAide_ligne);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addActions({mnuAide_AddProg, mnu_Aide_Run, mnuAide_AddMenu, mnuAide_POS, Aproposedelasuppressiondesentres1});
    Popup_AIDE->addSeparator();
    QMenu *panic = newMenu(this, QStringLiteral("MenuItem38"), QStringLiteral("Que faire quand rien ne va plus ?"));
    panic->addAction(PanicBouton1);
    Popup_AIDE->addMenu(panic);
    QMenu *beta = newMenu(this, QStringLiteral("BETATEST1"), QStringLiteral("BETA TEST"));
    beta->addAction(InjecterdesChampsDorvexdanslePressepapier1);
    Popup_AIDE->addMenu(beta);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(Enligne20191);

    Popup_DOSSIERS = newMenu(this, QStringLiteral("Popup_DOSSIERS"));
    Popup_DOSSIERS->addAction(MenuItem27);
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem21, MenuItem22});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem24, MenuItem25, MenuItem26, MenuItem28});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem30, MenuItem19});
    Popup_DOSSIERS->setDefaultAction(MenuItem27);

    PopupCHeck = newMenu(this, QStringLiteral("PopupCHeck"));
    PopupCHeck->addAction(RunAll);
    connect(JvCheckListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupCHeck->popup(JvCheckListBox1->viewport()->mapToGlobal(pos)); });

    // Window-wide shortcuts of the main context menu and of the action list.
    addActions({RunOne, RunAll, Clipbrd_PASTE, Supprimer1, Couper1, Coller1, trIER1, mnu_DOSSIERS, OuvrirunMenu1,
                Quitter1, chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, mnu_AIDE});

    // Ctrl+N belongs to "Ajouter un Sous-Menu ..." and to "Ajouter un Bouton";
    // the bar button's own menu comes first while a bar button has the focus.
    // One shortcut dispatches by focus, so Qt never sees two owners of the key.
    for (QAction *shown : {AjouterunSousMenu2, mnu_BtnAdd, MENU_PREV_ADD})
        shown->setShortcutContext(Qt::WidgetShortcut); // shown in the menus, dispatched below
    auto *ctrlN = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    connect(ctrlN, &QShortcut::activated, this, guarded([this] {
        auto *b = qobject_cast<QPushButton *>(QApplication::focusWidget());
        if (b && b->parentWidget() == Panel_boutons)
            mnu_BtnAddClick();
        else
            AjouterunSousMenu2Click();
    }));
    // F2 ("Renommer le bouton") only while a bar button has the focus.
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), Panel_boutons);
    f2->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f2, &QShortcut::activated, this, guarded([this] { MENU_BTN_ADDClick(); }));
}

} // namespace tarvik
