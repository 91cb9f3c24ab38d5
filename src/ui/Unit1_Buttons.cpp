// The button bar: creating buttons, opening sub-menus, editing buttons.
#include "ui/Unit1.h"

#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QBoxLayout>
#include <QPushButton>

namespace tarvik {

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
    connect(button, &QPushButton::clicked, this, [this, button] { runGuarded([this, button] { BTN_ACTION(button); }); });
    return button;
}

void TForm1::applyButtonWidths()
{
    const int width = frameGeometry().width() / qMax(1, Compte_BOUTONS()) - 3;
    for (QPushButton *b : barButtons()) {
        if (b == btn_1) {
            btn_1->setMinimumWidth(0);
            continue; // fills whatever the other buttons leave
        }
        b->setFixedWidth(qMax(0, width));
    }
}

void TForm1::BTN_ACTION(QPushButton *) {}
void TForm1::mnu_BtnAddClick() {}
void TForm1::MENU_BTN_ADDClick() {}
void TForm1::Renomme(const QString &, const QString &, const QString &) {}
void TForm1::Supprimercebouton1Click() {}
void TForm1::BoutonFermer1Click() {}
void TForm1::OuvrirunMenu1Click() {}

} // namespace tarvik
