#pragma once
// Messages and questions, in two families: the toolkit's message dialog
// (typed, with the type's icon) and the system message box (caption + text).

#include "platform/Dialogs.h"

#include <QString>

namespace tarvik {

// Information dialog with OK, whatever the type given.
void Info(const QString &msg, MsgDlgType IconType = MsgDlgType::mtInformation);
// A message dialog of the type, OK; always true, so callers can show and stop in one test.
bool Dye(const QString &msg, MsgDlgType mType);
// OK / Cancel, OK the default; true for OK.
bool Confirm(const QString &msg, MsgDlgType IconType);
void InfoBOX(const QString &titre, const QString &texte);
bool ConfirmBOX(const QString &titre, const QString &texte);
void AlertBox(const QString &titre, const QString &texte);

} // namespace tarvik
