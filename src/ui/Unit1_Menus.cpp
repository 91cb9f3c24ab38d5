// The five popup menus.
#include "ui/Unit1.h"

#include <QAction>
#include <QMenu>

namespace tarvik {

void TForm1::createMenus()
{
    Popup_Tarvik = new QMenu(this);
    Popup_Tarvik->setObjectName(QStringLiteral("Popup_Tarvik"));
    Popup_Tarvik->addActions({RunOne, RunAll, Supprimer1, Purgerlaliste1});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({Couper1, Coller1});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addAction(Clipbrd_PASTE);
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({trIER1, rierpartype1});
    Popup_Tarvik->addSeparator();
    QMenu *args = Popup_Tarvik->addMenu(QStringLiteral("Arguments à l'ouverture du programme ..."));
    args->addAction(mnu_Arg_CMD);
    args->addSeparator();
    args->addActions({mnu_Arg_Touches, mnu_Arg_PassWord});
    args->addSeparator();
    args->addAction(AjouterdesChampsDORVEX1);
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({mnu_DOSSIERS, OuvrirunMenu1, AjouterunSousMenu2});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({act_INI_SAVE, Quitter1});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({chk_AffCONF, chk_MINIMIZE, chk_RunAndClose, chk_CloseWithEsc, chk_MoveVersDoc});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addActions({chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, chk_AffStatus});
    Popup_Tarvik->addSeparator();
    Popup_Tarvik->addAction(mnu_AIDE);
    Popup_Tarvik->setDefaultAction(RunOne);

    Popup_btn1 = new QMenu(this);
    Popup_btn1->setObjectName(QStringLiteral("Popup_btn1"));
    Popup_btn1->addAction(mnu_BtnAdd);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({MENU_PREV_ADD, Supprimercebouton1});
    Popup_btn1->addSeparator();
    Popup_btn1->addAction(BoutonFermer1);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({act_SAUVE_BOUTONS, Menuprincipal1});

    Popup_AIDE = new QMenu(this);
    Popup_AIDE->setObjectName(QStringLiteral("Popup_AIDE"));
    Popup_AIDE->addAction(MENUAIDE1);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(mnuAide_ligne);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addActions({mnuAide_AddProg, mnu_Aide_Run, mnuAide_AddMenu, mnuAide_POS, Aproposedelasuppressiondesentres1});
    Popup_AIDE->addSeparator();
    Popup_AIDE->addMenu(QStringLiteral("Que faire quand rien ne va plus ?"))->addAction(PanicBouton1);
    Popup_AIDE->addMenu(QStringLiteral("BETA TEST"))->addAction(InjecterdesChampsDorvexdanslePressepapier1);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(Enligne20191);

    Popup_DOSSIERS = new QMenu(this);
    Popup_DOSSIERS->setObjectName(QStringLiteral("Popup_DOSSIERS"));
    Popup_DOSSIERS->addAction(MenuItem27);
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem21, MenuItem22});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem24, MenuItem25, MenuItem26, MenuItem28});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem30, MenuItem19});
    Popup_DOSSIERS->setDefaultAction(MenuItem27);

    PopupCHeck = new QMenu(this);
    PopupCHeck->setObjectName(QStringLiteral("PopupCHeck"));
    PopupCHeck->addAction(RunAll);

    // Window-wide shortcuts of the main context menu and of the action list.
    addActions({RunOne, RunAll, Clipbrd_PASTE, Supprimer1, Couper1, Coller1, trIER1, mnu_DOSSIERS, OuvrirunMenu1,
                AjouterunSousMenu2, Quitter1, chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, mnu_AIDE});
}

} // namespace tarvik
