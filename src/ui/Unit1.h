#pragma once
// The menu window: one running menu, its lists, its button bar, its popups
// and every command. Handlers live in Unit1_*.cpp, one file per concern.

#include "platform/LineFile.h"
#include "platform/Platform.h"
#include "ui/EntryList.h"
#include "ui/ElidedToolButton.h"
#include "ui/EntryViews.h"

#include <QRect>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QActionGroup;
class QBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace tarvik {

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // arguments: the command line, the program first (QCoreApplication::arguments()).
    explicit TForm1(const QStringList &arguments, QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- process-wide values fixed at start-up -------------------------
    QString _CLEF_CRYPTAGE;
    QString _ARG_DVX;
    QString _INI_FILE;
    QString _Instances_INI;
    QStringList ParamStr; // ParamStr[0] the program, [1] the menu name, [2] the caller's fields

    // ---- in-memory state -------------------------------------------------
    EntryList ListBox1;            // the entries
    LineList ListBox_BOUTONS;      // lines of the buttons file while read or written
    LineList ListBox_INSTANCES;    // lines of the instance file while read or written

    // ---- components -------------------------------------------------------
    QWidget *Panel_boutons = nullptr;
    QWidget *Panel_liste = nullptr;
    TJvCheckListBox *JvCheckListBox1 = nullptr;
    TValueListEditor *ValueListEditor1 = nullptr;
    QLabel *StatusBar1 = nullptr;
    ElidedToolButton *BTN_RunAll = nullptr; // not a push button: never counted among the bar's
    QPushButton *btn_1 = nullptr;

    // Actions of ActionList1 (object names are the action names).
    QAction *act_RempliMENU = nullptr;
    QAction *act_SAUVE_BOUTONS = nullptr;
    QAction *act_SAUVE_LISTE = nullptr;
    QAction *FichierFileExit1 = nullptr;
    QAction *act_INI_SAVE = nullptr;
    QAction *Clipbrd_PASTE = nullptr;
    QAction *FORM_AutoSize = nullptr;
    QAction *RunOne = nullptr;
    QAction *RunAll = nullptr;

    // Popup_Tarvik items.
    QAction *Supprimer1 = nullptr;
    QAction *Purgerlaliste1 = nullptr;
    QAction *Couper1 = nullptr;
    QAction *Coller1 = nullptr;
    QAction *trIER1 = nullptr;
    QAction *rierpartype1 = nullptr;
    QAction *mnu_Arg_CMD = nullptr;
    QAction *mnu_Arg_Touches = nullptr;
    QAction *mnu_Arg_PassWord = nullptr;
    QAction *AjouterdesChampsDORVEX1 = nullptr;
    QAction *mnu_DOSSIERS = nullptr;
    QAction *OuvrirunMenu1 = nullptr;
    QAction *AjouterunSousMenu2 = nullptr;
    QAction *Quitter1 = nullptr;
    QAction *mnu_AIDE = nullptr;

    // The ten option items, in the order of the settings file.
    QAction *chk_AffCONF = nullptr;
    QAction *chk_MINIMIZE = nullptr;
    QAction *chk_RunAndClose = nullptr;
    QAction *chk_CloseWithEsc = nullptr;
    QAction *chk_MoveVersDoc = nullptr;
    QAction *chk_StayOnTop = nullptr;
    QAction *chk_AffListe = nullptr;
    QAction *chk_AffBoutons = nullptr;
    QAction *chk_BTN_AlignTop = nullptr;
    QAction *chk_AffStatus = nullptr;
    QActionGroup *radioLaunchEnd = nullptr; // chk_MINIMIZE / chk_RunAndClose

    // Popup_btn1 items.
    QAction *mnu_BtnAdd = nullptr;
    QAction *MENU_PREV_ADD = nullptr;
    QAction *Supprimercebouton1 = nullptr;
    QAction *BoutonFermer1 = nullptr;
    QAction *Menuprincipal1 = nullptr;

    // Popup_AIDE items.
    QAction *MENUAIDE1 = nullptr;
    QAction *mnuAide_ligne = nullptr;
    QAction *mnuAide_AddProg = nullptr;
    QAction *mnu_Aide_Run = nullptr;
    QAction *mnuAide_AddMenu = nullptr;
    QAction *mnuAide_POS = nullptr;
    QAction *Aproposedelasuppressiondesentres1 = nullptr;
    QAction *PanicBouton1 = nullptr;
    QAction *InjecterdesChampsDorvexdanslePressepapier1 = nullptr;
    QAction *Enligne20191 = nullptr;

    // Popup_DOSSIERS items.
    QAction *MenuItem27 = nullptr; // Documents du Tarvik
    QAction *MenuItem21 = nullptr; // Client Dorvex
    QAction *MenuItem22 = nullptr; // Serveur Dorvex
    QAction *MenuItem24 = nullptr; // Bureau
    QAction *MenuItem25 = nullptr; // Program Files
    QAction *MenuItem26 = nullptr; // Mes documents
    QAction *MenuItem28 = nullptr; // System
    QAction *MenuItem30 = nullptr; // Chemin de l'application Tarvik
    QAction *MenuItem19 = nullptr; // Chemin du programme appelé

    QMenu *Popup_Tarvik = nullptr;
    QMenu *Popup_btn1 = nullptr;
    QMenu *Popup_AIDE = nullptr;
    QMenu *Popup_DOSSIERS = nullptr;
    QMenu *PopupCHeck = nullptr;

    // ---- start-up (Unit1.cpp) ---------------------------------------------
    void FormCreate();
    void FormActivate();
    void Create_BOUTONS();
    QString MenuName() const { return windowTitle(); }
    // The menu name with every blank replaced by "_": stem of the entry,
    // check and commands files.
    QString FileStem() const;
    QString EntryFileName() const;
    QString CheckFileName() const;
    QString ButtonsFileName() const;
    // Files whose load failed at start-up are never written back by this run.
    bool listLoadFailed() const { return m_listLoadFailed; }
    bool buttonsLoadFailed() const { return m_buttonsLoadFailed; }
    bool settingsLoadFailed() const { return m_settingsLoadFailed; }
    // The X window id of this menu's window.
    WindowHandle ownHandle();

    // ---- instance registry and shutdown (Unit1_Instances.cpp) --------------
    void Instances_Register();
    // Returns false when the close must not happen (a save failed).
    bool FormClose();
    void PanicBouton1Click();
    // Ends the process at once for the panic exit (std::_Exit); tests replace it.
    static void (*PanicExit)(int code);

    // ---- window, menus and options (Unit1_Window.cpp, Unit1_Menus.cpp) ----
    void FormShow();
    void FORM_AutoSizeExecute();
    void FormResize();
    void FormKeyUp(QKeyEvent *event);
    void popupAtCentre(QMenu *menu);
    QPoint centrePoint() const;
    void chk_StayOnTopClick();
    void chk_AffListeClick();
    void chk_AffBoutonsClick();
    void chk_BTN_AlignTopClick();
    void chk_AffStatusClick();
    void chk_MINIMIZEClick();
    void chk_RunAndCloseClick();
    void mnu_DOSSIERSClick();
    void AjouterunSousMenu2Click();
    void mnu_AIDEClick();
    void Menuprincipal1Click();

    // ---- saving (Unit1_Save.cpp) ---------------------------------------
    QString Get_CommandsINI() const;
    // A file found cut short by a NUL is kept as it is: the user is told
    // once in the run, when it is first read, and saves skip it silently.
    void announceKeptFile(const QString &path);
    // Runs a start-up step guarded; a KeptFileError it raises is announced
    // as such. Returns false when the step did not complete.
    bool runLoadStep(const std::function<void()> &step);
    void INI_SAVE();
    void SAUVE_LISTE();
    void SAUVE_BOUTONS();

    // ---- entry list (Unit1_Entries.cpp) --------------------------------
    void RempliMENU();
    bool TesteSiFichierExiste(const QString &path, int position);
    void ValueListEditor1Click();
    void JvCheckListBox1ClickCheck(int row);
    void Supprimer1Click();
    void Couper1Click();
    void Coller1Click();
    void Purgerlaliste1Click();
    void trIER1Click();
    void rierpartype1Click();
    // The three lists kept in step: entry i, check line i, grid row i.
    int addEntry(const QString &entry);        // at the end or its sorted place, with a "0" line
    void removeEntry(int index);               // the entry and its check line
    int pointedRow() const;
    // The pointed entry, empty when the pointed row has none.
    QString pointedEntry() const;
    bool hasPointedEntry() const;
    void updateRunAllVisibility();

    // ---- adding by drop (Unit1_Drop.cpp) --------------------------------
    void JvDragDrop1Drop(const QStringList &Value);

    // ---- launching (Unit1_Launch.cpp) ----------------------------------
    void RunOneExecute();
    void RunAllExecute();
    void LanceProgramsChecked();
    void Execute(const QString &path);

    // ---- caller argument, editors, password (Unit1_Arguments.cpp) -------
    void Clipbrd_PASTEExecute();
    void AjouterdesChampsDORVEX1Click();
    void InjecterdesChampsDorvexdanslePressepapier1Click();
    void mnu_Arg_CMDClick();
    void mnu_Arg_TouchesClick();
    void mnu_Arg_PassWordClick();

    // ---- button bar and sub-menus (Unit1_Buttons.cpp) ------------------
    int Compte_BOUTONS() const;
    QPushButton *Button_Create(const QString &Button_CAPTION);
    void BTN_ACTION(QPushButton *Sender);
    void applyButtonWidths();
    QList<QPushButton *> barButtons() const;
    void mnu_BtnAddClick();
    void MENU_BTN_ADDClick();
    void Renomme(const QString &AncienNOM, const QString &NouveauNOM, const QString &FICHIER);
    void Supprimercebouton1Click();
    void BoutonFermer1Click();
    void OuvrirunMenu1Click();

    // ---- folders and help (Unit1_Folders.cpp) --------------------------
    void Explore(const QString &path, bool ExtractPath);
    void MesDocumentsTarvik1Click();
    void DorvexFiles1Click();
    void ServeurDorvex1Click();
    void Bureau1Click();
    void ProgramFiles1Click();
    void Mesdocuments1Click();
    void DossierUtilitairesdeWindows1Click();
    void Application1Click();
    void Explorer1Click();
    void mnuAIDE_ligneClick();
    void mnuAide_AddProgClick();
    void mnu_Aide_RunClick();
    void mnuAide_AddMenuClick();
    void mnuAide_POSClick();
    void Aproposedelasuppressiondesentres1Click();
    void Enligne20191Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();  // Unit1_Actions.cpp
    void createLayout();   // Unit1_Window.cpp
    void createMenus();    // Unit1_Menus.cpp
    void connectHandlers(); // Unit1_Actions.cpp

    QVBoxLayout *m_rootLayout = nullptr;
    QBoxLayout *m_barLayout = nullptr;
    bool m_listLoadFailed = false;
    bool m_buttonsLoadFailed = false;
    bool m_settingsLoadFailed = false;
    QSet<QString> m_keptFiles; // files announced as kept as they are
    // The outer rectangle given at start-up, given again when the frame the
    // window manager really puts around the window differs from the one it
    // was placed by (Unit1_Window.cpp).
    QRect m_restoredOuter;
    bool m_frameFixPending = false;
    // A walk over the checked entries defers the menu's closing to its end,
    // so that every checked entry is launched and the closing (saving,
    // closing the other menus) runs once (Unit1_Launch.cpp).
    int m_walkDepth = 0;
    bool m_closeDueAfterWalk = false;
    bool m_frameWatched = false;
    QMargins m_placedFrame;
};

// The running menu window, as the program entry created it.
extern TForm1 *Form1;

} // namespace tarvik
