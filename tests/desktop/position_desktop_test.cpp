// A menu started and closed again and again with nothing changed, on a busy
// machine under a window manager, shows itself where it was stored and saves
// exactly the position it read: the stored outer geometry is the framed
// window's, whatever the order in which the program, Qt and the window
// manager get to the window.
//
// The load is two busy processes started and ended by the test itself.

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <memory>
#include <vector>

namespace {

using tarvik::testing::WindowId;

class PositionDesktop : public tarvik::testing::MenuDesktopTest {
protected:
    PositionDesktop() : MenuDesktopTest(QStringLiteral(TARVIK_EXE)) {}

    void TearDown() override
    {
        for (auto &p : m_load)
            tarvik::testing::killProcess(*p);
        m_load.clear();
        MenuDesktopTest::TearDown();
    }

    // Two processes that keep both cores of a small machine busy.
    void startLoad()
    {
        const QString yes = QStandardPaths::findExecutable(QStringLiteral("yes"));
        ASSERT_FALSE(yes.isEmpty());
        for (int i = 0; i < 2; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setStandardOutputFile(QProcess::nullDevice());
            p->start(yes, {});
            ASSERT_TRUE(p->waitForStarted(5000));
            m_load.push_back(std::move(p));
        }
    }

    // The stored position of the main window, as the settings file holds it.
    QString storedPosition() const
    {
        const auto m = QRegularExpression(QStringLiteral("(?m)^Form1=([^\\r\\n]*)"))
                           .match(QString::fromLatin1(readFile(QStringLiteral("ECRAN.MENU.INI"))));
        return m.hasMatch() ? m.captured(1) : QStringLiteral("(none)");
    }

    // Starts the menu, closes it once it is framed (and, when asked, once the
    // window manager has also activated it), and returns what it saved.
    QString startAndClose(bool whenActive)
    {
        QProcess *menu = start(QStringLiteral("ECRAN"));
        const WindowId w = waitWindow(QStringLiteral("ECRAN"));
        if (w == 0)
            return QStringLiteral("(never shown)");
        // Framed: the window manager has told the client its frame.
        waitUntil([&] { return s_screen.frameExtents(w).size() == 4; });
        if (whenActive)
            waitUntil([&] { return s_screen.active() == w; });
        const QString shown = onScreen(w);
        s_screen.requestClose(w);
        if (!ended(menu))
            return QStringLiteral("(never closed)");
        const QString saved = storedPosition();
        return saved == shown ? saved : saved + QStringLiteral(" (shown ") + shown + QLatin1Char(')');
    }

    // The outer rectangle of the window as the screen shows it.
    QString onScreen(WindowId w)
    {
        const QList<int> f = s_screen.frameExtents(w); // left, right, top, bottom
        const QRect client = s_screen.rootGeometry(w);
        if (f.size() != 4)
            return QStringLiteral("(no frame)");
        return QStringLiteral("%1:%2:%3:%4")
            .arg(client.left() - f[0])
            .arg(client.top() - f[2])
            .arg(client.width() + f[0] + f[1])
            .arg(client.height() + f[2] + f[3]);
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_load;
};

TEST_F(PositionDesktop, StartAndCloseTwentyTimesUnderLoadSavesWhatWasRead)
{
    if (!s_screen.isOpen() || !s_screen.hasWindowManager())
        GTEST_SKIP() << "needs an X display with a window manager";
    startLoad();
    for (const char *stored : {"300:200:460:309", "10:60:200:300"}) {
        int wrong = 0;
        QStringList saved;
        for (int round = 0; round < 10; ++round) {
            tarvik::testing::writeFile(path(QStringLiteral("ECRAN.MENU.INI")),
                                       QByteArray("[tarvik]\r\nForm1=") + stored + "\r\n");
            const QString got = startAndClose(round % 2 == 1);
            saved << got;
            if (got != QLatin1String(stored))
                ++wrong;
        }
        EXPECT_EQ(wrong, 0) << "stored " << stored << ", saved " << saved.join(QStringLiteral(" ")).toStdString();
    }
}

} // namespace
