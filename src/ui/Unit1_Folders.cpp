// Folder shortcuts and the help menu.
#include "ui/Unit1.h"

#include "lib/MakerPages.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_WIN.h"
#include "lib/PathParts.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QFileInfo>

namespace tarvik {

namespace {

// The Dorvex server's fixed folder. Its Windows home was the root of drive C:;
// the root of the file system is its counterpart here.
const QString ServeurDorvexDir = QStringLiteral("/dorvex/");

QString withSlash(const QString &dir) { return dir.endsWith(u'/') ? dir : dir + u'/'; }

const QString AideAjouterProgramme = QStringLiteral(
    "AJOUTER UN PROGRAMME\r\n"
    "====================\r\n"
    "\r\n"
    "Pour ajouter un Programme, un document ou une URL\r\n"
    "Il suffit de le déposer sur le MENU\r\n"
    "\r\n"
    "Le Menu \"Chercher un programme\" permet d'ouvrir rapidement les Dossiers Windows qui contiennent les programmes");

const QString AideLancerProgramme = QStringLiteral(
    "LANCER UN PROGRAMME OU OUVRIR UN FICHIER\r\n"
    "========================================\r\n"
    "\r\n"
    "Sélectionner une entrée en cliquant sur son EXTENSION\r\n"
    "L'extension se met en surbrillance\r\n"
    "\r\n"
    "- DOUBLE-CLIC pour lancer\r\n"
    "\r\n"
    "- Ou Clic Droit + LANCER\r\n"
    "- Ou touche F5");

const QString AideAjouterSousMenu = QStringLiteral(
    "AJOUTER UN SOUS MENU :\r\n"
    "======================\r\n"
    "\r\n"
    "Clic droit un Bouton\r\n"
    "- Ajouter un sous menu\r\n"
    "- Ou Touche F4\r\n"
    "\r\n"
    "Puis cliquer sur le Nouveau Bouton\r\n"
    "Nommer le Bouton\r\n"
    "\r\n"
    "Un nouveau Menu sera créé au nom du Bouton");

const QString AideEmplacementMenus = QStringLiteral(
    "GERER L'EMPLACEMENT ET LA SUPERPOSITION DES MENUS\r\n"
    "==================================================\r\n"
    "\r\n"
    "Chaque menu s'ouvre toujours dans la position mémorisée à sa fermeture\r\n"
    "\r\n"
    "Il suffit de DIMENSIONNER et de POSITIONNER chaque menu\r\n"
    "Pour gérer son emplacement ");

const QString AideSuppressionSousMenu = QStringLiteral(
    "A PROPOS DE LA SUPPRESSION D'UN SOUS MENU\r\n"
    "==========================================\r\n"
    "\r\n"
    "Supprimer le BOUTON d'un sous menu n'efface pas le menu du Disque\r\n"
    "Le bouton n'apparait plus au menu principal\r\n"
    "\r\n"
    "Pour régénérer un sous menu supprimé, il suffit de recréer un nouveau bouton du même NOM\r\n"
    "\r\n"
    "La liste des sous menus disponibles se trouve dans le dossier de l'application (menu: \"Rechercher un dossier\"");

} // namespace

void TForm1::Explore(const QString &path, bool ExtractPath)
{
    QString folder = path;
    if (ExtractPath)
        folder = PathParts(folder, SeparatorRule::Local).folder();
    // The file manager shows its own error on a missing folder, or nothing at
    // all: say plainly which folder is missing instead.
    if (folder.isEmpty())
        throw Error(QStringLiteral("Aucun dossier à ouvrir : ce dossier est introuvable sur cet ordinateur."));
    if (!QFileInfo(folder).isDir())
        throw Error(QStringLiteral("Le dossier \"%1\" n'existe pas.").arg(folder));
    platform().shellExecute(ownHandle(), QStringLiteral("EXPLORE"), folder, QString(), QString(), SW_SHOWNORMAL);
}

// The folder that drops fill: on a case-sensitive file system "Tarvik" would be another one.
void TForm1::MesDocumentsTarvik1Click() { Explore(GetTarvikDocumentsDir(), false); }

void TForm1::DorvexFiles1Click() { Explore(withSlash(GetProgramFilesDir()) + QStringLiteral("Dorvex"), false); }

void TForm1::ServeurDorvex1Click() { Explore(ServeurDorvexDir, false); }

void TForm1::Bureau1Click() { Explore(GetDesktopDir(), false); }

void TForm1::ProgramFiles1Click() { Explore(GetProgramFilesDir(), false); }

void TForm1::Mesdocuments1Click() { Explore(GetMyDocumentsDir(), false); }

void TForm1::DossierUtilitairesdeWindows1Click() { Explore(GetSystemDir(), false); }

void TForm1::Application1Click() { Explore(App_Path(), true); }

void TForm1::Explorer1Click()
{
    // No entry under the pointed row: there is nothing to show, and nothing to say.
    if (!hasPointedEntry())
        return;
    Explore(pointedEntry(), true);
}

void TForm1::mnuAIDE_ligneClick() { ShellURL(MakerUpdatePage); }

void TForm1::mnuAide_AddProgClick() { Info(AideAjouterProgramme); }

void TForm1::mnu_Aide_RunClick() { Info(AideLancerProgramme); }

void TForm1::mnuAide_AddMenuClick() { Info(AideAjouterSousMenu); }

void TForm1::mnuAide_POSClick() { Info(AideEmplacementMenus); }

void TForm1::Aproposedelasuppressiondesentres1Click() { Info(AideSuppressionSousMenu); }

void TForm1::Enligne20191Click() { ShellURL(MakerOnlinePage); }

} // namespace tarvik
