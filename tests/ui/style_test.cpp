// The visual style carried among the program's resources.
#include "TestDialogs.h"
#include "UiTestSupport.h"
#include "ui/Style.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <gtest/gtest.h>

using namespace tarvik;

TEST(Style, CarriedStyleIsAppliedAndAMissingOneIsReported)
{
    tarvik::testing::ensureApplication();
    tarvik::testing::TestDialogs scripted;

    ASSERT_TRUE(applyStyle("Metropolis UI Blue"));
    EXPECT_TRUE(scripted.records.empty());
    // The blue accent reaches the palette every widget draws with.
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor("#2b79d0"));

    EXPECT_FALSE(applyStyle("Inexistant"));
    ASSERT_EQ(scripted.records.size(), 1u);
    EXPECT_EQ(scripted.last().text, "Style 'Inexistant' non trouvé");
    EXPECT_EQ(scripted.last().icon, "error");
}

namespace {

// One menu item as the style paints it, on white.
QImage paintedMenuItem(QStyleOptionMenuItem::CheckType check, bool checked)
{
    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 240, 22);
    item.state = QStyle::State_Enabled;
    item.palette = QApplication::palette();
    item.font = QApplication::font();
    item.fontMetrics = QFontMetrics(item.font);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.checkType = check;
    item.checked = checked;
    item.text = QStringLiteral("Minimise le menu après lancement du programme");
    QImage image(item.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QApplication::style()->drawControl(QStyle::CE_MenuItem, &item, &p, nullptr);
    return image;
}

// The column left of the text, where the marks stand.
QImage markColumn(const QImage &item) { return item.copy(0, 0, 26, item.height()); }

} // namespace

TEST(Style, ClearRadioItemShowsItsEmptyMarkerLikeAClearCheckItemItsBox)
{
    tarvik::testing::ensureApplication();
    ASSERT_TRUE(applyStyle("Metropolis UI Blue"));
    using C = QStyleOptionMenuItem;
    const QImage plain = markColumn(paintedMenuItem(C::NotCheckable, false));
    struct Case {
        const char *what;
        QImage a, b;
    } cases[] = {
        {"clear radio item against a plain item", markColumn(paintedMenuItem(C::Exclusive, false)), plain},
        {"clear check item against a plain item", markColumn(paintedMenuItem(C::NonExclusive, false)), plain},
        {"ticked radio item against a clear one", markColumn(paintedMenuItem(C::Exclusive, true)),
         markColumn(paintedMenuItem(C::Exclusive, false))},
    };
    for (const Case &c : cases)
        EXPECT_NE(c.a, c.b) << c.what << ": no mark drawn";
    // The text stands where it stands for the other items.
    EXPECT_EQ(paintedMenuItem(C::Exclusive, false).copy(30, 0, 210, 22),
              paintedMenuItem(C::NonExclusive, false).copy(30, 0, 210, 22));
}
