// The window's layout, its reaction to the options, resizing and keys.
#include "ui/Unit1.h"

#include "lib/Orvo_LISTES.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace tarvik {

namespace {

// Sizes of the window as designed (96 dots per inch).
constexpr int kClientWidth = 444;
constexpr int kClientHeight = 270;
constexpr int kBarHeight = 27;
constexpr int kCheckColumnWidth = 21;
constexpr int kTypeColumnWidth = 80;

bool isBarButton(QObject *o, QWidget *bar)
{
    auto *b = qobject_cast<QPushButton *>(o);
    return b && b->parentWidget() == bar;
}

// Showing a part lays the window out again at once, which changes the height
// of the other parts before the fitting could read it: each part's height is
// kept from before the change until the fitting has used it.
const char *const kFitHeight = "fitHeight";

void setPartVisible(std::initializer_list<QWidget *> parts, QWidget *part, bool on)
{
    for (QWidget *p : parts)
        if (!p->isHidden() && !p->property(kFitHeight).isValid())
            p->setProperty(kFitHeight, p->height());
    part->setVisible(on);
}

} // namespace

void TForm1::createLayout()
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    m_rootLayout = new QVBoxLayout(this);
    m_rootLayout->setContentsMargins(0, 0, 0, 0);
    m_rootLayout->setSpacing(0);
    // The window's size is the user's and the fitting's alone: a part shown
    // or a button added never makes it grow to the parts' minimum sizes;
    // the parts share whatever the window has.
    m_rootLayout->setSizeConstraint(QLayout::SetNoConstraint);

    Panel_liste = new QWidget(this);
    Panel_liste->setObjectName(QStringLiteral("Panel_liste"));
    auto *list = new QGridLayout(Panel_liste);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    JvCheckListBox1 = new TJvCheckListBox(Panel_liste);
    JvCheckListBox1->setFixedWidth(kCheckColumnWidth);
    JvCheckListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    ValueListEditor1 = new TValueListEditor(ListBox1, Panel_liste);
    ValueListEditor1->setToolTip(QStringLiteral("Pointer et Double clic pour lancer (F5)"));
    ValueListEditor1->setMinimumSize(40, kEntryRowHeight);
    JvCheckListBox1->setMinimumHeight(kEntryRowHeight);
    StatusBar1 = new QLabel(QStringLiteral("Déposez un fichier pour ajouter un programme"), Panel_liste);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setMinimumWidth(1); // a long path asks for no width
    StatusBar1->hide();
    BTN_RunAll = new ElidedToolButton(Panel_liste);
    BTN_RunAll->setObjectName(QStringLiteral("BTN_RunAll"));
    BTN_RunAll->setDefaultAction(RunAll);
    BTN_RunAll->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BTN_RunAll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    BTN_RunAll->hide();
    list->addWidget(JvCheckListBox1, 0, 0);
    list->addWidget(ValueListEditor1, 0, 1);
    list->addWidget(StatusBar1, 1, 0, 1, 2);
    list->addWidget(BTN_RunAll, 2, 0, 1, 2);
    list->setRowStretch(0, 1);

    // One scroll position for the grid and the check list: equal row
    // heights make line i stand beside row i.
    QScrollBar *gridBar = ValueListEditor1->verticalScrollBar();
    QScrollBar *checkBar = JvCheckListBox1->verticalScrollBar();
    connect(gridBar, &QScrollBar::valueChanged, checkBar, &QScrollBar::setValue);
    connect(checkBar, &QScrollBar::valueChanged, this, [gridBar, checkBar](int v) {
        gridBar->setValue(v);
        if (gridBar->value() != v)
            checkBar->setValue(gridBar->value());
    });
    connect(gridBar, &QScrollBar::rangeChanged, this, [gridBar, checkBar] { checkBar->setValue(gridBar->value()); });

    Panel_boutons = new QWidget(this);
    Panel_boutons->setObjectName(QStringLiteral("Panel_boutons"));
    Panel_boutons->setFixedHeight(kBarHeight);
    Panel_boutons->resize(kClientWidth, kBarHeight);
    m_barLayout = new QHBoxLayout(Panel_boutons);
    m_barLayout->setContentsMargins(1, 1, 1, 1);
    m_barLayout->setSpacing(0);
    btn_1 = new QPushButton(QStringLiteral("Fermer"), Panel_boutons);
    btn_1->setObjectName(QStringLiteral("btn_1"));
    btn_1->setProperty("tag", 1);
    btn_1->setFixedHeight(25);
    btn_1->installEventFilter(this);
    m_barLayout->addWidget(btn_1, 1);
    connect(btn_1, &QPushButton::clicked, this, guarded([this] { BTN_ACTION(btn_1); }));

    m_rootLayout->addWidget(Panel_liste, 1);
    m_rootLayout->addWidget(Panel_boutons);

    // Key preview: key releases reach FormKeyUp whichever child has the focus.
    qApp->installEventFilter(this);
}

void TForm1::FormShow()
{
    // The option marks read at start-up take effect: stay on top, the bar's
    // place, which parts show;
    chk_StayOnTopClick();
    chk_BTN_AlignTopClick();
    setPartVisible({Panel_liste, Panel_boutons}, Panel_liste, chk_AffListe->isChecked());
    setPartVisible({Panel_liste, Panel_boutons}, Panel_boutons, chk_AffBoutons->isChecked());
    StatusBar1->setVisible(chk_AffStatus->isChecked());
    // then the window fits the visible parts and the grid fills.
    FORM_AutoSizeExecute();
    RempliMENU();
    updateRunAllVisibility();
}

