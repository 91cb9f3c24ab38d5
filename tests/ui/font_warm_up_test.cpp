// The font warm-up thread must never hold up the program: it ends at once
// when no application ever comes (a copy refused by the limit), and a window
// measuring text while it works gets the same answers as without it.
#include "UiTestSupport.h"
#include "platform/FontWarmUp.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tarvik;

TEST(FontWarmUp, EndsAtOnceWhenNoApplicationComes)
{
    FontWarmUp fonts; // the destructor must not wait for an application
}

TEST(FontWarmUp, TextMeasuredMeanwhileMatchesTheThreadsAnswer)
{
    tarvik::testing::ensureApplication();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    FontWarmUp fonts;
    fonts.applicationReady(font);
    // Widgets measure text while the thread fills the database.
    QLabel label(QStringLiteral("Déposez un fichier pour ajouter un programme"));
    label.setFont(font);
    const QSize measured = label.sizeHint();
    fonts.finish();
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
    QLabel after(label.text());
    after.setFont(font);
    EXPECT_EQ(after.sizeHint(), measured);
    EXPECT_GT(measured.width(), 100);
}
