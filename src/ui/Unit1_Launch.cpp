// Launching the pointed entry or every checked one.
#include "ui/Unit1.h"

namespace tarvik {

void TForm1::RunOneExecute() {}
void TForm1::RunAllExecute() {}
void TForm1::LanceProgramsChecked() {}
void TForm1::Execute(const QString &) {}

} // namespace tarvik
