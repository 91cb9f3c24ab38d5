// The five popup menus, their icons, and the shortcuts that depend on focus.
#include "ui/Unit1.h"

#include "platform/Errors.h"
#include "ui/LazyIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolTip>
#include <QWidgetAction>

// The resources live in the static core library: they must be registered by hand.
static void initTarvikIcons() { Q_INIT_RESOURCE(tarvik); }

namespace tarvik {

namespace {

// ImageList1: its glyphs by index, each read from its file when first shown
// and shared by every item that carries it.
class ImageList {
public:
    QIcon operator()(int index)
    {
        auto found = m_icons.find(index);
        if (found == m_icons.end())
            found = m_icons.insert(index, lazyIcon(QStringLiteral(":/icons/%1.png").arg(index, 2, 10, QLatin1Char('0'))));
        return *found;
    }

private:
    QHash<int, QIcon> m_icons;
};

QString withoutMnemonic(QString s)
{
    s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return s;
}

} // namespace

// The main context menu's items laid out in columns, as one widget inside the
// menu (a QMenu cannot break its columns where asked). Items are drawn by the
// style exactly as the menu draws its own, and each click triggers the item's
// QAction; the actions' shortcuts live on the window, so they work whether or
// not the menu is open.
class MenuColumns : public QWidget {
    Q_OBJECT
public:
    struct Column {
        QList<QAction *> actions;
        bool barBefore = false; // a vertical bar separates it from the previous one
    };

    MenuColumns(QMenu *menu, const QList<Column> &columns)
        : QWidget(menu), m_menu(menu), m_columns(columns)
    {
        setObjectName(menu->objectName() + QStringLiteral("_columns"));
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_Hover);
        for (const Column &c : m_columns)
            for (QAction *a : c.actions) {
                connect(a, &QAction::changed, this, [this] { update(); });
                if (a->menu())
                    a->menu()->installEventFilter(this);
            }
        connect(menu, &QMenu::aboutToShow, this, [this] {
            m_hover = {-1, -1};
            relayout();
            setFocus(Qt::PopupFocusReason);
        });
        connect(menu, &QMenu::aboutToHide, this, [this] { closeSubmenu(); });
    }

    QSize sizeHint() const override
    {
        relayout();
        return m_size;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Where an item stands, in this widget's coordinates (empty when absent).
    Q_INVOKABLE QRect itemRect(QAction *action) const
    {
        relayout();
        for (int c = 0; c < m_columns.size(); ++c)
            for (int i = 0; i < m_columns[c].actions.size(); ++i)
                if (m_columns[c].actions[i] == action)
                    return m_rects[c][i];
        return QRect();
    }
    Q_INVOKABLE int columnCount() const { return int(m_columns.size()); }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ToolTip) {
            const auto *he = static_cast<QHelpEvent *>(e);
            const auto [c, i] = itemAt(he->pos());
            QAction *a = c >= 0 ? m_columns[c].actions[i] : nullptr;
            const QString tip = a ? a->toolTip() : QString();
            if (a && !a->isSeparator() && !tip.isEmpty() && tip != withoutMnemonic(a->text()))
                QToolTip::showText(he->globalPos(), tip, this, m_rects[c][i]);
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(e);
    }

