// Dialogs open wide enough for their whole title and every caption: the
// window manager cuts a title that its bar cannot hold ("Confi… ation"), and
// a check box narrower than its caption shows part of it ("Montre").
#include "UiTestSupport.h"

#include "platform/QtDialogs.h"
#include "platform/TitleWidth.h"
#include "ui/PASSWORD.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <functional>

using namespace tarvik;

namespace {

// The width a control has for its caption: its own less what the style draws
// around the text (frame and margins of a button, the box of a check box).
int captionRoom(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->contentsRect().width();
    auto *b = qobject_cast<QAbstractButton *>(w);
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    const bool box = qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w);
    return w->style()->subElementRect(box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &opt, w).width();
}

// Every caption of a shown dialog stands whole inside it, and the dialog
// holds its title.
void expectWhole(QWidget &dialog)
{
    SCOPED_TRACE(dialog.windowTitle().toStdString());
    EXPECT_GE(dialog.width(), titleBarWidth(dialog.windowTitle())) << "the title is cut";
    for (QWidget *w : dialog.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&dialog))
            continue;
        QString caption;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            caption = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w); l && !l->wordWrap())
            caption = l->text();
        caption.remove(QLatin1Char('&'));
        if (caption.isEmpty() || caption.contains(QLatin1Char('\n')))
            continue;
        SCOPED_TRACE(caption.toStdString());
        EXPECT_GE(captionRoom(w), w->fontMetrics().horizontalAdvance(caption)) << "the caption is cut";
        EXPECT_TRUE(dialog.rect().contains(QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size())))
            << "the caption stands outside the dialog";
    }
}

// Opens a modal dialog, looks at it as it stands when shown, and closes it.
void whileShown(const std::function<void()> &open)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        seen = true;
        expectWhole(*dialog);
        if (auto *box = qobject_cast<QMessageBox *>(dialog))
            box->done(0);
        else
            static_cast<QDialog *>(dialog)->reject();
    });
    open();
    EXPECT_TRUE(seen) << "no dialog opened";
}

TEST(DialogSizes, MessageBoxesAndTheInputBoxHoldTheirTitles)
{
    tarvik::testing::ensureApplication();
    QtDialogs real;
    const std::function<void()> opens[] = {
        [&] { real.messageDlg(QStringLiteral("Supprimer l'entrée\r\n\r\nX"), MsgDlgType::mtConfirmation, mbOK | mbCancel); },
        [&] { real.messageDlg(QStringLiteral("Non"), MsgDlgType::mtWarning, mbOK); },
        [&] { real.messageDlg(QStringLiteral("?"), MsgDlgType::mtConfirmation, mbOK | mbCancel | mbIgnore); },
        [&] { real.messageBox(QStringLiteral("Confirmer la suppression du bouton"), QStringLiteral("?"), MB_YESNO); },
        [&] {
            QString value;
            real.inputQuery(QStringLiteral("(RE)NOMMER LE BOUTON #12=UN NOM DE MENU ASSEZ LONG"),
                            QStringLiteral("Donner un nom de MENU au bouton"), value);
        },
    };
    for (const auto &open : opens)
        whileShown(open);
}

TEST(DialogSizes, PasswordDialogHoldsItsTitleAndCaptions)
{
    tarvik::testing::ensureApplication();
    TPasswordDlg dlg;
    whileShown([&] { dlg.exec(); });
}

} // namespace
