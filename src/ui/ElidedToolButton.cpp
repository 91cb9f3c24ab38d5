#include "ui/ElidedToolButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace tarvik {

int ElidedToolButton::textRoom() const
{
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    // What the style adds around the label and its icon.
    const int chrome = style()->sizeFromContents(QStyle::CT_ToolButton, &opt, QSize(0, 0), this).width();
    int room = width() - chrome;
    if (!opt.icon.isNull() && opt.toolButtonStyle == Qt::ToolButtonTextBesideIcon)
        room -= opt.iconSize.width() + 4;
    return qMax(0, room);
}

QString ElidedToolButton::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRoom());
}

QSize ElidedToolButton::minimumSizeHint() const { return QSize(0, QToolButton::minimumSizeHint().height()); }

void ElidedToolButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    opt.text = shownText();
    p.drawComplexControl(QStyle::CC_ToolButton, opt);
}

} // namespace tarvik
