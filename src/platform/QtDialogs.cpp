#include "platform/QtDialogs.h"

#include "platform/TitleWidth.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace tarvik {

namespace {

QWidget *dialogParent()
{
    QWidget *w = QApplication::activeWindow();
    return w && w->isVisible() ? w : nullptr;
}

struct ButtonSpec {
    unsigned flag;
    const char *text;
    QMessageBox::ButtonRole role;
    int result;
};

// A message box sizes itself to its text and buttons when shown, with a
// guess of the title's width far below what a window manager's title bar
// needs: a short question got a title shown as "Confi… ation". A spacer as
// wide as the title bar needs widens it.
void makeRoomForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const QMargins m = grid->contentsMargins();
    grid->addItem(new QSpacerItem(titleBarWidth(box.windowTitle()) - m.left() - m.right(), 0), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

int runBox(QMessageBox &box, const std::vector<ButtonSpec> &specs, unsigned defaultFlag, int escapeResult)
{
    std::vector<std::pair<QAbstractButton *, int>> map;
    for (const auto &s : specs) {
        QPushButton *b = box.addButton(QString::fromUtf8(s.text), s.role);
        map.emplace_back(b, s.result);
        if (s.flag == defaultFlag)
            box.setDefaultButton(b);
    }
    box.setWindowModality(Qt::ApplicationModal);
    makeRoomForTitle(box);
    box.exec();
    for (const auto &[button, result] : map)
        if (box.clickedButton() == button)
            return result;
    return escapeResult;
}

} // namespace

int QtDialogs::messageDlg(const QString &text, MsgDlgType type, unsigned buttons, unsigned defaultButton)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(msgDlgCaption(type));
    box.setText(text);
    switch (type) {
    case MsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case MsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case MsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case MsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case MsgDlgType::mtCustom: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<ButtonSpec> specs;
    if (buttons & mbYes) specs.push_back({mbYes, "Oui", QMessageBox::YesRole, mrYes});
    if (buttons & mbNo) specs.push_back({mbNo, "Non", QMessageBox::NoRole, mrNo});
    if (buttons & mbOK) specs.push_back({mbOK, "OK", QMessageBox::AcceptRole, mrOk});
    if (buttons & mbCancel) specs.push_back({mbCancel, "Annuler", QMessageBox::RejectRole, mrCancel});
    if (buttons & mbIgnore) specs.push_back({mbIgnore, "Ignorer", QMessageBox::ActionRole, mrIgnore});
    return runBox(box, specs, defaultButton, mrCancel);
}

int QtDialogs::messageBox(const QString &caption, const QString &text, unsigned flags)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<ButtonSpec> specs;
    int escape = IDCANCEL;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        specs = {{1, "OK", QMessageBox::AcceptRole, IDOK}, {2, "Annuler", QMessageBox::RejectRole, IDCANCEL}};
        break;
    case MB_YESNO:
        specs = {{1, "Oui", QMessageBox::YesRole, IDYES}, {2, "Non", QMessageBox::NoRole, IDNO}};
        escape = IDNO;
        break;
    default:
        specs = {{1, "OK", QMessageBox::AcceptRole, IDOK}};
        escape = IDOK;
        break;
    }
    return runBox(box, specs, 1, escape);
}

bool QtDialogs::inputQuery(const QString &caption, const QString &prompt, QString &value)
{
    QInputDialog dlg(dialogParent());
    dlg.setWindowTitle(caption);
    dlg.setLabelText(prompt);
    dlg.setTextValue(value);
    dlg.setOkButtonText(QStringLiteral("OK"));
    dlg.setCancelButtonText(QStringLiteral("Annuler"));
    dlg.setInputMode(QInputDialog::TextInput);
    dlg.resize(std::max({dlg.sizeHint().width(), 360, titleBarWidth(caption)}), dlg.sizeHint().height());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    value = dlg.textValue();
    return true;
}

int QtDialogs::execDialog(QDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted ? mrOk : mrCancel;
}

QString QtDialogs::openFile(const OpenFileRequest &request)
{
    QFileDialog dlg(dialogParent(), request.title, request.initialDir);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // "NAME|pattern" pairs, as the callers write them.
    const QStringList parts = request.filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    if (!filters.isEmpty())
        dlg.setNameFilters(filters);
    dlg.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty() && !request.fileName.contains(QLatin1Char('*')))
        dlg.selectFile(request.fileName);
    dlg.setLabelText(QFileDialog::Accept, QStringLiteral("Ouvrir"));
    dlg.setLabelText(QFileDialog::Reject, QStringLiteral("Annuler"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().first();
}

} // namespace tarvik
