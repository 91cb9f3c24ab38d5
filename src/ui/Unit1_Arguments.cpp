// The caller's argument, the field selection and the launch option editors.
#include "ui/Unit1.h"

#include "lib/ArgDorvex.h"
#include "lib/Cryptage.h"
#include "lib/LaunchOptions.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_ini.h"
#include "platform/Dialogs.h"
#include "ui/PASSWORD.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

namespace tarvik {

namespace {

// The editors act on the pointed entry; with an empty list there is none and
// nothing may be written under an empty section name.
bool warnWithoutEntry(const TForm1 &form)
{
    if (form.hasPointedEntry())
        return false;
    return Dye(QStringLiteral("Aucun programme n'est pointé dans la liste : rien à paramétrer !"),
               MsgDlgType::mtWarning);
}

} // namespace

void TForm1::Clipbrd_PASTEExecute()
{
    QGuiApplication::clipboard()->setText(_ARG_DVX);
    InfoBOX(QStringLiteral("DANS LE PRESSE PAPIER ! (CTRL+V pour le récupérer!)"), _ARG_DVX);
}

void TForm1::AjouterdesChampsDORVEX1Click()
{
    if (warnWithoutEntry(*this))
        return;
    const QString entry = pointedEntry();
    const QStringList fields = FieldList(_ARG_DVX);
    QString codes = kDefaultFieldCodes;
    if (!dialogs().inputQuery(ExtractFileName(entry), FieldSelectionPrompt(fields), codes))
        return;
    const QString question = FieldSelectionQuestion(codes, PreviewArgDorvex(codes, _ARG_DVX));
    if (dialogs().messageDlg(question, MsgDlgType::mtConfirmation, mbOK | mbCancel) != mrOk)
        return;
    SaveStr(pointedEntry(), kArgDorvex, codes, Get_CommandsINI());
}

void TForm1::InjecterdesChampsDorvexdanslePressepapier1Click()
{
    QGuiApplication::clipboard()->setText(ParamStr.value(1));
}

void TForm1::mnu_Arg_CMDClick()
{
    if (warnWithoutEntry(*this))
        return;
    const QString entry = pointedEntry();
    QString value = GetStr(entry, kArguments, QString(), Get_CommandsINI());
    if (!dialogs().inputQuery(QStringLiteral("ENTREZ LES ARGUMENTS"), ExtractFileName(entry), value))
        return;
    SaveStr(pointedEntry(), kArguments, value, Get_CommandsINI());
}

void TForm1::mnu_Arg_TouchesClick()
{
    if (warnWithoutEntry(*this))
        return;
    const QString entry = pointedEntry();
    QString value = GetStr(entry, kSendKeys, QString(), Get_CommandsINI());
    if (!dialogs().inputQuery(ExtractFileName(entry),
                              QStringLiteral("~ = ENTREE\r\n% = ALT\r\n^ = CTRL\r\n+ = MAJ\r\n{Touche Spéciale}\r\n\r\n"
                                             "ENTREZ LA SEQUENCE DE TOUCHES :"),
                              value))
        return;
    SaveStr(pointedEntry(), kSendKeys, value, Get_CommandsINI());
}

void TForm1::mnu_Arg_PassWordClick()
{
    if (warnWithoutEntry(*this))
        return;
    if (!PasswordDlg)
        PasswordDlg = new TPasswordDlg(this);
    TPasswordDlg &dlg = *PasswordDlg;
    // Every use starts empty and masked: the last password typed must not be
    // readable by whoever opens the dialog next.
    dlg.Reset();
    const int result = dialogs().execDialog(dlg);
    const QString t = dlg.Password->text();
    dlg.Reset();
    // Only OK stores: closing the window by its box is a cancel, and must not
    // wipe the entry's keystroke sequence.
    if (result != mrOk || t.isEmpty())
        return;
    const QString problem = PasswordStorageProblem(t, _CLEF_CRYPTAGE);
    if (!problem.isEmpty()) {
        Dye(problem, MsgDlgType::mtWarning);
        return;
    }
    const QString entry = pointedEntry();
    const QString commands = Get_CommandsINI();
    SaveStr(entry, kPassword, AnsiCrypt(t, _CLEF_CRYPTAGE), commands);
    SaveStr(entry, kSendKeys, QString(), commands);
}

} // namespace tarvik
