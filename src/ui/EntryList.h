#pragma once
// The menu's in-memory lists: the entries (ListBox1) and the check lines
// (JvCheckListBox1). Both remember the encoding of the file they came from.

#include "platform/LineFile.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace tarvik {

// Locale-aware comparison ignoring case, used for every alphabetical order.
int compareText(const QString &a, const QString &b);

// An ordered list of strings with a Sorted flag: while it is on, the list
// keeps itself in alphabetical order and additions go to their sorted place.
class EntryList {
public:
    QStringList Items;
    TextEncoding encoding = TextEncoding::Ansi;

    int Count() const { return int(Items.size()); }
    bool Sorted() const { return m_sorted; }
    // Turning it on sorts the list (stably); returns the permutation applied:
    // new position i holds the entry that was at order[i].
    QVector<int> setSorted(bool on);
    // Where Add() would put the string.
    int insertionIndex(const QString &s) const;
    int Add(const QString &s);
    void Insert(int index, const QString &s) { Items.insert(index, s); }
    void Delete(int index) { Items.removeAt(index); }
    void Clear() { Items.clear(); }
    // Puts the entries in a new order: new position i holds the entry that
    // was at order[i] (a permutation of every position).
    void reorder(const QVector<int> &order);

private:
    bool m_sorted = false;
};

// Why the entry cannot be added to a menu, or an empty text when it can. An
// entry is one line of the entry file and the name of a section of the
// commands file: a line break inside it would come back as two entries.
QString entryRefusal(const QString &entry);

// Check lines: the text saved for each line ("-1" or "0") and the box.
struct CheckLine {
    QString text;
    bool checked = false;
};

} // namespace tarvik