    void paintEvent(QPaintEvent *) override
    {
        relayout();
        QPainter p(this);
        for (int c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c].barBefore && !m_rects[c].isEmpty()) {
                const int x = m_columnLeft[c] - kGap / 2 - 1;
                p.setPen(palette().color(QPalette::Mid));
                p.drawLine(x, 2, x, height() - 3);
            }
            for (int i = 0; i < m_columns[c].actions.size(); ++i) {
                QStyleOptionMenuItem opt = option(c, i);
                style()->drawControl(QStyle::CE_MenuItem, &opt, &p, m_menu);
            }
        }
    }

    void mouseMoveEvent(QMouseEvent *e) override { setHover(itemAt(e->position().toPoint()), true); }
    void leaveEvent(QEvent *) override
    {
        if (!m_submenu)
            setHover({-1, -1}, false);
    }
    void mousePressEvent(QMouseEvent *e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        const auto at = itemAt(e->position().toPoint());
        if (at.first >= 0)
            activate(m_columns[at.first].actions[at.second]);
    }

    void keyPressEvent(QKeyEvent *e) override
    {
        switch (e->key()) {
        case Qt::Key_Up: step(-1); return;
        case Qt::Key_Down: step(1); return;
        case Qt::Key_Left: switchColumn(-1); return;
        case Qt::Key_Right:
            if (current() && current()->menu())
                openSubmenu(m_hover);
            else
                switchColumn(1);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (current())
                activate(current());
            return;
        default:
            break;
        }
        // A mnemonic letter (the "&" of "&Quitter") clicks its item.
        const QString typed = e->text().toUpper();
        if (typed.size() == 1 && typed[0].isLetterOrNumber() && !(e->modifiers() & Qt::ControlModifier)) {
            for (const Column &col : m_columns)
                for (QAction *a : col.actions) {
                    const QString t = a->text();
                    const qsizetype amp = t.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
                    if (amp >= 0 && t.mid(amp + 1, 1).toUpper() == typed && a->isVisible() && a->isEnabled()) {
                        activate(a);
                        return;
                    }
                }
        }
        e->ignore(); // Escape and the rest: the menu's own handling
    }

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        auto *sub = qobject_cast<QMenu *>(watched);
        if (!sub || sub != m_submenu)
            return QWidget::eventFilter(watched, e);
        if (e->type() == QEvent::MouseMove) {
            // Back on the main menu: the submenu gives way to the item under the pointer.
            const QPoint global = static_cast<QMouseEvent *>(e)->globalPosition().toPoint();
            if (!sub->rect().contains(sub->mapFromGlobal(global)) && rect().contains(mapFromGlobal(global))) {
                const auto at = itemAt(mapFromGlobal(global));
                if (at != m_hover && at.first >= 0) {
                    closeSubmenu();
                    setHover(at, true);
                }
            }
        } else if (e->type() == QEvent::MouseButtonRelease
                   || (e->type() == QEvent::KeyPress
                       && (static_cast<QKeyEvent *>(e)->key() == Qt::Key_Return
                           || static_cast<QKeyEvent *>(e)->key() == Qt::Key_Enter))) {
            // The whole menu closes before the command runs, as a menu does.
            QAction *a = sub->activeAction();
            if (a && !a->isSeparator() && !a->menu() && a->isEnabled()
                && (e->type() != QEvent::MouseButtonRelease
                    || sub->rect().contains(static_cast<QMouseEvent *>(e)->position().toPoint()))) {
                sub->hide();
                m_menu->hide();
                a->trigger();
                return true;
            }
        } else if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Left) {
            closeSubmenu();
            setFocus();
            return true;
        } else if (e->type() == QEvent::Hide) {
            m_submenu = nullptr;
        }
        return QWidget::eventFilter(watched, e);
    }

