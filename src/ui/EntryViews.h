#pragma once
// The two views of the entry list: the grid of names and types
// (ValueListEditor1) and the column of check boxes beside it (JvCheckListBox1).
// Both are views over models; no widget or item object per row.

#include "lib/PathParts.h"
#include "ui/EntryList.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QListView>
#include <QTableView>

namespace tarvik {

// Height of a grid row and of a check line: the two views line up row by row.
constexpr int kEntryRowHeight = 18;

class EntryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EntryGridModel(const EntryList &entries, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Rebuilds every row from the entry list.
    void reset();
    // Removes one row without a rebuild.
    void removeGridRow(int row);
    QString name(int row) const;
    QString type(int row) const;

private:
    const EntryList &m_entries;
    // Rows of the last rebuild. Names and types are computed when a row is
    // painted or read, so a rebuild costs nothing per entry: the view only
    // asks for the rows it shows.
    int m_rows = 0;
};

class TValueListEditor : public QTableView {
    Q_OBJECT
public:
    explicit TValueListEditor(const EntryList &entries, QWidget *parent = nullptr);
    EntryGridModel *gridModel() const { return m_model; }
    // The pointed row (the current row), 0 when there is none.
    int Row() const;
    void setRow(int row);
    int RowCount() const { return m_model->rowCount(); }
    // Vertical scrolling only: the columns never slide sideways, even when
    // the type column does not fit whole.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

Q_SIGNALS:
    // A left click on a cell, or a move of the pointer by keys or wheel.
    void pointed();
    void doubleClickedRow();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    EntryGridModel *m_model;
};

class CheckListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QVector<CheckLine> lines;
    void resetLines();
    void insertLine(int i, const CheckLine &line);
    void removeLine(int i);

Q_SIGNALS:
    // The user toggled the box of a line.
    void toggled(int row);
};

class TJvCheckListBox : public QListView {
    Q_OBJECT
public:
    explicit TJvCheckListBox(QWidget *parent = nullptr);

    TextEncoding encoding = TextEncoding::Ansi;

    int Count() const { return int(m_model->lines.size()); }
    QString Text(int i) const { return m_model->lines[i].text; }
    bool Checked(int i) const { return m_model->lines[i].checked; }
    void setText(int i, const QString &text);
    void setChecked(int i, bool on);
    // Ticks each of the first `count` lines whose text is "-1" and clears the
    // others among them, in one update.
    void checkFromTexts(int count);
    QStringList Texts() const;
    // Replaces every line, unchecked, with these texts.
    void setTexts(const QStringList &texts);
    void Add(const QString &text);
    void Insert(int i, const QString &text);
    void Delete(int i);
    void Clear();
    // Reorders the lines: new line i is the old line order[i]; lines past the
    // end of order stay where they are.
    void reorder(const QVector<int> &order);
    CheckListModel *checkModel() const { return m_model; }

Q_SIGNALS:
    void ClickCheck(int row);

private:
    CheckListModel *m_model;
};

} // namespace tarvik
