// The column-menu widget on its own: layout, pointer and keyboard.
#include "UiTestSupport.h"

#include "ui/MenuColumns.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace tarvik;

namespace {

class MenuColumnsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tarvik::testing::ensureApplication(); }

    void SetUp() override
    {
        menu.setObjectName("Essai");
        for (const char *name : {"Un", "Deux", "Trois"})
            left << menu.addAction(QString::fromUtf8(name));
        for (const char *name : {"Quatre", "Cinq"})
            right << menu.addAction(QString::fromUtf8(name));
        for (QAction *a : left + right)
            menu.removeAction(a);
        columns = new MenuColumns(&menu, {{left, false}, {right, true}});
    }

    QMenu menu;
    QList<QAction *> left, right;
    MenuColumns *columns = nullptr;
};

} // namespace

TEST_F(MenuColumnsTest, ItemsStandInTheirColumnsTopDown)
{
    EXPECT_EQ(columns->objectName(), "Essai_columns");
    EXPECT_EQ(columns->columnCount(), 2);
    for (int i = 1; i < left.size(); ++i)
        EXPECT_GT(columns->itemRect(left[i]).top(), columns->itemRect(left[i - 1]).top());
    EXPECT_EQ(columns->itemRect(left[0]).top(), columns->itemRect(right[0]).top());
    EXPECT_GT(columns->itemRect(right[0]).left(), columns->itemRect(left[0]).right());
    EXPECT_TRUE(columns->itemRect(new QAction(&menu)).isNull());
    const QSize size = columns->sizeHint();
    EXPECT_GE(size.width(), columns->itemRect(right[0]).right());
    EXPECT_GE(size.height(), columns->itemRect(left[2]).bottom());
}

TEST_F(MenuColumnsTest, AClickOrTheKeyboardTriggersTheItem)
{
    columns->resize(columns->sizeHint());
    QSignalSpy cinq(right[1], &QAction::triggered);
    QTest::mouseClick(columns, Qt::LeftButton, {}, columns->itemRect(right[1]).center());
    EXPECT_EQ(cinq.count(), 1);

    QSignalSpy deux(left[1], &QAction::triggered);
    QSignalSpy quatre(right[0], &QAction::triggered);
    QTest::keyClick(columns, Qt::Key_Down);  // Un
    QTest::keyClick(columns, Qt::Key_Down);  // Deux
    QTest::keyClick(columns, Qt::Key_Return);
    EXPECT_EQ(deux.count(), 1);
    QTest::keyClick(columns, Qt::Key_Right); // Cinq, beside Deux
    QTest::keyClick(columns, Qt::Key_Up);    // Quatre
    QTest::keyClick(columns, Qt::Key_Return);
    EXPECT_EQ(quatre.count(), 1);
}
