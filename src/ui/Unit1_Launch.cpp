// Launching the pointed entry or every checked one.
//
// One launch reads the entry's options from the commands file, resolves the
// command line, asks when confirmations are on, starts the target, and types
// the keystrokes or the password followed by Enter into the started program.
#include "ui/Unit1.h"

#include "lib/ArgDorvex.h"
#include "lib/Cryptage.h"
#include "lib/KeyTarget.h"
#include "lib/LaunchOptions.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_LISTES.h"
#include "lib/Orvo_ini.h"
#include "lib/sndkey32.h"
#include "platform/IniFile.h"
#include "platform/Keyboard.h"

#include <QAction>
#include <QCoreApplication>

#include <optional>

namespace tarvik {

namespace {

// Typing begins once the started program has had this long to show itself;
// if the keyboard is still on one of our windows (or on none), we wait in
// small steps up to kFocusPatienceMs more before giving up.
constexpr int kBeforeKeysMs = 1000;
constexpr int kBeforeEnterMs = 500;
constexpr int kFocusStepMs = 250;
constexpr int kFocusPatienceMs = 5000;
// After one of the player's boxes, the target gets the keyboard back within
// this time and keeps it for a few looks.
constexpr int kRegainStepMs = 50;
constexpr int kRegainPatienceMs = 3000;
constexpr int kRegainAskAgainMs = 500;
constexpr int kRegainSteadyLooks = 2;

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
    case SE_ERR_OOM: return QStringLiteral("mémoire insuffisante");
    case SE_ERR_BADFORMAT: return QStringLiteral("ce n'est pas un programme que ce système sait exécuter");
    case SE_ERR_NOASSOC: return QStringLiteral("aucune application associée à ce type de fichier");
    default: return QStringLiteral("cause inconnue");
    }
}

// Waits for the window the keys are for: the started program's window
// showing, or the window a program it handed over to activates. 0 when none
// came within the patience.
WindowHandle waitForTarget(KeyTargetWatch &watch)
{
    for (int waited = 0;; waited += kFocusStepMs) {
        const WindowHandle target = watch.look();
        if (target != 0) {
            // The X focus follows the window manager's activation closely:
            // a target is taken once it also holds the keyboard.
            keyboard().setTargetWindow(target);
            if (keyboard().targetHasKeyboard())
                return target;
            keyboard().setTargetWindow(0);
        }
        if (waited >= kFocusPatienceMs)
            return 0;
        platform().sleep(kFocusStepMs);
    }
}

// Keys typed while the target is set go to it only; leaving clears it.
class TargetScope {
public:
    explicit TargetScope(WindowHandle target) { keyboard().setTargetWindow(target); }
    ~TargetScope() { keyboard().setTargetWindow(0); }
    TargetScope(const TargetScope &) = delete;
    TargetScope &operator=(const TargetScope &) = delete;
};

// After one of the player's boxes: the keyboard goes back to the target and
// stays there for a moment (our own window may still be activated after its
// dialog went). False when the target is gone or never took it back.
bool giveKeyboardBack(WindowHandle target)
{
    int steady = 0;
    for (int waited = 0; waited <= kRegainPatienceMs; waited += kRegainStepMs) {
        keyboard().processOwnKeyboardMessages();
        if (!platform().topLevelWindows().contains(target))
            return false;
        if (keyboard().targetHasKeyboard()) {
            if (++steady >= kRegainSteadyLooks)
                return true;
        } else {
            steady = 0;
            if (waited % kRegainAskAgainMs == 0)
                platform().bringToFront(target);
        }
        platform().sleep(kRegainStepMs);
    }
    return false;
}

