// The button bar: creating buttons, opening sub-menus, editing buttons.
#include "ui/Unit1.h"

#include "lib/MenuFiles.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFileInfo>
#include <QPushButton>

namespace tarvik {

namespace {

// The window of the running menu called name: a window of this program whose
// title is exactly that name. A title that merely contains it (COMPTABILITE
// for COMPTA, another program's window) is not that menu.
WindowHandle findMenuWindow(const QString &name)
{
    if (name.isEmpty())
        return 0;
    for (WindowHandle w : platform().topLevelWindows())
        if (w != 0 && platform().windowTitle(w) == name && platform().isWindowOfThisProgram(w))
            return w;
    return 0;
}

// Starts the menu named by the parameter string, or brings it to the front
// when it already runs: two copies of one menu would write their files over
// each other's when they close.
void startMenu(WindowHandle owner, const QString &parameter)
{
    if (const WindowHandle open = findMenuWindow(upperAscii(parameter.section(u' ', 0, 0)))) {
        platform().bringToFront(open);
        return;
    }
    platform().shellExecute(owner, QStringLiteral("RUNAS"), platform().executablePath(), parameter, QString(),
                            SW_SHOWNORMAL);
}

// The control that holds the keyboard focus in the window: the target of
// renaming and deleting, whatever button the popup was opened on.
QWidget *activeControl(QWidget &form)
{
    QWidget *focused = QApplication::focusWidget();
    if (focused && focused->window() == &form)
        return focused;
    return form.focusWidget();
}

// The text a control shows; empty for a control without one (a grid).
QString captionOf(const QWidget &control)
{
    const QVariant text = control.property("text");
    return text.canConvert<QString>() ? text.toString() : QString();
}

void setCaptionOf(QWidget &control, const QString &caption)
{
    if (control.property("text").isValid())
        control.setProperty("text", caption);
}

} // namespace

QList<QPushButton *> TForm1::barButtons() const
{
    return Panel_boutons->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
}

int TForm1::Compte_BOUTONS() const { return int(barButtons().size()); }

QPushButton *TForm1::Button_Create(const QString &Button_CAPTION)
{
    if (upperAscii(Button_CAPTION) == QLatin1String("FERMER"))
        return nullptr;
    auto *button = new QPushButton(Panel_boutons);
    int n = Compte_BOUTONS();
    // A number that no button of the bar carries, so names never clash after a deletion.
    while (Panel_boutons->findChild<QPushButton *>(QStringLiteral("BTN_%1").arg(n), Qt::FindDirectChildrenOnly))
        ++n;
    button->setObjectName(QStringLiteral("BTN_%1").arg(n));
    button->setText(upperAscii(Button_CAPTION));
    button->setProperty("tag", n);
    button->setFixedSize(100, 25);
    // Created buttons stand in a row from the left, btn_1 takes the rest at the right.
    m_barLayout->insertWidget(m_barLayout->indexOf(btn_1), button);
    button->installEventFilter(this);
    button->show();
    connect(button, &QPushButton::clicked, this, guarded([this, button] { BTN_ACTION(button); }));
    return button;
}

void TForm1::applyButtonWidths()
{
    const int width = outerWidth(*this) / qMax(1, Compte_BOUTONS()) - 3;
    for (QPushButton *b : barButtons()) {
        if (b == btn_1) {
            btn_1->setMinimumWidth(0);
            continue; // fills whatever the other buttons leave
        }
        b->setFixedWidth(qMax(0, width));
    }
}

void TForm1::BTN_ACTION(QPushButton *Sender)
{
    const QString name = upperAscii(Sender->text());
    if (name == QLatin1String("FERMER")) {
        close();
        return;
    }
    if (name.isEmpty()) {
        MENU_BTN_ADDClick();
        return;
    }

    // An open sub-menu only comes to the front: a second copy of the same menu
    // would write its files over the first one's when both close. (A name
    // with a blank starts the menu of its first word.)
    if (const WindowHandle open = findMenuWindow(name.section(u' ', 0, 0))) {
        platform().bringToFront(open);
        return;
    }
    if (chk_AffCONF->isChecked()) {
        const QString question = QStringLiteral("Ouvrir le sous-menu : \"") + name + QStringLiteral("\"\r\n\r\n")
            + QString(70, u'-') + QStringLiteral("\r\n")
            + QStringLiteral("[IGNORER] = ne plus afficher ce message de confirmation");
        const int answer = dialogs().messageDlg(question, MsgDlgType::mtConfirmation, mbOK | mbCancel | mbIgnore);
        if (answer == mrIgnore)
            chk_AffCONF->setChecked(false);
        else if (answer != mrOk)
            return;
    }

    const int result = platform().shellExecute(ownHandle(), QStringLiteral("RUNAS"), platform().executablePath(),
                                               name, QString(), SW_SHOWNORMAL);
    if (result < 32)
        sm(QStringLiteral("ERREUR EXECUTION\r\nShellExecute ligne 190"));
}

void TForm1::mnu_BtnAddClick()
{
    Info(QStringLiteral("Vous allez créer un nouveau bouton \"VIERGE\"\r\n\r\n"
                        "Vous devrez ensuite cliquer sur ce \"nouveau bouton vide\" pour le paramétrer"));
    Button_Create(QString());
    applyButtonWidths();
}

void TForm1::MENU_BTN_ADDClick()
{
    try {
        QWidget *target = activeControl(*this);
        if (!target)
            throw Error(QStringLiteral("Aucun bouton n'a le focus."));
        const QString AncienNOM = captionOf(*target);
        QString value = upperAscii(AncienNOM);
        const QString title = QStringLiteral("(RE)NOMMER LE BOUTON #") + target->objectName().mid(4)
            + QStringLiteral("=") + upperAscii(AncienNOM);
        if (!dialogs().inputQuery(title, QStringLiteral("Donner un nom de MENU au bouton"), value))
            return;
        QString NouveauNOM = value;
        NouveauNOM.replace(u' ', u'_');
        setCaptionOf(*target, upperAscii(NouveauNOM));
        SAUVE_BOUTONS();
        // The files move before the menu starts: it reads them at its start-up,
        // and one that opened empty would write its empty list over them.
        for (const QString &suffix : MenuFiles::suffixes())
            Renomme(AncienNOM, NouveauNOM, suffix);
        startMenu(ownHandle(), NouveauNOM);
    } catch (const std::exception &e) {
        sm(QStringLiteral("MENU_BTN_ADDClick 449\r\n\r\n") + errorMessage(e));
    }
}

void TForm1::Renomme(const QString &AncienNOM, const QString &NouveauNOM, const QString &FICHIER)
{
    // Under the names the menus read: the menu name upper-cased.
    const QString target = MenuFiles(upperAscii(NouveauNOM)).path(FICHIER);
    if (QFileInfo::exists(target))
        return;
    platform().moveFile(MenuFiles(upperAscii(AncienNOM)).path(FICHIER), target);
}

void TForm1::Supprimercebouton1Click()
{
    QWidget *target = activeControl(*this);
    auto *button = qobject_cast<QPushButton *>(target);
    const int n = button && button->parentWidget() == Panel_boutons ? button->property("tag").toInt() : 0;
    if (n <= 1) {
        Dye(QStringLiteral("Ce bouton ne peut être supprimé\r\n\r\n"
                           "Vous devez toujours laisser au moins un bouton sur le Menu"),
            MsgDlgType::mtWarning);
        return;
    }
    const QString caption = button->text();
    if (caption.isEmpty()) {
        Dye(QStringLiteral("Vous ne pouvez supprimer un bouton que s'il porte un NOM\r\n\r\n"
                           "Vous devez ensuite correctement pointer le bouton\r\n\r\n"
                           "Par un clic droit \"furtif\" (je clique ,je sors en appuyant, puis je relache)\r\n\r\n"
                           "Pour pouvoir le supprimer"),
            MsgDlgType::mtWarning);
        return;
    }
    const QString name = QStringLiteral("BTN_%1").arg(n);
    if (!Confirm(QStringLiteral("Supprimer ce BOUTON ?\r\n\r\n- Légende = ") + caption + QStringLiteral("\r\n")
                     + QStringLiteral("- Nom = ") + name,
                 MsgDlgType::mtConfirmation))
        return;
    if (QPushButton *doomed = Panel_boutons->findChild<QPushButton *>(name, Qt::FindDirectChildrenOnly)) {
        doomed->hide();
        doomed->setParent(nullptr); // out of the count at once
        doomed->deleteLater();
    }
    applyButtonWidths();
    SAUVE_BOUTONS();
}

void TForm1::BoutonFermer1Click()
{
    btn_1->setText(QStringLiteral("Fermer"));
    SAUVE_BOUTONS();
}

void TForm1::OuvrirunMenu1Click()
{
    OpenFileRequest request;
    request.title = QStringLiteral("Rechercher un MENU");
    request.initialDir = App_Path();
    request.defaultExt = QStringLiteral("MENU.INI");
    request.fileName = QStringLiteral("*.MENU.INI");
    request.filter = QStringLiteral("MENU|*.MENU.INI");
    const QString chosen = dialogs().openFile(request);
    if (chosen.isEmpty())
        return;
    const QString fileName = QFileInfo(chosen).fileName();
    const qsizetype dot = fileName.indexOf(u'.');
    startMenu(ownHandle(), dot < 0 ? fileName : fileName.left(dot));
}

} // namespace tarvik
