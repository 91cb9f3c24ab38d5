#include "ui/MenuColumns.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QToolTip>

#include <climits>

namespace tarvik {

namespace {

QString withoutMnemonic(QString s)
{
    s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return s;
}

} // namespace

MenuColumns::MenuColumns(QMenu *menu, const QList<Column> &columns) : QWidget(menu), m_menu(menu), m_columns(columns)
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

QSize MenuColumns::sizeHint() const
{
    relayout();
    return m_size;
}

QSize MenuColumns::minimumSizeHint() const { return sizeHint(); }

QRect MenuColumns::itemRect(QAction *action) const
{
    relayout();
    for (int c = 0; c < m_columns.size(); ++c)
        for (int i = 0; i < m_columns[c].actions.size(); ++i)
            if (m_columns[c].actions[i] == action)
                return m_rects[c][i];
    return QRect();
}

int MenuColumns::columnCount() const { return int(m_columns.size()); }

bool MenuColumns::event(QEvent *e)
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

void MenuColumns::paintEvent(QPaintEvent *)
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

void MenuColumns::mouseMoveEvent(QMouseEvent *e) { setHover(itemAt(e->position().toPoint()), true); }

void MenuColumns::leaveEvent(QEvent *)
{
    if (!m_submenu)
        setHover({-1, -1}, false);
}

void MenuColumns::mousePressEvent(QMouseEvent *e) { e->accept(); }

void MenuColumns::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const auto at = itemAt(e->position().toPoint());
    if (at.first >= 0)
        activate(m_columns[at.first].actions[at.second]);
}

void MenuColumns::keyPressEvent(QKeyEvent *e)
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

bool MenuColumns::eventFilter(QObject *watched, QEvent *e)
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

QAction * MenuColumns::current() const { return m_hover.first >= 0 ? m_columns[m_hover.first].actions[m_hover.second] : nullptr; }

bool MenuColumns::selectable(const QAction *a) { return a->isVisible() && !a->isSeparator(); }

QStyleOptionMenuItem MenuColumns::option(int c, int i) const
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

QFont MenuColumns::itemFont(const QAction *a) const
{
    QFont f = a->font().resolve(m_menu->font());
    if (a == m_menu->defaultAction())
        f.setBold(true);
    return f;
}

void MenuColumns::relayout() const
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

MenuColumns::Pos MenuColumns::itemAt(const QPoint &p) const
{
    for (int c = 0; c < m_rects.size(); ++c)
        for (int i = 0; i < m_rects[c].size(); ++i)
            if (m_rects[c][i].contains(p) && selectable(m_columns[c].actions[i]))
                return {c, i};
    return {-1, -1};
}

void MenuColumns::setHover(Pos at, bool openSub)
{
    if (at == m_hover)
        return;
    closeSubmenu();
    m_hover = at;
    update();
    if (openSub && current() && current()->menu())
        openSubmenu(at);
}

void MenuColumns::openSubmenu(Pos at)
{
    QAction *a = m_columns[at.first].actions[at.second];
    if (!a->menu() || !a->isEnabled())
        return;
    m_submenu = a->menu();
    const QRect r = m_rects[at.first][at.second];
    m_submenu->popup(mapToGlobal(r.topRight()));
}

void MenuColumns::closeSubmenu()
{
    if (m_submenu) {
        QMenu *sub = m_submenu;
        m_submenu = nullptr;
        sub->hide();
    }
}

void MenuColumns::activate(QAction *a)
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

void MenuColumns::step(int delta)
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

void MenuColumns::switchColumn(int delta)
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

} // namespace tarvik
