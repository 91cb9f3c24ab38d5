// The action list, the menu items and the wiring of every command.
#include "ui/Unit1.h"

#include "platform/Errors.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QPushButton>

namespace tarvik {

namespace {

QAction *makeAction(QObject *owner, const char *name, const QString &caption, const QString &hint = QString(),
                    const QKeySequence &shortcut = QKeySequence())
{
    auto *a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        a->setToolTip(hint);
        a->setStatusTip(hint);
    }
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

QAction *makeOption(QObject *owner, const char *name, const QString &caption, bool checked,
                    const QString &hint = QString(), const QKeySequence &shortcut = QKeySequence())
{
    QAction *a = makeAction(owner, name, caption, hint, shortcut);
    a->setCheckable(true);
    a->setChecked(checked);
    return a;
}

} // namespace

void TForm1::createActions()
{
    // ActionList1.
    act_RempliMENU = makeAction(this, "RempliMENU", QStringLiteral("RempliMENU"));
    act_SAUVE_BOUTONS = makeAction(this, "SAUVE_BOUTONS", QStringLiteral("Sauvegarder les boutons"));
    act_SAUVE_LISTE = makeAction(this, "SAUVE_LISTE", QStringLiteral("Sauvegarder la liste"));
    FichierFileExit1 = makeAction(this, "FichierFileExit1", QStringLiteral("&Quitter"), QStringLiteral("Quitter"));
    FichierFileExit1->setStatusTip(QStringLiteral("Quitte l'application"));
    act_INI_SAVE = makeAction(this, "INI_SAVE", QStringLiteral("Enregistrer la configuration"));
    Clipbrd_PASTE = makeAction(this, "Clipbrd_PASTE", QStringLiteral("Copier l'argument"),
                               QStringLiteral("Récupérer les champs dans lel presse papier"),
                               QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_C));
    FORM_AutoSize = makeAction(this, "FORM_AutoSize", QStringLiteral("FORM_AutoSize"));
    RunOne = makeAction(this, "RunOne", QStringLiteral("Lancer le programme pointé"), QString(), QKeySequence(Qt::Key_F5));
    RunAll = makeAction(this, "RunAll", QStringLiteral("Lancer tous les programes cochés"), QString(),
                        QKeySequence(Qt::CTRL | Qt::Key_F5));

