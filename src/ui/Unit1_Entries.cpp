// The entry list: the grid, the check boxes and the list commands.
#include "ui/Unit1.h"

namespace tarvik {

void TForm1::RempliMENU() { ValueListEditor1->gridModel()->reset(); }
bool TForm1::TesteSiFichierExiste(const QString &, int) { return true; }
void TForm1::ValueListEditor1Click() {}
void TForm1::JvCheckListBox1ClickCheck(int) {}
void TForm1::Supprimer1Click() {}
void TForm1::Couper1Click() {}
void TForm1::Coller1Click() {}
void TForm1::Purgerlaliste1Click() {}
void TForm1::trIER1Click() {}
void TForm1::rierpartype1Click() {}

int TForm1::addEntry(const QString &entry)
{
    const int at = ListBox1.Add(entry);
    JvCheckListBox1->Insert(at, QStringLiteral("0"));
    return at;
}

void TForm1::removeEntry(int index)
{
    ListBox1.Delete(index);
    JvCheckListBox1->Delete(index);
}

int TForm1::pointedRow() const { return ValueListEditor1->Row(); }
bool TForm1::hasPointedEntry() const { return pointedRow() >= 0 && pointedRow() < ListBox1.Count(); }
QString TForm1::pointedEntry() const { return hasPointedEntry() ? ListBox1.Items[pointedRow()] : QString(); }
void TForm1::updateRunAllVisibility() {}

} // namespace tarvik
