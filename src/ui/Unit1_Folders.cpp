// Folder shortcuts and the help menu.
#include "ui/Unit1.h"

namespace tarvik {

void TForm1::Explore(const QString &, bool) {}
void TForm1::MesDocumentsTarvik1Click() {}
void TForm1::DorvexFiles1Click() {}
void TForm1::ServeurDorvex1Click() {}
void TForm1::Bureau1Click() {}
void TForm1::ProgramFiles1Click() {}
void TForm1::Mesdocuments1Click() {}
void TForm1::DossierUtilitairesdeWindows1Click() {}
void TForm1::Application1Click() {}
void TForm1::Explorer1Click() {}
void TForm1::mnuAIDE_ligneClick() {}
void TForm1::mnuAide_AddProgClick() {}
void TForm1::mnu_Aide_RunClick() {}
void TForm1::mnuAide_AddMenuClick() {}
void TForm1::mnuAide_POSClick() {}
void TForm1::Aproposedelasuppressiondesentres1Click() {}
void TForm1::Enligne20191Click() {}

} // namespace tarvik
