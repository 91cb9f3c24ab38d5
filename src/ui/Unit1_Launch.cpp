// Launching the pointed entry or every checked one.
//
// One launch reads the entry's options from the commands file, resolves the
// command line, asks when confirmations are on, starts the target, and types
// the keystrokes or the password followed by Enter into the started program.
#include "ui/Unit1.h"

#include "lib/ArgDorvex.h"
#include "lib/Cryptage.h"
#include "lib/LaunchOptions.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_LISTES.h"
#include "lib/Orvo_ini.h"
#include "lib/sndkey32.h"
#include "platform/IniFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QHash>

namespace tarvik {

namespace {

// Typing begins once the started program has had this long to show itself;
// if the keyboard is still on one of our windows (or on none), we wait in
// small steps up to kFocusPatienceMs more before giving up.
constexpr int kBeforeKeysMs = 1000;
constexpr int kBeforeEnterMs = 500;
constexpr int kFocusStepMs = 250;
constexpr int kFocusPatienceMs = 5000;

QString confirmationText(const QString &path, const QString &args, const QString &keysShown)
{
    const QString stars(70, u'*');
    return QStringList{QStringLiteral("Lancer le programme : "),
                       QString(),
                       stars,
                       upperAscii(ExtractFileName(path)),
                       stars,
                       QString(),
                       QStringLiteral("- Arguments : "),
                       QString(),
                       u'(' + args + u')',
                       QString(),
                       QStringLiteral("- Touches   : "),
                       QString(),
                       u'(' + keysShown + u')',
                       QString(),
                       QString(70, u'-'),
                       QStringLiteral("[IGNORER] = ne plus afficher ce message de confirmation")}
        .join(QStringLiteral("\r\n"));
}

QString startFailureReason(int code)
{
    switch (code) {
    case 0: return QStringLiteral("le système n'a pas pu démarrer le programme");
    case SE_ERR_FNF: return QStringLiteral("fichier introuvable");
    case SE_ERR_PNF: return QStringLiteral("chemin introuvable");
    case SE_ERR_ACCESSDENIED: return QStringLiteral("accès refusé, le fichier n'est pas exécutable");
    case 8: return QStringLiteral("mémoire insuffisante");
    case 11: return QStringLiteral("ce n'est pas un programme que ce système sait exécuter");
    case SE_ERR_NOASSOC: return QStringLiteral("aucune application associée à ce type de fichier");
    default: return QStringLiteral("cause inconnue");
    }
}

// The keyboard goes where the focus is. Keys meant for the started program
// must never land in a menu (ours or another copy's): a password typed there
// would end up in a list, an input box or a shortcut. True once the focus is
// on a window that is not this program's.
bool focusLeftThisProgram()
{
    for (int waited = 0;; waited += kFocusStepMs) {
        const WindowHandle active = platform().activeWindow();
        if (active != 0 && !platform().isWindowOfThisProgram(active))
            return true;
        if (waited >= kFocusPatienceMs)
            return false;
        platform().sleep(kFocusStepMs);
    }
}

// A walk defers the menu's closing to its end, so that every checked entry
// is launched and the closing (saving, closing the other menus) runs once.
struct WalkState {
    int depth = 0;
    bool closeDue = false;
};

QHash<const TForm1 *, WalkState> &walks()
{
    static QHash<const TForm1 *, WalkState> states;
    return states;
}

class WalkScope {
public:
    explicit WalkScope(const TForm1 *form) : m_form(form) { ++walks()[m_form].depth; }
    ~WalkScope()
    {
        auto it = walks().find(m_form);
        if (it != walks().end() && --it->depth <= 0)
            walks().erase(it);
    }
    // True when this was the outermost walk and a launch asked for the close.
    bool closeDueAtEnd() const
    {
        const auto it = walks().constFind(m_form);
        return it != walks().cend() && it->depth == 1 && it->closeDue;
    }

private:
    const TForm1 *m_form;
};

} // namespace

void TForm1::RunOneExecute()
{
    const int row = pointedRow();
    if (row > ListBox1.Count())
        return;
    if (ListBox1.Count() == 0) {
        Dye(QStringLiteral("Rien à lancer !"), MsgDlgType::mtWarning);
        return;
    }
    if (row < 0 || row >= ListBox1.Count())
        return;
    const QString entry = ListBox1.Items[row];
    if (TesteSiFichierExiste(entry, row))
        Execute(entry);
}

void TForm1::RunAllExecute()
{
    if (pointedRow() > ListBox1.Count())
        return;
    if (ListBox1.Count() == 0) {
        Dye(QStringLiteral("Rien à lancer !"), MsgDlgType::mtWarning);
        return;
    }
    const int N = CountJvChecked(*JvCheckListBox1);
    if (N == 0) {
        RunOneExecute();
        return;
    }
    if (N == 1 || Confirm(QStringLiteral("Vous êtes sur le point de lancer %1 programmes !").arg(N),
                          MsgDlgType::mtConfirmation))
        LanceProgramsChecked();
}

void TForm1::LanceProgramsChecked()
{
    WalkScope walk(this);
    int count = JvCheckListBox1->Count();
    int i = 0;
    while (i < count) {
        // The lists may have shrunk under the walk (a removed entry, or a
        // command given between two launches).
        if (i >= JvCheckListBox1->Count())
            break;
        if (!JvCheckListBox1->Checked(i) || i >= ListBox1.Count()) {
            ++i;
            continue;
        }
        const QString entry = ListBox1.Items[i];
        const int linesBefore = JvCheckListBox1->Count();
        if (TesteSiFichierExiste(entry, i)) {
            Execute(entry);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            ++i;
            continue;
        }
        // The missing entry was removed with its check line: the next entry
        // now stands at this index and must not be skipped.
        const int removed = linesBefore - JvCheckListBox1->Count();
        if (removed > 0)
            count -= removed;
        else
            ++i;
    }
    if (walk.closeDueAtEnd())
        close();
}

void TForm1::Execute(const QString &path)
{
    // 1. to 4. One reading of the commands file for the four keys.
    const IniFile commands(Get_CommandsINI());
    if (commands.cutAtNul())
        announceKeptFile(commands.path());
    const QString keyb = commands.readString(path, kSendKeys, QString());
    QString pw;
    if (keyb.isEmpty())
        pw = AnsiCrypt(commands.readString(path, kPassword, QString()), _CLEF_CRYPTAGE);
    QString args = commands.readString(path, kArgDorvex, QString());
    if (!args.isEmpty())
        args = Convert_ARG_DORVEX(args, _ARG_DVX);
    else
        args = commands.readString(path, kArguments, QString());
    // 5.
    if (args == QLatin1String("%1"))
        args = _ARG_DVX;

    const QString keysToPlay = pw.isEmpty() ? keyb : pw;

    // 6.
    if (chk_AffCONF->isChecked()) {
        const QString keysShown = pw.isEmpty() ? keyb : QStringLiteral("######");
        const int answer = dialogs().messageDlg(confirmationText(path, args, keysShown), MsgDlgType::mtConfirmation,
                                                mbOK | mbCancel | mbIgnore);
        if (answer == mrIgnore) {
            chk_AffCONF->setChecked(false);
            dialogs().messageBox(applicationTitle(),
                                 QStringLiteral("Confirmations annulées\r\n\r\n"
                                                "Pour les réactiver : cocher la case \"confirmation\" dans le menu"),
                                 MB_OK);
        } else if (answer != mrOk) {
            return;
        }
    }

    // 7. A failed start is told, and nothing is typed: the keys, and above
    // all a password, would go to whatever window has the focus.
    QString quoted = path;
    quoted.replace(u'"', QStringLiteral("\"\""));
    const int result = platform().shellExecute(ownHandle(), QStringLiteral("RUNAS"), u'"' + quoted + u'"', args,
                                               QString(), SW_SHOWNORMAL);
    if (result <= 32) {
        Dye(QStringLiteral("Impossible de lancer « %1 »\r\n\r\n(erreur %2 : %3)")
                .arg(path)
                .arg(result)
                .arg(startFailureReason(result)),
            MsgDlgType::mtError);
        return;
    }

    // 8.
    if (!keysToPlay.isEmpty()) {
        platform().sleep(kBeforeKeysMs);
        if (!focusLeftThisProgram()) {
            Dye(QStringLiteral("Rien n'a été tapé pour « %1 » : sa fenêtre n'a pas pris le clavier à temps.\r\n\r\n"
                               "Les touches et les mots de passe ne sont jamais tapés dans une fenêtre du menu.")
                    .arg(ExtractFileName(path)),
                MsgDlgType::mtWarning);
        } else {
            SendKeys(keysToPlay, true);
            platform().sleep(kBeforeEnterMs);
            if (focusLeftThisProgram())
                SendKeys(QStringLiteral("~"), true);
            else
                Dye(QStringLiteral("La touche Entrée n'a pas été tapée pour « %1 » : le clavier est revenu sur le menu.")
                        .arg(ExtractFileName(path)),
                    MsgDlgType::mtWarning);
        }
    }

    // 9.
    if (chk_MINIMIZE->isChecked()) {
        showMinimized();
    } else if (chk_RunAndClose->isChecked()) {
        auto walk = walks().find(this);
        if (walk != walks().end())
            walk->closeDue = true;
        else
            close();
    }
}

} // namespace tarvik
