#include "lib/Orvo_Dialogs.h"

namespace tarvik {

void Info(const QString &msg, MsgDlgType)
{
    dialogs().messageDlg(msg, MsgDlgType::mtInformation, mbOK);
}

bool Dye(const QString &msg, MsgDlgType mType)
{
    dialogs().messageDlg(msg, mType, mbOK);
    return true;
}

bool Confirm(const QString &msg, MsgDlgType IconType)
{
    return dialogs().messageDlg(msg, IconType, mbOK | mbCancel, mbOK) == mrOk;
}

void InfoBOX(const QString &titre, const QString &texte)
{
    dialogs().messageBox(titre, texte, MB_OK | MB_ICONINFORMATION);
}

bool ConfirmBOX(const QString &titre, const QString &texte)
{
    return dialogs().messageBox(titre, texte, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void AlertBox(const QString &titre, const QString &texte)
{
    // The information icon, not a warning one: callers rely on this look.
    dialogs().messageBox(titre, texte, MB_OK | MB_ICONINFORMATION);
}

} // namespace tarvik