QString nothingTypedText(const QString &name, bool hiddenFromX)
{
    if (hiddenFromX)
        return QStringLiteral("Rien n'a été tapé pour « %1 » : la fenêtre active ne peut pas recevoir de touches du "
                              "menu (ce n'est pas une fenêtre X11).\r\n\r\n"
                              "Sous Wayland, le menu ne tape que dans les fenêtres des programmes qui passent par "
                              "XWayland.")
            .arg(name);
    return QStringLiteral("Rien n'a été tapé pour « %1 » : sa fenêtre n'a pas pris le clavier à temps.\r\n\r\n"
                          "Les touches et les mots de passe ne sont tapés que dans une fenêtre du programme lancé.")
        .arg(name);
}

QString stoppedText(const QString &name, const QString &why)
{
    return QStringLiteral("La frappe pour « %1 » a été arrêtée : %2.\r\n\r\n"
                          "Le reste des touches et la touche Entrée n'ont été tapés nulle part ; "
                          "le début a pu l'être dans sa fenêtre.")
        .arg(name, why);
}

// Types the keys and then Enter into the program just started, and only
// there; tells the user when nothing could be typed or typing stopped.
void typeIntoStartedProgram(KeyTargetWatch &watch, const QString &name, const QString &keys)
{
    watch.setStarted(platform().lastStartedProcess());
    platform().sleep(kBeforeKeysMs);
    const WindowHandle target = waitForTarget(watch);
    if (target == 0) {
        Dye(nothingTypedText(name, watch.activeHiddenFromX()), MsgDlgType::mtWarning);
        return;
    }
    const TargetScope scope(target);
    bool lostAfterBox = false;
    const auto regain = [&] {
        if (giveKeyboardBack(target))
            return true;
        lostAfterBox = true;
        return false;
    };
    SendKeysEnd end = SendKeysToTarget(keys, true, regain);
    if (end != SendKeysEnd::TargetLost) {
        platform().sleep(kBeforeEnterMs);
        end = SendKeysToTarget(QStringLiteral("~"), true, regain);
    }
    if (end != SendKeysEnd::TargetLost)
        return;
    QString why;
    if (!platform().topLevelWindows().contains(target))
        why = QStringLiteral("sa fenêtre s'est fermée");
    else if (platform().activeWindow() == 0 && platform().isWaylandSession())
        why = QStringLiteral("la fenêtre active ne peut pas recevoir de touches du menu (ce n'est pas une fenêtre X11)");
    else if (lostAfterBox)
        why = QStringLiteral("sa fenêtre n'a pas repris le clavier après le message");
    else
        why = QStringLiteral("le clavier est passé à une autre fenêtre");
    Dye(stoppedText(name, why), MsgDlgType::mtWarning);
}

// Depth of the walks over the checked entries of one menu, for the close
// that a launch asks for while a walk runs.
class WalkScope {
public:
    WalkScope(int &depth, bool &closeDue) : m_depth(depth), m_closeDue(closeDue)
    {
        if (m_depth++ == 0)
            m_closeDue = false;
    }
    ~WalkScope()
    {
        if (--m_depth == 0)
            m_closeDue = false;
    }
    // True when this is the outermost walk and a launch asked for the close.
    bool closeDueAtEnd() const { return m_depth == 1 && m_closeDue; }

private:
    int &m_depth;
    bool &m_closeDue;
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
    WalkScope walk(m_walkDepth, m_closeDueAfterWalk);
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
    // One reading of the commands file for the four keys.
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
    if (args == QLatin1String("%1"))
        args = _ARG_DVX;

    const QString keysToPlay = pw.isEmpty() ? keyb : pw;

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

    // A failed start is told, and nothing is typed: the keys, and above
    // all a password, would go to whatever window has the focus. What the
    // desktop shows before the start tells the started program's windows
    // from the others.
    std::optional<KeyTargetWatch> watch;
    if (!keysToPlay.isEmpty())
        watch.emplace();
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

    if (watch)
        typeIntoStartedProgram(*watch, ExtractFileName(path), keysToPlay);

    if (chk_MINIMIZE->isChecked()) {
        showMinimized();
    } else if (chk_RunAndClose->isChecked()) {
        if (m_walkDepth > 0)
            m_closeDueAfterWalk = true;
        else
            close();
    }
}

} // namespace tarvik