private:
    static constexpr int kGap = 9; // between columns; the bar stands in it
    static constexpr int kShortcutGap = 16;

    using Pos = std::pair<int, int>;

    QAction *current() const { return m_hover.first >= 0 ? m_columns[m_hover.first].actions[m_hover.second] : nullptr; }

    static bool selectable(const QAction *a) { return a->isVisible() && !a->isSeparator(); }

    QStyleOptionMenuItem option(int c, int i) const
    {
        QAction *a = m_columns[c].actions[i];
        QStyleOptionMenuItem opt;
        opt.initFrom(m_menu);
        opt.palette = m_menu->palette();
        opt.state = QStyle::State_None;
        if (m_menu->isActiveWindow() || !m_menu->isVisible())
            opt.state |= QStyle::State_Active;
        if (a->isEnabled())
            opt.state |= QStyle::State_Enabled;
        else
            opt.palette.setCurrentColorGroup(QPalette::Disabled);
        if (m_hover == Pos{c, i} && !a->isSeparator())
            opt.state |= QStyle::State_Selected;
        opt.font = itemFont(a);
        opt.fontMetrics = QFontMetrics(opt.font);
        opt.menuHasCheckableItems = true;
        if (!a->isCheckable()) {
            opt.checkType = QStyleOptionMenuItem::NotCheckable;
        } else {
            opt.checkType = a->actionGroup() && a->actionGroup()->isExclusive() ? QStyleOptionMenuItem::Exclusive
                                                                                : QStyleOptionMenuItem::NonExclusive;
            opt.checked = a->isChecked();
        }
        if (a->isSeparator())
            opt.menuItemType = QStyleOptionMenuItem::Separator;
        else if (a->menu())
            opt.menuItemType = QStyleOptionMenuItem::SubMenu;
        else if (a == m_menu->defaultAction())
            opt.menuItemType = QStyleOptionMenuItem::DefaultItem;
        else
            opt.menuItemType = QStyleOptionMenuItem::Normal;
        if (a->isIconVisibleInMenu())
            opt.icon = a->icon();
        QString text = a->text();
        if (!a->shortcut().isEmpty())
            text += QLatin1Char('\t') + a->shortcut().toString(QKeySequence::NativeText);
        opt.text = text;
        opt.reservedShortcutWidth = m_tabWidth.value(c);
        opt.maxIconWidth = m_maxIconWidth;
        opt.menuRect = rect();
        opt.rect = m_rects.value(c).value(i);
        return opt;
    }

    QFont itemFont(const QAction *a) const
    {
        QFont f = a->font().resolve(m_menu->font());
        if (a == m_menu->defaultAction())
            f.setBold(true);
        return f;
    }

    void relayout() const
    {
        QStyle *st = style();
        const int icon = st->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_menu);
        m_maxIconWidth = 0;
        for (const Column &col : m_columns)
            for (QAction *a : col.actions)
                if (!a->icon().isNull())
                    m_maxIconWidth = icon + 4;
        m_rects.clear();
        m_tabWidth.clear();
        m_columnLeft.clear();
        int x = 0, height = 0;
        for (int c = 0; c < m_columns.size(); ++c) {
            const Column &col = m_columns[c];
            int tab = 0;
            for (QAction *a : col.actions)
                if (!a->shortcut().isEmpty())
                    tab = qMax(tab, QFontMetrics(itemFont(a)).horizontalAdvance(
                                        a->shortcut().toString(QKeySequence::NativeText)));
            m_tabWidth << tab;
            m_rects << QList<QRect>();
            QList<QSize> sizes;
            int width = 0;
            for (int i = 0; i < col.actions.size(); ++i) {
                QAction *a = col.actions[i];
                QStyleOptionMenuItem opt = option(c, i);
                QSize sz;
                if (!a->isVisible()) {
                    sz = QSize(0, 0);
                } else if (a->isSeparator()) {
                    sz = st->sizeFromContents(QStyle::CT_MenuItem, &opt, QSize(0, 0), m_menu);
                } else {
                    const QFontMetrics fm(opt.font);
                    sz = QSize(fm.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, a->text()).width(),
                               qMax(fm.height(), a->icon().isNull() ? 0 : icon));
                    sz = st->sizeFromContents(QStyle::CT_MenuItem, &opt, sz, m_menu);
                    // Room between the longest caption and the shortcuts (the
                    // style sheet's item padding leaves none for items without icon).
                    sz.rwidth() += tab + (tab > 0 ? kShortcutGap : 0);
                }
                sizes << sz;
                width = qMax(width, sz.width());
            }
            if (c > 0)
                x += kGap;
            m_columnLeft << x;
            int y = 0;
            for (const QSize &sz : sizes) {
                m_rects[c] << QRect(x, y, width, sz.height());
                y += sz.height();
            }
            height = qMax(height, y);
            x += width;
        }
        m_size = QSize(x, height);
    }

    Pos itemAt(const QPoint &p) const
    {
        for (int c = 0; c < m_rects.size(); ++c)
            for (int i = 0; i < m_rects[c].size(); ++i)
                if (m_rects[c][i].contains(p) && selectable(m_columns[c].actions[i]))
                    return {c, i};
        return {-1, -1};
    }

    void setHover(Pos at, bool openSub)
    {
        if (at == m_hover)
            return;
        closeSubmenu();
        m_hover = at;
        update();
        if (openSub && current() && current()->menu())
            openSubmenu(at);
    }

    void openSubmenu(Pos at)
    {
        QAction *a = m_columns[at.first].actions[at.second];
        if (!a->menu() || !a->isEnabled())
            return;
        m_submenu = a->menu();
        const QRect r = m_rects[at.first][at.second];
        m_submenu->popup(mapToGlobal(r.topRight()));
    }

    void closeSubmenu()
    {
        if (m_submenu) {
            QMenu *sub = m_submenu;
            m_submenu = nullptr;
            sub->hide();
        }
    }

    void activate(QAction *a)
    {
        if (!a || a->isSeparator() || !a->isEnabled())
            return;
        if (a->menu()) {
            for (int c = 0; c < m_columns.size(); ++c)
                if (const int i = int(m_columns[c].actions.indexOf(a)); i >= 0) {
                    setHover({c, i}, false);
                    openSubmenu({c, i});
                }
            return;
        }
        // The menu closes before the command runs: a command may open
        // another popup or a dialog.
        m_menu->hide();
        a->trigger();
    }

    void step(int delta)
    {
        int c = qMax(0, m_hover.first);
        const auto &acts = m_columns[c].actions;
        int i = m_hover.first < 0 ? (delta > 0 ? -1 : int(acts.size())) : m_hover.second;
        for (int n = 0; n < acts.size(); ++n) {
            i = (i + delta + int(acts.size())) % int(acts.size());
            if (selectable(acts[i])) {
                setHover({c, i}, false);
                return;
            }
        }
    }

    void switchColumn(int delta)
    {
        if (m_columns.isEmpty())
            return;
        const int from = qMax(0, m_hover.first);
        const int c = (from + delta + int(m_columns.size())) % int(m_columns.size());
        const int y = m_hover.first >= 0 ? m_rects[m_hover.first][m_hover.second].center().y() : 0;
        Pos best{-1, -1};
        int bestDistance = INT_MAX;
        for (int i = 0; i < m_columns[c].actions.size(); ++i) {
            if (!selectable(m_columns[c].actions[i]))
                continue;
            const int d = qAbs(m_rects[c][i].center().y() - y);
            if (d < bestDistance) {
                bestDistance = d;
                best = {c, i};
            }
        }
        if (best.first >= 0)
            setHover(best, false);
    }

    QMenu *m_menu;
    QList<Column> m_columns;
    Pos m_hover{-1, -1};
    QMenu *m_submenu = nullptr;
    mutable QList<QList<QRect>> m_rects;
    mutable QList<int> m_tabWidth;
    mutable QList<int> m_columnLeft;
    mutable int m_maxIconWidth = 0;
    mutable QSize m_size;
};

