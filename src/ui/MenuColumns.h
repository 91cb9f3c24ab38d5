#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QStyleOptionMenuItem>
#include <QWidget>

#include <utility>

class QAction;
class QMenu;

namespace tarvik {

// A menu's items laid out in columns, as one widget inside the menu (a QMenu
// cannot break its columns where asked). Items are drawn by the style exactly
// as the menu draws its own, and each click triggers the item's QAction; the
// actions' shortcuts live on the window, so they work whether or not the menu
// is open.
class MenuColumns : public QWidget {
    Q_OBJECT
public:
    struct Column {
        QList<QAction *> actions;
        bool barBefore = false; // a vertical bar separates it from the previous one
    };

    MenuColumns(QMenu *menu, const QList<Column> &columns);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Where an item stands, in this widget's coordinates (empty when absent).
    QRect itemRect(QAction *action) const;
    int columnCount() const;

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    static constexpr int kGap = 9; // between columns; the bar stands in it
    static constexpr int kShortcutGap = 16;

    using Pos = std::pair<int, int>;
    QAction *current() const;
    static bool selectable(const QAction *a);
    QStyleOptionMenuItem option(int c, int i) const;
    QFont itemFont(const QAction *a) const;
    void relayout() const;
    Pos itemAt(const QPoint &p) const;
    void setHover(Pos at, bool openSub);
    void openSubmenu(Pos at);
    void closeSubmenu();
    void activate(QAction *a);
    void step(int delta);
    void switchColumn(int delta);

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

} // namespace tarvik
