// The visual style carried among the program's resources.
#include "TestDialogs.h"
#include "UiTestSupport.h"
#include "ui/Style.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
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
