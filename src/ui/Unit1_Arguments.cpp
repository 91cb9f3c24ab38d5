// The caller's argument, the field selection and the launch option editors.
#include "ui/Unit1.h"

namespace tarvik {

void TForm1::Clipbrd_PASTEExecute() {}
void TForm1::AjouterdesChampsDORVEX1Click() {}
void TForm1::InjecterdesChampsDorvexdanslePressepapier1Click() {}
void TForm1::mnu_Arg_CMDClick() {}
void TForm1::mnu_Arg_TouchesClick() {}
void TForm1::mnu_Arg_PassWordClick() {}

} // namespace tarvik
