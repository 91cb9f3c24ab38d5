#pragma once
// A tool button whose caption never asks for more width than it is given:
// its text is cut short with an ellipsis when the button is narrow, and it
// asks the layout for no minimum width.

#include <QToolButton>

namespace tarvik {

class ElidedToolButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

    // The caption as painted at the button's present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int textRoom() const;
};

} // namespace tarvik