namespace {

QAction *separator(QObject *owner)
{
    auto *a = new QAction(owner);
    a->setSeparator(true);
    return a;
}

QMenu *newMenu(QWidget *owner, const QString &name, const QString &title = QString())
{
    auto *m = new QMenu(title, owner);
    m->setObjectName(name);
    m->setFont(owner->font()); // a popup is a window of its own: no font comes from the parent
    m->setToolTipsVisible(true);
    m->setSeparatorsCollapsible(false);
    return m;
}

} // namespace

void TForm1::createMenus()
{
    initTarvikIcons();
    ImageList glyph;

    // ImageList1: the glyph of each item; items bound to an action show the action's.
    const QList<QPair<QAction *, int>> icons = {
        {RunOne, 0}, {RunAll, 1}, {Supprimer1, 2}, {Purgerlaliste1, 3}, {Couper1, 4}, {Coller1, 5},
        {Clipbrd_PASTE, 6}, {trIER1, 7}, {rierpartype1, 8}, {mnu_Arg_CMD, 9}, {mnu_Arg_Touches, 21},
        {mnu_Arg_PassWord, 20}, {AjouterdesChampsDORVEX1, 6}, {mnu_DOSSIERS, 10}, {OuvrirunMenu1, 11},
        {AjouterunSousMenu2, 12}, {act_INI_SAVE, 13}, {Quitter1, 14}, {FichierFileExit1, 14}, {mnu_AIDE, 16},
        {mnu_BtnAdd, 12}, {MENU_PREV_ADD, 17}, {Supprimercebouton1, 18}, {BoutonFermer1, 15},
        {act_SAUVE_BOUTONS, 13}, {act_SAUVE_LISTE, 13}, {Menuprincipal1, 19}, {MENUAIDE1, 16},
        {mnuAide_ligne, 22}, {Enligne20191, 22}, {PanicBouton1, 2}, {MenuItem27, 10}, {MenuItem21, 10},
        {MenuItem22, 10}, {MenuItem24, 23}, {MenuItem25, 10}, {MenuItem26, 10}, {MenuItem28, 10},
        {MenuItem30, 10}, {MenuItem19, 10},
    };
    for (const auto &[action, index] : icons)
        action->setIcon(glyph(index));
    btn_1->setIcon(glyph(15));
    for (QAction *a : findChildren<QAction *>())
        a->setShortcutVisibleInContextMenu(true);

    // Popup_Tarvik: commands, then two columns of options.
    Popup_Tarvik = newMenu(this, QStringLiteral("Popup_Tarvik"));
    QMenu *args = newMenu(this, QStringLiteral("Arguments1"), QStringLiteral("Arguments à l'ouverture du programme ..."));
    args->setIcon(glyph(9));
    args->addAction(mnu_Arg_CMD);
    args->addSeparator();
    args->addActions({mnu_Arg_Touches, mnu_Arg_PassWord});
    args->addSeparator();
    args->addAction(AjouterdesChampsDORVEX1);
    QAction *Arguments1 = args->menuAction();
    Arguments1->setObjectName(QStringLiteral("Arguments1"));

    const auto sep = [this] { return separator(this); };
    const QList<MenuColumns::Column> columns = {
        {{RunOne, RunAll, Supprimer1, Purgerlaliste1, sep(), Couper1, Coller1, sep(), Clipbrd_PASTE, sep(), trIER1,
          rierpartype1, sep(), Arguments1, sep(), mnu_DOSSIERS, OuvrirunMenu1, AjouterunSousMenu2, sep(),
          act_INI_SAVE, Quitter1},
         false},
        {{sep(), chk_AffCONF, chk_MINIMIZE, chk_RunAndClose, chk_CloseWithEsc, chk_MoveVersDoc}, true},
        {{sep(), chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, chk_AffStatus, sep(), mnu_AIDE}, false},
    };
    Popup_Tarvik->setDefaultAction(RunOne);
    auto *columnsAction = new QWidgetAction(Popup_Tarvik);
    columnsAction->setObjectName(QStringLiteral("Popup_Tarvik_items"));
    columnsAction->setDefaultWidget(new MenuColumns(Popup_Tarvik, columns));
    Popup_Tarvik->addAction(columnsAction);

    Popup_btn1 = newMenu(this, QStringLiteral("Popup_btn1"));
    Popup_btn1->addAction(mnu_BtnAdd);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({MENU_PREV_ADD, Supprimercebouton1});
    Popup_btn1->addSeparator();
    Popup_btn1->addAction(BoutonFermer1);
    Popup_btn1->addSeparator();
    Popup_btn1->addActions({act_SAUVE_BOUTONS, Menuprincipal1});

    Popup_AIDE = newMenu(this, QStringLiteral("Popup_AIDE"));
    // The title line shows F1; the key acts through "Aide" (an item of a menu
    // that belongs to no control never receives a shortcut).
    MENUAIDE1->setShortcut(QKeySequence(Qt::Key_F1));
    MENUAIDE1->setShortcutContext(Qt::WidgetShortcut);
    Popup_AIDE->addAction(MENUAIDE1);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(mnuAide_ligne);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addActions({mnuAide_AddProg, mnu_Aide_Run, mnuAide_AddMenu, mnuAide_POS, Aproposedelasuppressiondesentres1});
    Popup_AIDE->addSeparator();
    QMenu *panic = newMenu(this, QStringLiteral("MenuItem38"), QStringLiteral("Que faire quand rien ne va plus ?"));
    panic->addAction(PanicBouton1);
    Popup_AIDE->addMenu(panic);
    QMenu *beta = newMenu(this, QStringLiteral("BETATEST1"), QStringLiteral("BETA TEST"));
    beta->addAction(InjecterdesChampsDorvexdanslePressepapier1);
    Popup_AIDE->addMenu(beta);
    Popup_AIDE->addSeparator();
    Popup_AIDE->addAction(Enligne20191);

    Popup_DOSSIERS = newMenu(this, QStringLiteral("Popup_DOSSIERS"));
    Popup_DOSSIERS->addAction(MenuItem27);
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem21, MenuItem22});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem24, MenuItem25, MenuItem26, MenuItem28});
    Popup_DOSSIERS->addSeparator();
    Popup_DOSSIERS->addActions({MenuItem30, MenuItem19});
    Popup_DOSSIERS->setDefaultAction(MenuItem27);

    PopupCHeck = newMenu(this, QStringLiteral("PopupCHeck"));
    PopupCHeck->addAction(RunAll);
    connect(JvCheckListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupCHeck->popup(JvCheckListBox1->viewport()->mapToGlobal(pos)); });

    // Window-wide shortcuts of the main context menu and of the action list.
    addActions({RunOne, RunAll, Clipbrd_PASTE, Supprimer1, Couper1, Coller1, trIER1, mnu_DOSSIERS, OuvrirunMenu1,
                Quitter1, chk_StayOnTop, chk_AffListe, chk_AffBoutons, chk_BTN_AlignTop, mnu_AIDE});

    // Ctrl+N belongs to "Ajouter un Sous-Menu ..." and to "Ajouter un Bouton";
    // the bar button's own menu comes first while a bar button has the focus.
    // One shortcut dispatches by focus, so Qt never sees two owners of the key.
    for (QAction *shown : {AjouterunSousMenu2, mnu_BtnAdd, MENU_PREV_ADD})
        shown->setShortcutContext(Qt::WidgetShortcut); // shown in the menus, dispatched below
    auto *ctrlN = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    connect(ctrlN, &QShortcut::activated, this, guarded([this] {
        auto *b = qobject_cast<QPushButton *>(QApplication::focusWidget());
        if (b && b->parentWidget() == Panel_boutons)
            mnu_BtnAddClick();
        else
            AjouterunSousMenu2Click();
    }));
    // F2 ("Renommer le bouton") only while a bar button has the focus.
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), Panel_boutons);
    f2->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f2, &QShortcut::activated, this, guarded([this] { MENU_BTN_ADDClick(); }));
}

} // namespace tarvik

#include "Unit1_Menus.moc"
