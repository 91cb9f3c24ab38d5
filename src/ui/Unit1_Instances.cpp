// Registration among the running menus, closing the family, the panic exit.
#include "ui/Unit1.h"

namespace tarvik {

void TForm1::Instances_Register() {}
bool TForm1::FormClose()
{
    INI_SAVE();
    return true;
}
void TForm1::PanicBouton1Click() {}

} // namespace tarvik
