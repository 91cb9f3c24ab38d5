// The Windows keyboard back-end against the services it calls (run under
// Wine on the build machine): keys only for the window in front, the layout
// mapping, characters without a key, and the player typing into a window of
// this thread while its own message pump runs.
#include <QtGlobal>

#include <gtest/gtest.h>

#ifndef Q_OS_WIN

TEST(Win32Keyboard, RunsOnWindowsOnly)
{
    GTEST_SKIP() << "the Windows back-ends are built for Windows only";
}

#else

#include "lib/sndkey32.h"
#include "platform/PrivateVirtualKeys.h"
#include "platform/win32/Win32Keyboard.h"

#include <QDeadlineTimer>
#include <QString>

#include <functional>
#include <windows.h>

using namespace tarvik;

namespace {

quint64 handleOf(HWND w) { return quint64(reinterpret_cast<quintptr>(w)); }

// A window of this process, hidden, made with the system's own class.
HWND makeWindow(const QString &title)
{
    return CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t *>(title.utf16()), WS_OVERLAPPED, 0, 0, 50, 50,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Handles this thread's messages until the condition holds or the time is up.
bool pumpUntil(const std::function<bool()> &condition, int milliseconds = 10000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
    return true;
}

// A window of this thread in front, holding the keyboard, that writes down
// every character it is given.
class TypingWindow {
public:
    TypingWindow()
    {
        WNDCLASSW kind = {};
        kind.lpfnWndProc = &TypingWindow::procedure;
        kind.hInstance = GetModuleHandleW(nullptr);
        kind.lpszClassName = L"TarvikTypingWindow";
        RegisterClassW(&kind);
        m_window = CreateWindowExW(0, kind.lpszClassName, L"Tarvik frappe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                   100, nullptr, nullptr, kind.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TypingWindow() { DestroyWindow(m_window); }

    HWND handle() const { return m_window; }
    bool bringToFront()
    {
        SetForegroundWindow(m_window);
        SetFocus(m_window);
        return pumpUntil([&] { return GetForegroundWindow() == m_window && GetFocus() == m_window; });
    }
    QString text;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CHAR) {
            auto *self = reinterpret_cast<TypingWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self)
                self->text.append(QChar(char16_t(wParam)));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

// The back-end installed as the process's keyboard for one test.
class InstalledKeyboard {
public:
    InstalledKeyboard() : m_previous(setKeyboard(&backend)) {}
    ~InstalledKeyboard() { setKeyboard(m_previous); }
    win32::Win32Keyboard backend;

private:
    Keyboard *m_previous;
};

} // namespace

// With a target that is not the foreground window, presses are held back
// and releases go out; without a target every key goes out.
TEST(Win32Keyboard, KeysOnlyWhileTheTargetIsInFront)
{
    win32::Win32Keyboard keyboard;
    const HWND other = makeWindow(QStringLiteral("Tarvik cible"));
    ASSERT_NE(other, nullptr);
    keyboard.setTargetWindow(handleOf(other));
    EXPECT_FALSE(keyboard.targetHasKeyboard());
    EXPECT_FALSE(keyboard.keybdEvent(VK_SHIFT, 0x2A, 0));
    EXPECT_TRUE(keyboard.keybdEvent(VK_SHIFT, 0x2A, KEYEVENTF_KEYUP));
    keyboard.setTargetWindow(0);
    EXPECT_TRUE(keyboard.targetHasKeyboard());
    EXPECT_TRUE(keyboard.keybdEvent(VK_SHIFT, 0x2A, 0));
    EXPECT_TRUE(keyboard.keybdEvent(VK_SHIFT, 0x2A, KEYEVENTF_KEYUP));
    DestroyWindow(other);
}

TEST(Win32Keyboard, LayoutMappingOfTheCurrentKeyboard)
{
    win32::Win32Keyboard keyboard;
    EXPECT_EQ(keyboard.vkKeyScan(u'5') & 0xFF, 0x35);
    EXPECT_EQ(keyboard.vkKeyScan(u'\r') & 0xFF, VK_RETURN);
    // A letter's key is the same with or without shift; the shift bit tells them apart.
    const quint16 lower = keyboard.vkKeyScan(u'a');
    const quint16 upper = keyboard.vkKeyScan(u'A');
    ASSERT_NE(lower, INVALIDKEY);
    EXPECT_EQ(lower & 0xFF, upper & 0xFF);
    EXPECT_EQ(lower >> 8, 0);
    EXPECT_EQ(upper >> 8, VKKEYSCANSHIFTON);
    EXPECT_EQ(keyboard.mapVirtualKey(VK_RETURN), 0x1Cu);
    EXPECT_EQ(keyboard.mapVirtualKey(VK_ESCAPE), 0x01u);
}


// What no key of the layout types by itself gets a private code, kept for
// the sequence; pressing it types the character (below).
TEST(Win32Keyboard, CharactersWithoutAKeyGetAPrivateCodeForTheSequence)
{
    win32::Win32Keyboard keyboard;
    const QList<quint8> &pool = privateVirtualKeys();
    // No layout has a key for a CJK ideograph or a musical sign.
    const QChar ideograph(0x4E2D), note(0x266B);
    ASSERT_EQ(VkKeyScanW(wchar_t(ideograph.unicode())), -1);
    ASSERT_EQ(VkKeyScanW(wchar_t(note.unicode())), -1);

    keyboard.beginSequence();
    const quint16 first = keyboard.vkKeyScan(ideograph);
    const quint16 second = keyboard.vkKeyScan(note);
    EXPECT_EQ(first, pool.at(0));
    EXPECT_EQ(second, pool.at(1));
    EXPECT_EQ(keyboard.vkKeyScan(ideograph), first) << "asked again in the same sequence";
    EXPECT_EQ(keyboard.mapVirtualKey(first), 0u);
    EXPECT_EQ(keyboard.vkKeyScan(u'a') & 0xFF, 0x41) << "a key of the layout keeps its code";

    // A new sequence hands the codes out afresh.
    keyboard.beginSequence();
    EXPECT_EQ(keyboard.vkKeyScan(note), pool.at(0));

    // Once the pool has gone round, the oldest code serves the next character.
    keyboard.beginSequence();
    for (qsizetype i = 0; i < pool.size(); ++i)
        ASSERT_EQ(keyboard.vkKeyScan(QChar(char16_t(0x4E00 + i))), pool.at(i));
    EXPECT_EQ(keyboard.vkKeyScan(note), pool.at(0));
    EXPECT_EQ(keyboard.vkKeyScan(QChar(char16_t(0x4E02))), pool.at(2)) << "still the code it was given";
    EXPECT_EQ(keyboard.vkKeyScan(QChar(char16_t(0x4E00))), pool.at(1)) << "its code went to another";
    EXPECT_NE(keyboard.vkKeyScan(QChar(char16_t(0x4E00))), keyboard.vkKeyScan(note));
}

// The player types into a window of this thread: with Wait its own pump
// hands every key to the window while playing, so the whole text is there
// when the sequence ends; without it the keys wait in the thread's queue.
TEST(Win32Keyboard, ThePlayersOwnPumpHandsTheKeysToThisThreadsWindow)
{
    struct Case {
        const char16_t *sequence;
        const char16_t *typed;
    };
    const Case cases[] = {
        {u"+bonjour 42~", u"Bonjour 42\r"},
        // Letters of French, with a key or not on the layout of the run.
        {u"D\u00e9j\u00e0 \u00e7a, \u00e8 \u00f9 \u00ea \u0153 \u20ac", u"D\u00e9j\u00e0 \u00e7a, \u00e8 \u00f9 \u00ea \u0153 \u20ac"},
        {u"{\u00e9 3}x{\u4e2d}", u"\u00e9\u00e9\u00e9x\u4e2d"},
    };
    InstalledKeyboard keyboard;
    TypingWindow window;
    ASSERT_TRUE(window.bringToFront()) << "the window never came to the front";
    keyboard.backend.setTargetWindow(handleOf(window.handle()));
    for (bool wait : {true, false}) {
        for (const Case &c : cases) {
            const QString sequence = QString::fromUtf16(c.sequence);
            const QString typed = QString::fromUtf16(c.typed);
            SCOPED_TRACE(testing::Message() << sequence.toStdString() << (wait ? " with" : " without") << " Wait");
            window.text.clear();
            ASSERT_EQ(SendKeysToTarget(sequence, wait, {}), SendKeysEnd::Played);
            if (wait) {
                EXPECT_EQ(window.text.toStdString(), typed.toStdString());
            } else {
                EXPECT_EQ(window.text.toStdString(), "") << "handled before the queue was read";
                EXPECT_TRUE(pumpUntil([&] { return window.text.size() >= typed.size(); }))
                    << window.text.toStdString();
                EXPECT_EQ(window.text.toStdString(), typed.toStdString());
            }
            // No key is left down.
            for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
                EXPECT_EQ(GetAsyncKeyState(vk) & 0x8000, 0) << vk;
        }
    }
    keyboard.backend.setTargetWindow(0);
}

#endif
