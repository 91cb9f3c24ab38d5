#include "platform/TitleWidth.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace tarvik {

namespace {
// The window icon and the minimise, maximise and close buttons of a title
// bar with their spacing, at 96 dots per inch.
constexpr int kTitleBarChrome = 120;
} // namespace

int titleBarWidth(const QString &title)
{
    // Window managers draw titles bold in the desktop's title font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarChrome;
}

} // namespace tarvik
