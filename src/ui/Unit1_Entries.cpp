// The entry list: the grid, the check boxes and the list commands.
//
// The three lists (entries, check lines, grid rows) move together only
// through addEntry, removeEntry and a whole reorder followed by RempliMENU.
#include "ui/Unit1.h"

#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_LISTES.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>

namespace tarvik {

namespace {

QString existenceWarning(const QString &path)
{
    const QString rule(60, QLatin1Char('-'));
    return QStringLiteral("Apparement le fichier/dossier sélectionné n'existe plus, ou a été déplacé\r\n\r\n") + path
        + QStringLiteral("\r\n\r\n") + QStringLiteral("On conseille de supprimer cette entrée, (et de la mettre à jour)")
        + QStringLiteral("\r\n\r\n") + rule + QStringLiteral("\r\n\r\n") + QStringLiteral("Supprimer ?")
        + QStringLiteral("\r\n\r\n") + rule + QStringLiteral("\r\n")
        + QStringLiteral("Cette action ne supprime que la ligne du menu qui pointe sur un mauvais fichier");
}

} // namespace

void TForm1::RempliMENU()
{
    // The grid is a view over ListBox1: a rebuild is a model reset, which
    // also points the first row.
    ValueListEditor1->gridModel()->reset();
    ValueListEditor1->setRow(0);
}

bool TForm1::TesteSiFichierExiste(const QString &path, int position)
{
    if (!path.isEmpty()) {
        const QFileInfo target(path);
        if (target.isDir())
            return true;
        if (target.exists()) // follows links
            return true;
    }
    if (dialogs().messageDlg(existenceWarning(path), MsgDlgType::mtWarning, mbOK | mbCancel) == mrOk) {
        // Only the entry the caller named, and only while it is still that entry.
        if (position >= 0 && position < ListBox1.Count() && ListBox1.Items[position] == path) {
            removeEntry(position);
            RempliMENU();
        }
    }
    return false;
}

void TForm1::ValueListEditor1Click()
{
    const int row = pointedRow();
    if (row == 0)
        return;
    const QString entry = pointedEntry();
    if (entry.isEmpty() && Dye(QStringLiteral("Pas de programme à lancer"), MsgDlgType::mtWarning))
        return;
    StatusBar1->setText(entry);
    TesteSiFichierExiste(entry, row);
}

void TForm1::JvCheckListBox1ClickCheck(int row)
{
    if (row < 0 || row >= JvCheckListBox1->Count())
        return;
    JvCheckListBox1->setText(row, JvCheckListBox1->Checked(row) ? QStringLiteral("-1") : QStringLiteral("0"));
    updateRunAllVisibility();
}

void TForm1::Supprimer1Click()
{
    const int row = pointedRow();
    const QString name = ValueListEditor1->gridModel()->name(row);
    if (name.isEmpty()) {
        sm(QStringLiteral("Rien à supprimer !"));
        return;
    }
    if (!Confirm(QStringLiteral("Supprimer l'entrée\r\n\r\n") + name, MsgDlgType::mtConfirmation))
        return;
    try {
        removeEntry(row);
        RempliMENU();
    } catch (const std::exception &e) {
        AlertBox(QStringLiteral("TForm1.Supprimer1Click"), errorMessage(e));
    }
}

void TForm1::Couper1Click()
{
    // With no entry the pointed row is the empty one: nothing to cut.
    if (!hasPointedEntry())
        return;
    const int row = pointedRow();
    QGuiApplication::clipboard()->setText(ListBox1.Items[row]);
    removeEntry(row);
    ValueListEditor1->gridModel()->removeGridRow(row);
    ValueListEditor1->setRow(qMin(row, ValueListEditor1->RowCount() - 1));
}

void TForm1::Coller1Click()
{
    const QString text = QGuiApplication::clipboard()->text();
    // One entry per line of text. A lone CR is no line break of any text in
    // use today: it belongs to a file name, and that entry is refused whole
    // rather than cut in two.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n"));
    QStringList lines = text.split(lineBreak, Qt::SkipEmptyParts);
    if (lines.isEmpty()) {
        sm(QStringLiteral("Presse papier vide\r\n\r\nRien à coller"));
        return;
    }
    QStringList refusals;
    for (const QString &line : lines) {
        if (const QString refusal = entryRefusal(line); !refusal.isEmpty())
            refusals << refusal;
        else
            addEntry(line);
    }
    RempliMENU();
    if (!refusals.isEmpty())
        throw Error(refusals.join(QStringLiteral("\r\n\r\n")));
}

void TForm1::Purgerlaliste1Click()
{
    if (!ConfirmBOX(QStringLiteral("PURGER LE MENU ?"),
                    QStringLiteral("Attention vous allez supprimer l'ensemble des entrées de ce Menu.\r\n\r\nConfirmez ?")))
        return;
    // Every entry and every check line, those past the last entry included.
    ListBox1.Clear();
    JvCheckListBox1->Clear();
    RempliMENU();
    updateRunAllVisibility();
}

void TForm1::trIER1Click()
{
    JvCheckListBox1->reorder(ListBox1.setSorted(true));
    RempliMENU();
}

void TForm1::rierpartype1Click()
{
    // The grid shows ListBox1 row for row, so sorting by type reorders the
    // entry list itself (stably: entries of one type keep their order) and
    // moves each check line with its entry; the grid is then rebuilt. The
    // list is no longer in alphabetical order, so the Sorted flag goes off:
    // later pastes and drops are appended again.
    const QVector<int> order = ValueListEditor_SortByValue(*ValueListEditor1->gridModel(), ListBox1.Count());
    ListBox1.setSorted(false);
    ListBox1.reorder(order);
    JvCheckListBox1->reorder(order);
    RempliMENU();
}

int TForm1::addEntry(const QString &entry)
{
    if (const QString refusal = entryRefusal(entry); !refusal.isEmpty())
        throw Error(refusal);
    const int at = ListBox1.Add(entry);
    JvCheckListBox1->Insert(at, QStringLiteral("0"));
    return at;
}

void TForm1::removeEntry(int index)
{
    ListBox1.Delete(index);
    JvCheckListBox1->Delete(index);
    updateRunAllVisibility();
}

int TForm1::pointedRow() const { return ValueListEditor1->Row(); }
bool TForm1::hasPointedEntry() const { return pointedRow() >= 0 && pointedRow() < ListBox1.Count(); }
QString TForm1::pointedEntry() const { return hasPointedEntry() ? ListBox1.Items[pointedRow()] : QString(); }

void TForm1::updateRunAllVisibility() { BTN_RunAll->setVisible(CountJvChecked(*JvCheckListBox1) > 0); }

} // namespace tarvik
