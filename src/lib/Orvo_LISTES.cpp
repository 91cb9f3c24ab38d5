#include "lib/Orvo_LISTES.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCollator>
#include <QString>
#include <algorithm>
#include <numeric>

namespace tarvik {

int CountJvChecked(const QAbstractItemModel &lines)
{
    int n = 0;
    const int count = lines.rowCount();
    for (int i = 0; i < count; ++i)
        if (lines.index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked)
            ++n;
    return n;
}

int CountJvChecked(const QAbstractItemView &list)
{
    return list.model() ? CountJvChecked(*list.model()) : 0;
}

int compareTypes(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

namespace {
QString typeOf(const QAbstractItemModel &grid, int row)
{
    return grid.index(row, 1).data(Qt::DisplayRole).toString();
}
} // namespace

int ValueSort(const QAbstractItemModel &grid, int index1, int index2)
{
    return compareTypes(typeOf(grid, index1), typeOf(grid, index2));
}

QVector<int> ValueListEditor_SortByValue(const QAbstractItemModel &grid, int rows)
{
    rows = qBound(0, rows, grid.rowCount());
    QVector<QString> types(rows);
    for (int i = 0; i < rows; ++i)
        types[i] = typeOf(grid, i);
    QVector<int> order(rows);
    std::iota(order.begin(), order.end(), 0);
    // Stable: entries of one type keep the order the user gave them.
    std::stable_sort(order.begin(), order.end(),
                     [&types](int a, int b) { return compareTypes(types[a], types[b]) < 0; });
    return order;
}

} // namespace tarvik
