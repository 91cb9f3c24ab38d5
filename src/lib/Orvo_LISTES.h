#pragma once
// Counting and ordering helpers for the entry list's views. They work on Qt's
// item models, so this unit needs nothing of the window.

#include <QVector>

class QAbstractItemModel;
class QAbstractItemView;
class QString;

namespace tarvik {

// Number of checked lines of a check list, lines past the last entry included.
int CountJvChecked(const QAbstractItemView &list);
int CountJvChecked(const QAbstractItemModel &lines);

// Compares the type strings (second column) of two grid rows with the user
// locale's collation, ignoring case: negative when index1 sorts first.
int ValueSort(const QAbstractItemModel &grid, int index1, int index2);
// The same comparison on two type strings.
int compareTypes(const QString &a, const QString &b);

// The grid's first `rows` rows in ascending order of type. Returns the
// permutation (new position i holds old row order[i]); rows of equal type keep
// their relative order, so sorting twice changes nothing.
QVector<int> ValueListEditor_SortByValue(const QAbstractItemModel &grid, int rows);

} // namespace tarvik