void TForm1::FORM_AutoSizeExecute()
{
    // The client area takes the bounding box of the visible parts at their
    // current sizes; both parts span the full width, so only the height moves.
    int height = 0;
    bool any = false;
    for (QWidget *part : {Panel_liste, Panel_boutons}) {
        const QVariant kept = part->property(kFitHeight);
        if (part->isHidden())
            continue;
        height += kept.isValid() ? kept.toInt() : part->height();
        part->setProperty(kFitHeight, QVariant());
        any = true;
    }
    if (!any)
        return;
    // The layout's minimum must follow the hidden parts before resizing.
    m_rootLayout->activate();
    resize(width(), qMax(height, minimumSizeHint().height()));
}

void TForm1::FormResize()
{
    const int outer = outerWidth(*this);
    ValueListEditor1->setColumnWidth(1, kTypeColumnWidth);
    ValueListEditor1->setColumnWidth(0, qMax(0, outer - kTypeColumnWidth));
    applyButtonWidths();
}

void TForm1::FormKeyUp(QKeyEvent *event)
{
    event->ignore();
    if (event->key() == Qt::Key_Escape && chk_CloseWithEsc->isChecked()) {
        event->accept();
        close();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        event->accept();
        mnu_AIDEClick();
        return;
    }
    if (event->key() == Qt::Key_M && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        Menuprincipal1Click();
    }
}

QPoint TForm1::centrePoint() const
{
    const QRect outer = outerGeometry(*this);
    return QPoint(outer.left() + outer.width() / 2, outer.top() + outer.height() / 2);
}

void TForm1::popupAtCentre(QMenu *menu) { menu->popup(centrePoint()); }

void TForm1::chk_StayOnTopClick()
{
    const bool on = chk_StayOnTop->isChecked();
    // On the native window: changing the widget's flags would replace the X
    // window and its id, which other menus know this one by.
    if (QWindow *w = windowHandle())
        w->setFlag(Qt::WindowStaysOnTopHint, on);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

void TForm1::chk_AffListeClick()
{
    setPartVisible({Panel_liste, Panel_boutons}, Panel_liste, chk_AffListe->isChecked());
    FORM_AutoSizeExecute();
}

void TForm1::chk_AffBoutonsClick()
{
    setPartVisible({Panel_liste, Panel_boutons}, Panel_boutons, chk_AffBoutons->isChecked());
    FORM_AutoSizeExecute();
}

void TForm1::chk_BTN_AlignTopClick()
{
    const int wanted = chk_BTN_AlignTop->isChecked() ? 0 : 1;
    if (m_rootLayout->indexOf(Panel_boutons) == wanted)
        return;
    m_rootLayout->removeWidget(Panel_boutons);
    m_rootLayout->insertWidget(wanted, Panel_boutons);
}

void TForm1::chk_AffStatusClick()
{
    StatusBar1->setVisible(chk_AffStatus->isChecked());
    FORM_AutoSizeExecute();
}

void TForm1::chk_MINIMIZEClick() { chk_RunAndClose->setChecked(!chk_MINIMIZE->isChecked()); }
void TForm1::chk_RunAndCloseClick() { chk_MINIMIZE->setChecked(!chk_RunAndClose->isChecked()); }

void TForm1::mnu_DOSSIERSClick() { popupAtCentre(Popup_DOSSIERS); }
void TForm1::AjouterunSousMenu2Click() { popupAtCentre(Popup_btn1); }
void TForm1::mnu_AIDEClick() { popupAtCentre(Popup_AIDE); }
void TForm1::Menuprincipal1Click() { popupAtCentre(Popup_Tarvik); }

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar is shown again by the system:
    // that is no new show of the menu.
    if (event->spontaneous())
        return;
    if (!m_frameWatched) {
        // The window was placed by a frame the window manager announced
        // before framing it, or by none when it said nothing: until it is
        // framed, the frame it really gives is watched for, and the outer
        // rectangle placed again if that frame differs.
        m_frameWatched = true;
        m_frameFixPending = !m_restoredOuter.isNull();
        m_placedFrame = windowFrame(*this);
    }
    runGuarded([this] { FormShow(); });
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    runGuarded([this] { FormResize(); });
}

void TForm1::keyReleaseEvent(QKeyEvent *event)
{
    // FormKeyUp already saw this release through the key preview.
    QWidget::keyReleaseEvent(event);
}

void TForm1::contextMenuEvent(QContextMenuEvent *event)
{
    // Anywhere in the window but the check list and the bar buttons.
    Popup_Tarvik->popup(event->globalPos());
    event->accept();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || w->window() != this)
            break;
        // The release is offered to the focus widget first, then to its
        // parents: preview it once, at its first receiver.
        QWidget *first = QApplication::focusWidget();
        if (!first || first->window() != this)
            first = this;
        if (w != first)
            break;
        auto *key = static_cast<QKeyEvent *>(event);
        bool handled = false;
        runGuarded([&] {
            FormKeyUp(key);
            handled = key->isAccepted();
        });
        key->setAccepted(true);
        if (handled)
            return true;
        break;
    }
    case QEvent::ContextMenu:
        if (isBarButton(watched, Panel_boutons)) {
            Popup_btn1->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::Expose:
        if (watched == windowHandle() || watched == this) {
            if (m_frameFixPending && isVisible()) {
                if (frameAnnounced(*this)) {
                    const QMargins frame = windowFrame(*this);
                    if (frame != m_placedFrame) {
                        m_placedFrame = frame;
                        setOuterGeometry(*this, m_restoredOuter);
                    }
                }
                // Exposed means framed and mapped: the frame is final (and
                // without a window manager there is none to wait for).
                if (event->type() == QEvent::Expose || event->type() == QEvent::WindowActivate)
                    m_frameFixPending = false;
            }
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvik
