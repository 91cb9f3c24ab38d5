// Saving the menu: settings, entry list with check states and launch-option
// keys, and the button bar.
#include "ui/Unit1.h"

#include "lib/Orvo_ini.h"

namespace tarvik {

QString TForm1::Get_CommandsINI() const { return App_Path() + FileStem() + QStringLiteral(".items.commands.ini"); }
void TForm1::INI_SAVE() {}
void TForm1::SAUVE_LISTE() {}
void TForm1::SAUVE_BOUTONS() {}

} // namespace tarvik
