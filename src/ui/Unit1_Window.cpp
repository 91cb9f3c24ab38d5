// The window's layout, its reaction to the options, resizing and keys.
#include "ui/Unit1.h"

#include "platform/Errors.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvik {

void TForm1::createLayout()
{
    m_rootLayout = new QVBoxLayout(this);
    m_rootLayout->setContentsMargins(0, 0, 0, 0);
    m_rootLayout->setSpacing(0);

    Panel_liste = new QWidget(this);
    Panel_liste->setObjectName(QStringLiteral("Panel_liste"));
    auto *list = new QGridLayout(Panel_liste);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    JvCheckListBox1 = new TJvCheckListBox(Panel_liste);
    JvCheckListBox1->setFixedWidth(21);
    ValueListEditor1 = new TValueListEditor(ListBox1, Panel_liste);
    ValueListEditor1->setToolTip(QStringLiteral("Pointer et Double clic pour lancer (F5)"));
    StatusBar1 = new QLabel(QStringLiteral("Déposez un fichier pour ajouter un programme"), Panel_liste);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->hide();
    BTN_RunAll = new QToolButton(Panel_liste);
    BTN_RunAll->setObjectName(QStringLiteral("BTN_RunAll"));
    BTN_RunAll->setDefaultAction(RunAll);
    BTN_RunAll->setToolButtonStyle(Qt::ToolButtonTextOnly);
    BTN_RunAll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    BTN_RunAll->hide();
    list->addWidget(JvCheckListBox1, 0, 0);
    list->addWidget(ValueListEditor1, 0, 1);
    list->addWidget(StatusBar1, 1, 0, 1, 2);
    list->addWidget(BTN_RunAll, 2, 0, 1, 2);

    Panel_boutons = new QWidget(this);
    Panel_boutons->setObjectName(QStringLiteral("Panel_boutons"));
    Panel_boutons->setFixedHeight(27);
    m_barLayout = new QHBoxLayout(Panel_boutons);
    m_barLayout->setContentsMargins(1, 1, 1, 1);
    m_barLayout->setSpacing(0);
    btn_1 = new QPushButton(QStringLiteral("Fermer"), Panel_boutons);
    btn_1->setObjectName(QStringLiteral("btn_1"));
    btn_1->setProperty("tag", 1);
    btn_1->setFixedHeight(25);
    m_barLayout->addWidget(btn_1, 1);
    connect(btn_1, &QPushButton::clicked, this, [this] { runGuarded([this] { BTN_ACTION(btn_1); }); });

    m_rootLayout->addWidget(Panel_liste, 1);
    m_rootLayout->addWidget(Panel_boutons);
}

void TForm1::FormShow() {}
void TForm1::FORM_AutoSizeExecute() {}
void TForm1::FormResize() {}
void TForm1::FormKeyUp(QKeyEvent *) {}
QPoint TForm1::centrePoint() const
{
    const QRect outer = frameGeometry();
    return QPoint(outer.left() + outer.width() / 2, outer.top() + outer.height() / 2);
}
void TForm1::popupAtCentre(QMenu *menu) { menu->popup(centrePoint()); }
void TForm1::chk_StayOnTopClick() {}
void TForm1::chk_AffListeClick() {}
void TForm1::chk_AffBoutonsClick() {}
void TForm1::chk_BTN_AlignTopClick() {}
void TForm1::chk_AffStatusClick() {}
void TForm1::chk_MINIMIZEClick() {}
void TForm1::chk_RunAndCloseClick() {}
void TForm1::mnu_DOSSIERSClick() { popupAtCentre(Popup_DOSSIERS); }
void TForm1::AjouterunSousMenu2Click() { popupAtCentre(Popup_btn1); }
void TForm1::mnu_AIDEClick() { popupAtCentre(Popup_AIDE); }
void TForm1::Menuprincipal1Click() { popupAtCentre(Popup_Tarvik); }

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    runGuarded([this] { FormShow(); });
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    runGuarded([this] { FormResize(); });
}

void TForm1::keyReleaseEvent(QKeyEvent *event)
{
    runGuarded([this, event] { FormKeyUp(event); });
    QWidget::keyReleaseEvent(event);
}

void TForm1::contextMenuEvent(QContextMenuEvent *event)
{
    Q_UNUSED(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) { return QWidget::eventFilter(watched, event); }

} // namespace tarvik