    // Popup_Tarvik.
    Supprimer1 = makeAction(this, "Supprimer1", QStringLiteral("Supprimer"), QStringLiteral("Supprimer une ligne "),
                            QKeySequence(Qt::CTRL | Qt::Key_Delete));
    Purgerlaliste1 = makeAction(this, "Purgerlaliste1", QStringLiteral("Purger la liste"));
    Couper1 = makeAction(this, "Couper1", QStringLiteral("Couper"), QStringLiteral("Couper"), QKeySequence(Qt::CTRL | Qt::Key_X));
    Coller1 = makeAction(this, "Coller1", QStringLiteral("Coller"), QStringLiteral("Coller"), QKeySequence(Qt::CTRL | Qt::Key_V));
    trIER1 = makeAction(this, "trIER1", QStringLiteral("Trier par nom"), QStringLiteral("Trier par Ordre alphabétique"),
                        QKeySequence(Qt::Key_F3));
    rierpartype1 = makeAction(this, "rierpartype1", QStringLiteral("Trier par type"));
    mnu_Arg_CMD = makeAction(this, "mnu_Arg_CMD", QStringLiteral("Ajouter une ligne de commande"),
                             QStringLiteral("/AUTO ... Ajouter une ligne de commande"));
    mnu_Arg_Touches = makeAction(this, "mnu_Arg_Touches", QStringLiteral("Ajouter une séquence de touches"),
                                 QStringLiteral("...\"abc\"... Ajouter une séquence de touches à l'ouverture du programme"));
    mnu_Arg_PassWord = makeAction(this, "mnu_Arg_PassWord", QStringLiteral("Ajouter un mot de passe "),
                                  QStringLiteral("Ajouter un mot de passe pour ouvrir un programme"));
    AjouterdesChampsDORVEX1 = makeAction(this, "AjouterdesChampsDORVEX1", QStringLiteral("Ajouter des Champs DORVEX"));
    mnu_DOSSIERS = makeAction(this, "mnu_DOSSIERS", QStringLiteral("Ouvrir un dossier ..."),
                              QStringLiteral("Explorer un des dossiers \"Programmes\" de Windows"),
                              QKeySequence(Qt::CTRL | Qt::Key_O));
    OuvrirunMenu1 = makeAction(this, "OuvrirunMenu1", QStringLiteral("Recherche un Menu Tarvik ..."), QString(),
                               QKeySequence(Qt::CTRL | Qt::Key_F));
    AjouterunSousMenu2 = makeAction(this, "AjouterunSousMenu2", QStringLiteral("Ajouter un Sous-Menu ..."), QString(),
                                    QKeySequence(Qt::CTRL | Qt::Key_N));
    Quitter1 = makeAction(this, "Quitter1", QStringLiteral("&Quitter"), QStringLiteral("Quitter"),
                          QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnu_AIDE = makeAction(this, "mnu_AIDE", QStringLiteral("Aide"), QString(), QKeySequence(Qt::Key_F1));

    // The ten options, created in the order their keys take in the settings file.
    chk_AffCONF = makeOption(this, "chk_AffCONF", QStringLiteral("Confirmer avant de lancer un programme"), false,
                             QStringLiteral("Affciher les boites de dialogues de confirmation des choix"));
    chk_MINIMIZE = makeOption(this, "chk_MINIMIZE", QStringLiteral("Minimise le menu après lancement du programme"), false,
                              QStringLiteral("Le menu se replie dans la barre de tache"));
    chk_RunAndClose = makeOption(this, "chk_RunAndClose", QStringLiteral("Ferme le menu après lancement du programme"), false,
                                 QStringLiteral("Ferme apres avoir lancé "));
    chk_CloseWithEsc = makeOption(this, "chk_CloseWithEsc", QStringLiteral("Fermer avec la Touche ECHAPPE"), false,
                                  QStringLiteral("Le Touche Echappe ferme le menu"));
    chk_MoveVersDoc = makeOption(this, "chk_MoveVersDoc",
                                 QStringLiteral("Déplacer tous les documents vers un Dossier dans \"Mes Documents\""), true);
    chk_StayOnTop = makeOption(this, "chk_StayOnTop", QStringLiteral("Toujours en avant"), false,
                               QStringLiteral("Garde le menu au dessus des autres fenêtres"), QKeySequence(Qt::ALT | Qt::Key_A));
    chk_AffListe = makeOption(this, "chk_AffListe", QStringLiteral("Afficher Liste des fichiers"), true, QString(),
                              QKeySequence(Qt::ALT | Qt::Key_F));
    chk_AffBoutons = makeOption(this, "chk_AffBoutons", QStringLiteral("Afficher Boutons"), true, QString(),
                                QKeySequence(Qt::ALT | Qt::Key_B));
    chk_BTN_AlignTop = makeOption(this, "chk_BTN_AlignTop", QStringLiteral("Afficher les boutons en haut"), false, QString(),
                                  QKeySequence(Qt::ALT | Qt::Key_T));
    chk_AffStatus = makeOption(this, "chk_AffStatus", QStringLiteral("Afficher la barre de status"), false);
    radioLaunchEnd = new QActionGroup(this);
    radioLaunchEnd->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    radioLaunchEnd->addAction(chk_MINIMIZE);
    radioLaunchEnd->addAction(chk_RunAndClose);

    // Popup_btn1.
    mnu_BtnAdd = makeAction(this, "mnu_BtnAdd", QStringLiteral("Ajouter un Bouton"), QStringLiteral("Ajouter un Sous-Menu"),
                            QKeySequence(Qt::CTRL | Qt::Key_N));
    MENU_PREV_ADD = makeAction(this, "MENU_PREV_ADD", QStringLiteral("Renommer le bouton"), QString(), QKeySequence(Qt::Key_F2));
    Supprimercebouton1 = makeAction(this, "Supprimercebouton1", QStringLiteral("Supprimer ce bouton"));
    BoutonFermer1 = makeAction(this, "BoutonFermer1", QStringLiteral("Placer une action \"Fermer\" sur ce bouton"));
    Menuprincipal1 = makeAction(this, "Menuprincipal1", QStringLiteral("Menu principal ..."));

    // Popup_AIDE.
    MENUAIDE1 = makeAction(this, "MENUAIDE1", QStringLiteral("=== MENU AIDE ==="));
    mnuAide_ligne = makeAction(this, "mnuAide_ligne", QStringLiteral("Mises à jour ..."));
    mnuAide_AddProg = makeAction(this, "mnuAide_AddProg", QStringLiteral("Ajouter un Programme ou un document"));
    mnu_Aide_Run = makeAction(this, "mnu_Aide_Run", QStringLiteral("Lancer un programme"));
    mnuAide_AddMenu = makeAction(this, "mnuAide_AddMenu", QStringLiteral("Ajouter un sous menu"));
    mnuAide_POS = makeAction(this, "mnuAide_POS", QStringLiteral("Gérer l'Emplacement des Menus"));
    Aproposedelasuppressiondesentres1 = makeAction(this, "Aproposedelasuppressiondesentres1",
                                                   QStringLiteral("A propos de la suppression des Sous-Menus"));
    PanicBouton1 = makeAction(this, "PanicBouton1", QStringLiteral("Panic Bouton"));
    InjecterdesChampsDorvexdanslePressepapier1 = makeAction(this, "InjecterdesChampsDorvexdanslePressepapier1",
                                                            QStringLiteral("Injecter des Champs Dorvex dans le Presse papier"));
    Enligne20191 = makeAction(this, "Enligne20191", QStringLiteral("En ligne 2019 ..."));

    // Popup_DOSSIERS.
    MenuItem27 = makeAction(this, "MenuItem27", QStringLiteral("Documents du Tarvik"));
    MenuItem21 = makeAction(this, "MenuItem21", QStringLiteral("Client Dorvex : Progam Files/Dorvex"));
    MenuItem22 = makeAction(this, "MenuItem22", QStringLiteral("Serveur Dorvex : c:/Dorvex"));
    MenuItem24 = makeAction(this, "MenuItem24", QStringLiteral("Bureau"));
    MenuItem25 = makeAction(this, "MenuItem25", QStringLiteral("Program Files "));
    MenuItem26 = makeAction(this, "MenuItem26", QStringLiteral("Mes documents"));
    MenuItem28 = makeAction(this, "MenuItem28", QStringLiteral("System"));
    MenuItem30 = makeAction(this, "MenuItem30", QStringLiteral("Chemin de l'application Tarvik"),
                            QStringLiteral("Dans le dossier Tarvik"));
    MenuItem19 = makeAction(this, "MenuItem19", QStringLiteral("Chemin du programme appelé"),
                            QStringLiteral("Même emplacement quer le fichier pointé"));
}

void TForm1::connectHandlers()
{
    const auto on = [this](QAction *a, void (TForm1::*handler)()) {
        connect(a, &QAction::triggered, this, guarded([this, handler] { (this->*handler)(); }));
    };
    on(act_RempliMENU, &TForm1::RempliMENU);
    on(act_SAUVE_BOUTONS, &TForm1::SAUVE_BOUTONS);
    on(act_SAUVE_LISTE, &TForm1::SAUVE_LISTE);
    on(act_INI_SAVE, &TForm1::INI_SAVE);
    on(Clipbrd_PASTE, &TForm1::Clipbrd_PASTEExecute);
    on(FORM_AutoSize, &TForm1::FORM_AutoSizeExecute);
    on(RunOne, &TForm1::RunOneExecute);
    on(RunAll, &TForm1::RunAllExecute);
    connect(FichierFileExit1, &QAction::triggered, this, &QWidget::close);
    connect(Quitter1, &QAction::triggered, this, &QWidget::close);

    on(Supprimer1, &TForm1::Supprimer1Click);
    on(Purgerlaliste1, &TForm1::Purgerlaliste1Click);
    on(Couper1, &TForm1::Couper1Click);
    on(Coller1, &TForm1::Coller1Click);
    on(trIER1, &TForm1::trIER1Click);
    on(rierpartype1, &TForm1::rierpartype1Click);
    on(mnu_Arg_CMD, &TForm1::mnu_Arg_CMDClick);
    on(mnu_Arg_Touches, &TForm1::mnu_Arg_TouchesClick);
    on(mnu_Arg_PassWord, &TForm1::mnu_Arg_PassWordClick);
    on(AjouterdesChampsDORVEX1, &TForm1::AjouterdesChampsDORVEX1Click);
    on(mnu_DOSSIERS, &TForm1::mnu_DOSSIERSClick);
    on(OuvrirunMenu1, &TForm1::OuvrirunMenu1Click);
    on(AjouterunSousMenu2, &TForm1::AjouterunSousMenu2Click);
    on(mnu_AIDE, &TForm1::mnu_AIDEClick);

    on(chk_StayOnTop, &TForm1::chk_StayOnTopClick);
    on(chk_AffListe, &TForm1::chk_AffListeClick);
    on(chk_AffBoutons, &TForm1::chk_AffBoutonsClick);
    on(chk_BTN_AlignTop, &TForm1::chk_BTN_AlignTopClick);
    on(chk_AffStatus, &TForm1::chk_AffStatusClick);
    on(chk_MINIMIZE, &TForm1::chk_MINIMIZEClick);
    on(chk_RunAndClose, &TForm1::chk_RunAndCloseClick);

    on(mnu_BtnAdd, &TForm1::mnu_BtnAddClick);
    on(MENU_PREV_ADD, &TForm1::MENU_BTN_ADDClick);
    on(Supprimercebouton1, &TForm1::Supprimercebouton1Click);
    on(BoutonFermer1, &TForm1::BoutonFermer1Click);
    on(Menuprincipal1, &TForm1::Menuprincipal1Click);

    on(mnuAide_ligne, &TForm1::mnuAIDE_ligneClick);
    on(mnuAide_AddProg, &TForm1::mnuAide_AddProgClick);
    on(mnu_Aide_Run, &TForm1::mnu_Aide_RunClick);
    on(mnuAide_AddMenu, &TForm1::mnuAide_AddMenuClick);
    on(mnuAide_POS, &TForm1::mnuAide_POSClick);
    on(Aproposedelasuppressiondesentres1, &TForm1::Aproposedelasuppressiondesentres1Click);
    on(PanicBouton1, &TForm1::PanicBouton1Click);
    on(InjecterdesChampsDorvexdanslePressepapier1, &TForm1::InjecterdesChampsDorvexdanslePressepapier1Click);
    on(Enligne20191, &TForm1::Enligne20191Click);

    on(MenuItem27, &TForm1::MesDocumentsTarvik1Click);
    on(MenuItem21, &TForm1::DorvexFiles1Click);
    on(MenuItem22, &TForm1::ServeurDorvex1Click);
    on(MenuItem24, &TForm1::Bureau1Click);
    on(MenuItem25, &TForm1::ProgramFiles1Click);
    on(MenuItem26, &TForm1::Mesdocuments1Click);
    on(MenuItem28, &TForm1::DossierUtilitairesdeWindows1Click);
    on(MenuItem30, &TForm1::Application1Click);
    on(MenuItem19, &TForm1::Explorer1Click);

    connect(ValueListEditor1, &TValueListEditor::pointed, this, guarded([this] { ValueListEditor1Click(); }));
    connect(ValueListEditor1, &TValueListEditor::doubleClickedRow, this, guarded([this] { RunOneExecute(); }));
    connect(JvCheckListBox1, &TJvCheckListBox::ClickCheck, this,
            guarded([this](int row) { JvCheckListBox1ClickCheck(row); }));
}

} // namespace tarvik
