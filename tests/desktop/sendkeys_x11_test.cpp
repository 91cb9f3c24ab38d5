// SendKeys on the real X11 keyboard back-end: keys go through XTest to a real
// client window (a Qt text editor of this process, focused on the X server)
// and the text that window receives is checked. Needs an X display with XKB
// and XTEST (the test run provides Xvfb).

#include "lib/sndkey32.h"
#include "QtPrinters.h"
#include "platform/X11Keyboard.h"

#include "TestDialogs.h"

#include <gtest/gtest.h>

#include "DesktopSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QThread>
#include <QWindow>

#include <atomic>
#include <ostream>
#include <thread>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using tarvik::SendKeys;
using tarvik::X11Keyboard;

void pumpFor(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

// The keyboard mapping of the server, every keycode's symbols.
std::vector<KeySym> keyboardMapping(Display *dpy)
{
    int minKc = 0, maxKc = 0, perKey = 0;
    XDisplayKeycodes(dpy, &minKc, &maxKc);
    KeySym *map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKc), maxKc - minKc + 1, &perKey);
    std::vector<KeySym> all(map, map + (maxKc - minKc + 1) * perKey);
    XFree(map);
    return all;
}

class SendKeysX11 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "sendkeys_x11_test";
        static char *argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
        s_editor = new QPlainTextEdit;
        s_editor->setWindowTitle(QStringLiteral("cible des touches"));
        s_editor->resize(500, 300);
        s_editor->show();
    }

    static void TearDownTestSuite()
    {
        delete s_editor;
        s_editor = nullptr;
    }

    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "desktop tests need an X display";
        ASSERT_NE(s_editor, nullptr);
        m_dpy = XOpenDisplay(nullptr);
        ASSERT_NE(m_dpy, nullptr);
        m_previous = tarvik::setKeyboard(&m_keyboard);
        focusEditor();
        setLock(LockMask, false);
    }

    void TearDown() override
    {
        tarvik::setKeyboard(m_previous);
        if (m_dpy) {
            setLock(LockMask, false);
            XCloseDisplay(m_dpy);
        }
    }

    void focusEditor()
    {
        ASSERT_TRUE(tarvik::testing::focusOnX(m_dpy, s_editor)) << "the editor window never got the keyboard focus";
    }

    unsigned modMask(KeySym lockKey) { return XkbKeysymToModifiers(m_dpy, lockKey); }

    bool locked(unsigned mask)
    {
        XkbStateRec st{};
        XkbGetState(m_dpy, XkbUseCoreKbd, &st);
        return (st.locked_mods & mask) != 0;
    }

    void setLock(unsigned mask, bool on)
    {
        XkbLockModifiers(m_dpy, XkbUseCoreKbd, mask, on ? mask : 0);
        XSync(m_dpy, False);
    }

    // Plays the sequence into the editor and returns what the editor holds
    // once the expected text arrived or two seconds went by.
    QString typed(const QString &sequence, const QString &expected, bool expectResult = true)
    {
        s_editor->clear();
        pumpFor(20);
        EXPECT_EQ(SendKeys(sequence, true), expectResult) << sequence.toStdString();
        QElapsedTimer t;
        t.start();
        while (s_editor->toPlainText() != expected && t.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
        // Nothing more may arrive after the expected text.
        pumpFor(50);
        return s_editor->toPlainText();
    }

    struct Layout {
        QString layout, variant, options;
    };
    static QString run(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("setxkbmap"), args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return QStringLiteral("#failed");
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    static Layout currentLayout()
    {
        Layout l;
        const QString out = run({QStringLiteral("-query")});
        for (const QString &line : out.split(u'\n')) {
            const QString value = line.section(u':', 1).trimmed();
            if (line.startsWith(QLatin1String("layout:")))
                l.layout = value;
            else if (line.startsWith(QLatin1String("variant:")))
                l.variant = value;
            else if (line.startsWith(QLatin1String("options:")))
                l.options = value;
        }
        return l;
    }

    static QPlainTextEdit *s_editor;
    Display *m_dpy = nullptr;
    X11Keyboard m_keyboard;
    tarvik::testing::TestDialogs m_dialogs;
    tarvik::Keyboard *m_previous = nullptr;
};

QPlainTextEdit *SendKeysX11::s_editor = nullptr;

struct TextCase {
    const char *sequence;
    const char *expected;
};

// Sequences that every layout used here must type exactly.
const TextCase kSequences[] = {
    {"+(ab)c{TAB}d~", "ABc\td\n"},
    {"abAB", "abAB"},
    {"1234567890", "1234567890"},
    {"!@#$*&-=_[]\\|;:'\",.<>/?`", "!@#$*&-=_[]\\|;:'\",.<>/?`"},
    {"\xc3\xa9l\xc3\xa8ve", "\xc3\xa9l\xc3\xa8ve"},
    {"\xc3\x87" "a co\xc3\xbbte 5 \xe2\x82\xac, \xc3\xa9t\xc3\xa9 \xc3\xa0 No\xc3\xabl", "\xc3\x87" "a co\xc3\xbbte 5 \xe2\x82\xac, \xc3\xa9t\xc3\xa9 \xc3\xa0 No\xc3\xabl"},
    {"{{}x{}}", "{x}"},
    {"abc{BKSP 2}d{LEFT}{HOME}>{END}<", ">ad<"},
    {"{a 3}{TAB 2}+{b 2}", "AAA\t\tBB"},
};

TEST_F(SendKeysX11, TypesTheSequencesExactly)
{
    for (const TextCase &c : kSequences)
        EXPECT_EQ(typed(QString::fromUtf8(c.sequence), QString::fromUtf8(c.expected)),
                  QString::fromUtf8(c.expected))
            << c.sequence;
    EXPECT_TRUE(m_dialogs.records.empty());
}

TEST_F(SendKeysX11, CapsLockOnDoesNotChangeTheTextAndStaysOn)
{
    setLock(LockMask, true);
    for (const TextCase &c : kSequences) {
        EXPECT_EQ(typed(QString::fromUtf8(c.sequence), QString::fromUtf8(c.expected)),
                  QString::fromUtf8(c.expected))
            << c.sequence;
        EXPECT_TRUE(locked(LockMask)) << "Caps Lock was not given back after " << c.sequence;
    }
    // A {CAPSLOCK} of the sequence still flips the user's state.
    EXPECT_EQ(typed(QStringLiteral("a{CAPSLOCK}b"), QStringLiteral("aB")), QStringLiteral("aB"));
    EXPECT_FALSE(locked(LockMask));
}

TEST_F(SendKeysX11, SpareKeycodesAreRestoredAfterTheSequence)
{
    const std::vector<KeySym> before = keyboardMapping(m_dpy);
    EXPECT_EQ(typed(QString::fromUtf8("\xc3\xa9\xc3\xa8\xc3\xa0\xc3\xb9\xc3\xa7\xc5\x93\xe2\x82\xac\xc3\xa9"),
                    QString::fromUtf8("\xc3\xa9\xc3\xa8\xc3\xa0\xc3\xb9\xc3\xa7\xc5\x93\xe2\x82\xac\xc3\xa9")),
              QString::fromUtf8("\xc3\xa9\xc3\xa8\xc3\xa0\xc3\xb9\xc3\xa7\xc5\x93\xe2\x82\xac\xc3\xa9"));
    EXPECT_TRUE(keyboardMapping(m_dpy) == before) << "the keyboard mapping was left changed";
}

TEST_F(SendKeysX11, NumLockIsTheKeyboardLockState)
{
    const unsigned numLock = modMask(XK_Num_Lock);
    ASSERT_NE(numLock, 0u);
    const bool before = locked(numLock);
    EXPECT_TRUE(SendKeys(QStringLiteral("{NUMLOCK}"), true));
    EXPECT_EQ(locked(numLock), !before);
    EXPECT_EQ(m_keyboard.numLockOn(), !before);
    EXPECT_TRUE(SendKeys(QStringLiteral("{NUMLOCK 3}"), true));
    EXPECT_EQ(locked(numLock), before);
}

TEST_F(SendKeysX11, WaitsForAHeldModifierToComeUp)
{
    const KeyCode control = XKeysymToKeycode(m_dpy, XK_Control_L);
    ASSERT_NE(control, 0);
    XTestFakeKeyEvent(m_dpy, control, True, CurrentTime);
    XSync(m_dpy, False);
    // The user lets go of Ctrl a little after the sequence started.
    std::atomic<bool> released{false};
    std::thread user([&released, control] {
        QThread::msleep(250);
        Display *other = XOpenDisplay(nullptr);
        XTestFakeKeyEvent(other, control, False, CurrentTime);
        XSync(other, False);
        XCloseDisplay(other);
        released = true;
    });
    EXPECT_EQ(typed(QStringLiteral("abAB"), QStringLiteral("abAB")), QStringLiteral("abAB"));
    user.join();
    EXPECT_TRUE(released);
    EXPECT_EQ(m_keyboard.forcedReleases(), 0);

    // A modifier that never comes up is released after the wait.
    m_keyboard.setHeldModifierWait(100);
    XTestFakeKeyEvent(m_dpy, control, True, CurrentTime);
    XSync(m_dpy, False);
    EXPECT_EQ(typed(QStringLiteral("abAB"), QStringLiteral("abAB")), QStringLiteral("abAB"));
    EXPECT_EQ(m_keyboard.forcedReleases(), 1);
    char keys[32];
    XQueryKeymap(m_dpy, keys);
    EXPECT_FALSE(keys[control / 8] & (1 << (control % 8)));
}

TEST_F(SendKeysX11, AzertyLayoutTypesAzerty)
{
    const Layout original = currentLayout();
    if (original.layout.isEmpty())
        GTEST_SKIP() << "setxkbmap is not available (package x11-xkb-utils)";
    ASSERT_NE(run({QStringLiteral("-layout"), QStringLiteral("fr")}), QStringLiteral("#failed"));
    pumpFor(300); // the editor reads the new keymap
    focusEditor();
    const TextCase cases[] = {
        {"azerty +(azerty) 1234567890", "azerty AZERTY 1234567890"},
        {"\xc3\xa9\xc3\xa8\xc3\xa7\xc3\xa0&@#[]|{{}x{}}", "\xc3\xa9\xc3\xa8\xc3\xa7\xc3\xa0&@#[]|{x}"},
        {"qwQW mM,;:!", "qwQW mM,;:!"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(typed(QString::fromUtf8(c.sequence), QString::fromUtf8(c.expected)),
                  QString::fromUtf8(c.expected))
            << c.sequence;
    setLock(LockMask, true);
    EXPECT_EQ(typed(QStringLiteral("aQ1"), QStringLiteral("aQ1")), QStringLiteral("aQ1"));
    setLock(LockMask, false);

    QStringList restore{QStringLiteral("-layout"), original.layout};
    restore << QStringLiteral("-variant") << original.variant;
    if (!original.options.isEmpty())
        restore << QStringLiteral("-option") << QString() << QStringLiteral("-option") << original.options;
    EXPECT_NE(run(restore), QStringLiteral("#failed"));
    pumpFor(300);
    EXPECT_EQ(currentLayout().layout, original.layout);
}

} // namespace
