// The menus' glyphs, read from the program's resources when first shown.
#include "UiTestSupport.h"
#include "ui/LazyIcon.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace tarvik;
using tarvik::testing::MenuFixture;

class Icons : public MenuFixture {};

// Every glyph an action carries and the program's own icon come out whole,
// and reading them never makes Qt load the image plugins of the system (each
// pulls in a decoder library and costs start-up time and memory for formats
// the program never reads).
TEST_F(Icons, EveryGlyphIsReadWithoutTheImagePlugins)
{
    const QIcon program = applicationIcon();
    for (int size : {16, 32, 48}) {
        EXPECT_EQ(program.pixmap(size, size).size(), QSize(size, size)) << size;
        EXPECT_TRUE(program.availableSizes().contains(QSize(size, size))) << size;
    }

    TForm1 &menu = startMenu("ICONES");
    int glyphs = 0;
    for (QAction *action : menu.findChildren<QAction *>()) {
        if (action->icon().isNull())
            continue;
        const QPixmap pixmap = action->icon().pixmap(16, 16);
        EXPECT_FALSE(pixmap.isNull()) << action->text().toStdString();
        EXPECT_EQ(pixmap.size(), QSize(16, 16)) << action->text().toStdString();
        ++glyphs;
    }
    EXPECT_GT(glyphs, 20);

    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no process map to read here";
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("/imageformats/")) << "an image plugin was loaded";
}
