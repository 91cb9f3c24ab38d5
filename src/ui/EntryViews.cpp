#include "ui/EntryViews.h"

#include "lib/Orvo_ini.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace tarvik {

namespace {

const QColor kCream(0xff, 0xfb, 0xea);
const QColor kCreamLine(0xef, 0xe6, 0xc8);

// Paints both grid columns: the name as a fixed, header-like column with a
// gradient, the type as an ordinary cell; the pointed row is drawn across
// both, so the whole row reads as selected although only its type cell is.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TValueListEditor *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool pointed = index.row() == m_grid->Row();
        const bool focused = m_grid->hasFocus();
        p->save();
        QColor text;
        if (index.column() == 0) {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            if (pointed) {
                g.setColorAt(0, focused ? QColor(0x4a, 0x97, 0xe6) : QColor(0x8d, 0xb4, 0xe0));
                g.setColorAt(1, focused ? QColor(0x23, 0x66, 0xb4) : QColor(0x6a, 0x96, 0xc9));
                text = Qt::white;
            } else {
                g.setColorAt(0, QColor(0xfd, 0xfe, 0xff));
                g.setColorAt(1, QColor(0xdc, 0xe4, 0xef));
                text = QColor(0x1b, 0x2b, 0x40);
            }
            p->fillRect(r, g);
            p->setPen(QColor(0xb8, 0xc5, 0xd6));
            p->drawLine(r.topRight(), r.bottomRight());
            p->drawLine(r.bottomLeft(), r.bottomRight());
        } else {
            if (pointed) {
                // The style's accent, which the palette carries as its highlight.
                p->fillRect(r, focused ? option.palette.color(QPalette::Highlight) : QColor(0x7f, 0xa8, 0xd8));
                text = Qt::white;
            } else {
                p->fillRect(r, kCream);
                text = QColor(0x55, 0x4a, 0x2a);
            }
            p->setPen(kCreamLine);
            p->drawLine(r.bottomLeft(), r.bottomRight());
        }
        const QString s = index.data(Qt::DisplayRole).toString();
        if (!s.isEmpty()) {
            QFont f = option.font;
            if (index.column() == 0)
                f.setBold(true);
            p->setFont(f);
            p->setPen(text);
            const QRect tr = r.adjusted(6, 0, -4, -1);
            const QString shown = QFontMetrics(f).elidedText(s, Qt::ElideRight, tr.width());
            p->drawText(tr, Qt::AlignLeft | Qt::AlignVCenter, shown);
        }
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(80, kEntryRowHeight);
    }

private:
    TValueListEditor *m_grid;
};

// One check box per line, centred in the narrow column; a click anywhere on
// the line toggles it (the line is hardly wider than the box).
class CheckLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        p->fillRect(r, kCream);
        p->setPen(kCreamLine);
        p->drawLine(r.bottomLeft(), r.bottomRight());
        QStyleOptionViewItem box(option);
        box.state &= ~QStyle::State_HasFocus;
        box.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        const int side = qMin(13, r.height() - 4);
        box.rect = QRect(r.left() + (r.width() - side) / 2, r.top() + (r.height() - side) / 2, side, side);
        const QWidget *w = option.widget;
        (w ? w->style() : QApplication::style())->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, p, w);
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(21, kEntryRowHeight);
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        const auto toggle = [&] {
            const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        };
        switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            const auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() != Qt::LeftButton || !option.rect.contains(me->position().toPoint()))
                return false;
            return toggle();
        }
        case QEvent::MouseButtonDblClick:
            // The second click of a double-click toggles again, as a box does.
            return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && toggle();
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Space && key != Qt::Key_Select)
                return false;
            return toggle();
        }
        default:
            return false;
        }
    }
};

} // namespace

// ---- grid -------------------------------------------------------------

EntryGridModel::EntryGridModel(const EntryList &entries, QObject *parent)
    : QAbstractTableModel(parent), m_entries(entries)
{
    reset();
}

int EntryGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : qMax(1, m_rows);
}

int EntryGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 2; }

QVariant EntryGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return index.column() == 0 ? name(index.row()) : type(index.row());
}

Qt::ItemFlags EntryGridModel::flags(const QModelIndex &index) const
{
    if (index.column() == 0)
        return Qt::ItemIsEnabled; // the name column behaves as a fixed header column
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void EntryGridModel::reset()
{
    beginResetModel();
    m_rows = m_entries.Count();
    endResetModel();
}

void EntryGridModel::removeGridRow(int row)
{
    if (row < 0 || row >= m_rows)
        return;
    if (m_rows == 1) {
        // The grid always shows one row: the last one becomes empty.
        m_rows = 0;
        Q_EMIT dataChanged(index(0, 0), index(0, 1));
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    --m_rows;
    endRemoveRows();
}

QString EntryGridModel::name(int row) const
{
    return row >= 0 && row < m_rows && row < m_entries.Count() ? ExtractNAME(m_entries.Items[row]) : QString();
}

QString EntryGridModel::type(int row) const
{
    return row >= 0 && row < m_rows && row < m_entries.Count() ? ExtractTYPE(m_entries.Items[row]) : QString();
}

TValueListEditor::TValueListEditor(const EntryList &entries, QWidget *parent)
    : QTableView(parent), m_model(new EntryGridModel(entries, this))
{
    // Hidden before the model arrives: a visible header measures its labels
    // with a font of its own, which costs a font engine at start-up.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setModel(m_model);
    setObjectName(QStringLiteral("ValueListEditor1"));
    setItemDelegate(new GridDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (v != 0)
            horizontalScrollBar()->setValue(0);
    });
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kEntryRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setStretchLastSection(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kCream);
    setPalette(pal);
    setAutoFillBackground(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(false); // the delegate draws the lines
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCurrentIndex(m_model->index(0, 1));
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { setCurrentIndex(m_model->index(0, 1)); });
}

int TValueListEditor::Row() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : 0;
}

void TValueListEditor::setRow(int row)
{
    row = qBound(0, row, m_model->rowCount() - 1);
    setCurrentIndex(m_model->index(row, 1));
    scrollTo(m_model->index(row, 1));
}

void TValueListEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        // A right click opens the context menu without moving the pointer.
        event->accept();
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && at.column() == 1)
        setRow(at.row());
    setFocus(Qt::MouseFocusReason);
    Q_EMIT pointed();
}

void TValueListEditor::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (index.isValid())
        QTableView::scrollTo(index.sibling(index.row(), 0), hint);
    horizontalScrollBar()->setValue(0);
}

void TValueListEditor::mouseMoveEvent(QMouseEvent *event)
{
    // No drag selection: only a click points a row.
    event->accept();
}

void TValueListEditor::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void TValueListEditor::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // The pointed look spans both columns: repaint the two rows whole.
    viewport()->update();
}

void TValueListEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClickedRow();
}

void TValueListEditor::keyPressEvent(QKeyEvent *event)
{
    const int before = Row();
    int row = before;
    const int page = qMax(1, viewport()->height() / qMax(1, rowHeight(0)));
    switch (event->key()) {
    case Qt::Key_Up: row = before - 1; break;
    case Qt::Key_Down: row = before + 1; break;
    case Qt::Key_PageUp: row = before - page; break;
    case Qt::Key_PageDown: row = before + page; break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = m_model->rowCount() - 1; break;
    default:
        // The grid deletes, edits and moves nothing by itself.
        event->ignore();
        return;
    }
    setRow(row);
    if (Row() != before)
        Q_EMIT pointed();
}

void TValueListEditor::wheelEvent(QWheelEvent *event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->accept();
        return;
    }
    const int before = Row();
    setRow(before - notches);
    if (Row() != before)
        Q_EMIT pointed();
    event->accept();
}

// ---- check list -----------------------------------------------------

int CheckListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(lines.size()); }

QVariant CheckListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lines.size())
        return QVariant();
    if (role == Qt::CheckStateRole)
        return lines[index.row()].checked ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool CheckListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= lines.size())
        return false;
    lines[index.row()].checked = value.toInt() == Qt::Checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT toggled(index.row());
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void CheckListModel::resetLines()
{
    beginResetModel();
    endResetModel();
}

void CheckListModel::insertLine(int i, const CheckLine &line)
{
    beginInsertRows(QModelIndex(), i, i);
    lines.insert(i, line);
    endInsertRows();
}

void CheckListModel::removeLine(int i)
{
    beginRemoveRows(QModelIndex(), i, i);
    lines.removeAt(i);
    endRemoveRows();
}

TJvCheckListBox::TJvCheckListBox(QWidget *parent) : QListView(parent), m_model(new CheckListModel(this))
{
    setObjectName(QStringLiteral("JvCheckListBox1"));
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setItemDelegate(new CheckLineDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSpacing(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kCream);
    setPalette(pal);
    m_model->lines = {CheckLine{QStringLiteral("0"), false}};
    connect(m_model, &CheckListModel::toggled, this, [this](int row) {
        setCurrentIndex(m_model->index(row));
        Q_EMIT ClickCheck(row);
    });
}

void TJvCheckListBox::setText(int i, const QString &text) { m_model->lines[i].text = text; }

void TJvCheckListBox::setChecked(int i, bool on)
{
    m_model->lines[i].checked = on;
    const QModelIndex at = m_model->index(i);
    Q_EMIT m_model->dataChanged(at, at, {Qt::CheckStateRole});
}

QStringList TJvCheckListBox::Texts() const
{
    QStringList out;
    out.reserve(m_model->lines.size());
    for (const auto &l : m_model->lines)
        out << l.text;
    return out;
}

void TJvCheckListBox::setTexts(const QStringList &texts)
{
    m_model->lines.clear();
    m_model->lines.reserve(texts.size());
    for (const QString &t : texts)
        m_model->lines.push_back(CheckLine{t, false});
    m_model->resetLines();
}

void TJvCheckListBox::checkFromTexts(int count)
{
    count = qMin(count, Count());
    for (int i = 0; i < count; ++i)
        m_model->lines[i].checked = m_model->lines[i].text == QLatin1String("-1");
    if (count > 0)
        Q_EMIT m_model->dataChanged(m_model->index(0), m_model->index(count - 1), {Qt::CheckStateRole});
}

void TJvCheckListBox::Add(const QString &text) { Insert(Count(), text); }

void TJvCheckListBox::Insert(int i, const QString &text)
{
    m_model->insertLine(i, CheckLine{text, false});
}

void TJvCheckListBox::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    m_model->removeLine(i);
}

void TJvCheckListBox::Clear()
{
    m_model->lines.clear();
    m_model->resetLines();
}

void TJvCheckListBox::reorder(const QVector<int> &order)
{
    QVector<CheckLine> moved = m_model->lines;
    for (int i = 0; i < order.size() && i < moved.size(); ++i)
        if (order[i] < m_model->lines.size())
            moved[i] = m_model->lines[order[i]];
    m_model->lines = moved;
    m_model->resetLines();
}

} // namespace tarvik
