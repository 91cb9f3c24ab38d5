// The keystroke grammar played against the recording keyboard (US layout).

#include "lib/sndkey32.h"
#include "QtPrinters.h"

#include "RecordingKeyboard.h"
#include "TestDialogs.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

using tarvik::SendKeys;
using tarvik::testing::RecordingKeyboard;
using tarvik::testing::TestDialogs;

namespace {

struct Played {
    bool result;
    QString trace;
    QStringList messages;
    QList<quint8> keysDown;
};

Played play(const QString &sequence)
{
    RecordingKeyboard keyboard;
    TestDialogs dialogs;
    Played p;
    p.result = SendKeys(sequence, false);
    p.trace = keyboard.trace();
    for (const auto &r : dialogs.records) {
        EXPECT_EQ(r.kind, QStringLiteral("messageBox"));
        EXPECT_EQ(r.caption, QStringLiteral("SendKeys"));
        EXPECT_EQ(r.flags, tarvik::MB_OK);
        p.messages << r.text;
    }
    p.keysDown = keyboard.keysDown();
    return p;
}

struct GrammarCase {
    const char *sequence;
    bool result;
    const char *trace;   // vk in hex, + press, - release, x extended flag
    const char *message; // the one SendKeys box, or empty
};

class Grammar : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(Grammar, PlaysTheExpectedEvents)
{
    const GrammarCase &c = GetParam();
    const Played p = play(QString::fromUtf8(c.sequence));
    EXPECT_EQ(p.result, c.result);
    EXPECT_EQ(p.trace, QString::fromLatin1(c.trace));
    if (*c.message)
        EXPECT_EQ(p.messages, QStringList{QString::fromLatin1(c.message)});
    else
        EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join(u'|').toStdString();
    EXPECT_TRUE(p.keysDown.isEmpty()) << "a key was left down";
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Grammar,
    ::testing::Values(
        // Modifiers: held for the next key only, or for a whole group.
        GrammarCase{"+ab", true, "10+ 41+ 41- 10- 42+ 42-", ""},
        GrammarCase{"+(ab)", true, "10+ 41+ 41- 42+ 42- 10-", ""},
        GrammarCase{"+(ab)c", true, "10+ 41+ 41- 42+ 42- 10- 43+ 43-", ""},
        GrammarCase{"%f", true, "12+ 46+ 46- 12-", ""},
        GrammarCase{"^c", true, "11+ 43+ 43- 11-", ""},
        GrammarCase{"^%{DEL}", true, "11+ 12+ 2E+x 2E-x 11- 12-", ""},
        GrammarCase{"+(a~b)", true, "10+ 41+ 41- 0D+ 0D- 42+ 42- 10-", ""},
        GrammarCase{"+(a+b)", true, "10+ 41+ 41- 10+ 42+ 42- 10-", ""},
        // Characters carry their own shift state, released at once.
        GrammarCase{"aA!", true, "41+ 41- 10+ 41+ 41- 10- 10+ 31+ 31- 10-", ""},
        GrammarCase{"a~", true, "41+ 41- 0D+ 0D-", ""},
        // Braced keys and repeat counts.
        GrammarCase{"{TAB 3}", true, "09+ 09- 09+ 09- 09+ 09-", ""},
        GrammarCase{"{a 3}", true, "10+ 41+ 41- 41+ 41- 41+ 41- 10-", ""},
        GrammarCase{"{TAB 0}", true, "", ""},
        GrammarCase{"{TAB 65537}", true, "09+ 09-", ""},
        GrammarCase{"{TAB  2}", true, "09+ 09- 09+ 09-", ""},
        GrammarCase{"{TAB +2}", true, "09+ 09- 09+ 09-", ""},
        GrammarCase{"{TAB $2}", true, "09+ 09- 09+ 09-", ""},
        GrammarCase{"{TAB x2}", true, "09+ 09- 09+ 09-", ""},
        GrammarCase{"{TAB 0X2}", true, "09+ 09- 09+ 09-", ""},
        GrammarCase{"{TAB -2147483648}", true, "", ""},
        GrammarCase{"{ENTER}{ESC}{ESCAPE}", true, "0D+ 0D- 1B+ 1B- 1B+ 1B-", ""},
        // The braces themselves.
        GrammarCase{"{{}", true, "10+ DB+ DB- 10-", ""},
        GrammarCase{"{{x", true, "10+ DB+ DB- 10-", ""},
        GrammarCase{"{{}a", true, "10+ DB+ DB- 10- 41+ 41-", ""},
        GrammarCase{"{}}", true, "10+ DD+ DD- 10-", ""},
        GrammarCase{"{F1}}", true, "10+ DD+ DD- 10-", ""},
        GrammarCase{"{", false, "", "No Close"},
        GrammarCase{"x{{", true, "58+ 58- 10+ DB+ DB- 10-", ""},
        // Names in any case, the long and short ones.
        GrammarCase{"{bksp}", true, "08+ 08-", ""},
        GrammarCase{"{Bksp}", true, "08+ 08-", ""},
        GrammarCase{"{BKSP}", true, "08+ 08-", ""},
        GrammarCase{"{BACKSPACE}", true, "08+ 08-", ""},
        GrammarCase{"{bs 2}", true, "08+ 08- 08+ 08-", ""},
        // Extended keys carry the flag on press and release, others never.
        GrammarCase{"{PGUP}{PGDN}{END}{HOME}", true, "21+x 21-x 22+x 22-x 23+x 23-x 24+x 24-x", ""},
        GrammarCase{"{LEFT}{UP}{RIGHT}{DOWN}", true, "25+x 25-x 26+x 26-x 27+x 27-x 28+x 28-x", ""},
        GrammarCase{"{INS}{DEL}{DELETE}", true, "2D+x 2D-x 2E+x 2E-x 2E+x 2E-x", ""},
        GrammarCase{"{HELP}{PRTSC}{CLEAR}{BREAK}", true, "2F+ 2F- 2A+ 2A- 0C+ 0C- 03+ 03-", ""},
        GrammarCase{"+{END}", true, "10+ 23+x 23-x 10-", ""},
        // Errors that do not stop the playing.
        GrammarCase{"{}", true, "", "Invalid Key Name"},
        GrammarCase{"{NOPE}b", true, "42+ 42-", "Invalid Key Name"},
        GrammarCase{"{F17}", true, "", "Invalid Key Name"},
        GrammarCase{"a\xc3\xa9" "b", true, "41+ 41- 42+ 42-", "Invalid KeyName"},
        GrammarCase{"{\xc3\xa9}b", true, "42+ 42-", ""},
        GrammarCase{"+\xc3\xa9" "a", true, "10+ 41+ 41- 10-", "Invalid KeyName"},
        // Playing stops at an unclosed brace; held modifiers come up.
        GrammarCase{"+(abc", true, "10+ 41+ 41- 42+ 42- 43+ 43- 10-", ""},
        GrammarCase{"+{F1", false, "10+ 10-", "No Close"},
        GrammarCase{"^(+a{TAB 2", false, "11+ 10+ 41+ 41- 10- 11-", "No Close"},
        GrammarCase{"a{TAB", false, "41+ 41-", "No Close"},
        GrammarCase{"", false, "", ""}));

TEST(SendKeys, EveryKeyNameIsFound)
{
    const std::pair<const char *, quint8> names[] = {
        {"BACKSPACE", 0x08}, {"BKSP", 0x08},   {"BREAK", 0x03},   {"BS", 0x08},     {"CAPSLOCK", 0x14},
        {"CLEAR", 0x0C},     {"DEL", 0x2E},    {"DELETE", 0x2E},  {"DOWN", 0x28},   {"END", 0x23},
        {"ENTER", 0x0D},     {"ESC", 0x1B},    {"ESCAPE", 0x1B},  {"F1", 0x70},     {"F10", 0x79},
        {"F11", 0x7A},       {"F12", 0x7B},    {"F13", 0x7C},     {"F14", 0x7D},    {"F15", 0x7E},
        {"F16", 0x7F},       {"F2", 0x71},     {"F3", 0x72},      {"F4", 0x73},     {"F5", 0x74},
        {"F6", 0x75},        {"F7", 0x76},     {"F8", 0x77},      {"F9", 0x78},     {"HELP", 0x2F},
        {"HOME", 0x24},      {"INS", 0x2D},    {"LEFT", 0x25},    {"PGDN", 0x22},   {"PGUP", 0x21},
        {"PRTSC", 0x2A},     {"RIGHT", 0x27},  {"SCROLLLOCK", 0x91}, {"TAB", 0x09}, {"UP", 0x26},
    };
    for (const auto &[name, vk] : names) {
        RecordingKeyboard keyboard;
        TestDialogs dialogs;
        EXPECT_TRUE(SendKeys(QStringLiteral("{%1}").arg(QLatin1String(name)), false)) << name;
        ASSERT_EQ(keyboard.events.size(), 2u) << name;
        EXPECT_EQ(keyboard.events[0].vk, vk) << name;
        EXPECT_TRUE(keyboard.events[0].press()) << name;
        EXPECT_EQ(keyboard.events[1].vk, vk) << name;
        EXPECT_FALSE(keyboard.events[1].press()) << name;
        EXPECT_EQ(keyboard.events[0].scan, RecordingKeyboard::usScanCode(vk)) << name;
        EXPECT_TRUE(dialogs.records.empty()) << name;
    }
}

TEST(SendKeys, NegativeCountIsTakenModulo65536)
{
    for (const char *sequence : {"{TAB -1}", "{TAB $FFFFFFFF}"}) {
        RecordingKeyboard keyboard;
        EXPECT_TRUE(SendKeys(QString::fromLatin1(sequence), false));
        ASSERT_EQ(keyboard.events.size(), 2u * 65535u) << sequence;
        const auto tabs = std::count_if(keyboard.events.begin(), keyboard.events.end(), [](const auto &e) {
            return e.vk == 0x09 && e.flags == (e.press() ? 0u : tarvik::KEYEVENTF_KEYUP);
        });
        EXPECT_EQ(tabs, 2 * 65535) << sequence;
        EXPECT_TRUE(keyboard.events.back() == (tarvik::testing::KeyEvent{0x09, 0x0F, tarvik::KEYEVENTF_KEYUP}));
    }
}

TEST(SendKeys, NumLockFlipsTheToggleWithoutKeyEvents)
{
    struct Case {
        const char *sequence;
        bool before, after;
        int writes;
    };
    for (const Case &c : {Case{"{NUMLOCK 5}", false, true, 1}, Case{"{NUMLOCK}", true, false, 1},
                          Case{"{NUMLOCK 0}", true, false, 1}, Case{"{NUMLOCK}{numlock}", false, false, 2},
                          Case{"+{NUMLOCK}", false, true, 1}}) {
        RecordingKeyboard keyboard;
        keyboard.numLock = c.before;
        EXPECT_TRUE(SendKeys(QString::fromLatin1(c.sequence), false));
        EXPECT_EQ(keyboard.numLock, c.after) << c.sequence;
        EXPECT_EQ(keyboard.numLockWrites, c.writes) << c.sequence;
        const bool onlyShift = std::all_of(keyboard.events.begin(), keyboard.events.end(),
                                           [](const auto &e) { return e.vk == tarvik::VK_SHIFT; });
        EXPECT_TRUE(onlyShift) << c.sequence << ": " << keyboard.trace().toStdString();
    }
}

TEST(SendKeys, CountThatIsNotANumberIsAConversionError)
{
    struct Case {
        const char *sequence;
        const char *count;  // as collected: letters a to z upper-cased
        const char *before; // events played before the error, modifiers released after
    };
    for (const Case &c : {Case{"{TAB x}", "X", ""}, Case{"+(a{TAB x}b)", "X", "10+ 41+ 41- 10-"},
                          Case{"^{TAB 2 }", "2 ", "11+ 11-"}, Case{"{TAB }", "", ""},
                          Case{"{TAB 3a}", "3A", ""}, Case{"{TAB 4294967296}", "4294967296", ""},
                          Case{"{TAB 2147483648}", "2147483648", ""}, Case{"{TAB 0x}", "0X", ""},
                          Case{"{TAB -}", "-", ""}, Case{"{TAB $G}", "$G", ""}}) {
        RecordingKeyboard keyboard;
        TestDialogs dialogs;
        try {
            SendKeys(QString::fromLatin1(c.sequence), true);
            ADD_FAILURE() << c.sequence << " did not throw";
        } catch (const tarvik::ConvertError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("''%1'' n'est pas une valeur entière valide")
                                       .arg(QLatin1String(c.count)))
                << c.sequence;
        }
        EXPECT_EQ(keyboard.trace(), QString::fromLatin1(c.before)) << c.sequence;
        EXPECT_TRUE(keyboard.keysDown().isEmpty()) << c.sequence;
        EXPECT_EQ(keyboard.endCalls, 1) << c.sequence;
        EXPECT_TRUE(dialogs.records.empty()) << c.sequence;
    }
}

TEST(SendKeys, ScanCodesComeFromTheLayout)
{
    RecordingKeyboard keyboard;
    EXPECT_TRUE(SendKeys(QStringLiteral("+q{F12}"), false));
    const std::vector<tarvik::testing::KeyEvent> expected{
        {0x10, 0x2A, 0},    {0x51, 0x10, 0}, {0x51, 0x10, tarvik::KEYEVENTF_KEYUP},
        {0x10, 0x2A, tarvik::KEYEVENTF_KEYUP}, {0x7B, 0x58, 0}, {0x7B, 0x58, tarvik::KEYEVENTF_KEYUP}};
    EXPECT_EQ(keyboard.events, expected);
}

TEST(SendKeys, WaitPumpsAfterEveryEventAndHooksFrameTheSequence)
{
    for (bool wait : {false, true}) {
        RecordingKeyboard keyboard;
        EXPECT_TRUE(SendKeys(QStringLiteral("+ab{TAB 2}"), wait));
        EXPECT_EQ(keyboard.events.size(), 10u);
        EXPECT_EQ(keyboard.pumpCalls, wait ? 10 : 0);
        EXPECT_EQ(keyboard.beginCalls, 1);
        EXPECT_EQ(keyboard.endCalls, 1);
    }
    RecordingKeyboard keyboard;
    EXPECT_FALSE(SendKeys(QString(), true));
    EXPECT_EQ(keyboard.beginCalls, 0);
    EXPECT_EQ(keyboard.endCalls, 0);
    EXPECT_EQ(keyboard.pumpCalls, 0);
}

TEST(SendKeys, MessageBoxesInterruptButDoNotStopThePlaying)
{
    RecordingKeyboard keyboard;
    TestDialogs dialogs;
    EXPECT_TRUE(SendKeys(QString::fromUtf8("+(a{XX}\xc3\xa9" "b)"), false));
    EXPECT_EQ(dialogs.texts(), (QStringList{QStringLiteral("Invalid Key Name"), QStringLiteral("Invalid KeyName")}));
    EXPECT_EQ(keyboard.trace(), QStringLiteral("10+ 41+ 41- 42+ 42- 10-"));
}

// ---- playing for a target window ---------------------------------------------

TEST(SendKeysToTarget, StopsAtTheFirstPressHeldBackAndReleasesEverything)
{
    using tarvik::SendKeysEnd;
    struct Case {
        const char *sequence;
        int focusLostAfterEvents; // -1: never
        SendKeysEnd end;
        const char *trace;
    };
    const Case cases[] = {
        {"abc", -1, SendKeysEnd::Played, "41+ 41- 42+ 42- 43+ 43-"},
        {"abc", 2, SendKeysEnd::TargetLost, "41+ 41-"},
        // The player's own Shift and the character's Shift both come up.
        {"+(abc)", 3, SendKeysEnd::TargetLost, "10+ 41+ 41- 10-"},
        {"^+(aB", 4, SendKeysEnd::TargetLost, "11+ 10+ 41+ 41- 10- 11-"},
        // Held back between the Shift of a capital and its letter.
        {"aB", 3, SendKeysEnd::TargetLost, "41+ 41- 10+ 10-"},
        {"{TAB 5}", 4, SendKeysEnd::TargetLost, "09+ 09- 09+ 09-"},
        {"ab{TAB", -1, SendKeysEnd::NoClose, "41+ 41- 42+ 42-"},
        {"", -1, SendKeysEnd::Empty, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sequence);
        RecordingKeyboard keyboard;
        TestDialogs dialogs;
        keyboard.target = 0x4200001;
        keyboard.afterEvent = [&c](RecordingKeyboard &k) {
            if (int(k.events.size()) == c.focusLostAfterEvents)
                k.focusInTarget = false;
        };
        EXPECT_EQ(tarvik::SendKeysToTarget(QString::fromUtf8(c.sequence), false, {}), c.end);
        EXPECT_EQ(keyboard.trace(), QString::fromUtf8(c.trace));
        EXPECT_TRUE(keyboard.keysDown().isEmpty());
        EXPECT_EQ(keyboard.heldBack, c.end == SendKeysEnd::TargetLost ? 1 : 0);
    }
}

TEST(SendKeysToTarget, AfterItsOwnBoxTheTargetIsAskedBackAndHeldModifiersComeUpMeanwhile)
{
    using tarvik::SendKeysEnd;
    struct Case {
        const char *sequence;
        bool regained;
        SendKeysEnd end;
        const char *trace; // "|" where the box was shown
        int boxes;
    };
    const Case cases[] = {
        {"{FOO}x", true, SendKeysEnd::Played, "| 58+ 58-", 1},
        {"{FOO}x", false, SendKeysEnd::TargetLost, "|", 1},
        {"+(a\xc3\xa9" "b)", true, SendKeysEnd::Played, "10+ 41+ 41- 10- | 10+ 42+ 42- 10-", 1},
        {"+(a\xc3\xa9" "b)", false, SendKeysEnd::TargetLost, "10+ 41+ 41- 10- |", 1},
        {"ab{TAB", true, SendKeysEnd::NoClose, "41+ 41- 42+ 42- |", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sequence);
        RecordingKeyboard keyboard;
        TestDialogs dialogs;
        QString trace;
        dialogs.onMessageBox = [&](const tarvik::testing::DialogRecord &) {
            trace = keyboard.trace();
            keyboard.events.clear();
        };
        int asked = 0;
        const auto regain = [&] {
            ++asked;
            return c.regained;
        };
        EXPECT_EQ(tarvik::SendKeysToTarget(QString::fromUtf8(c.sequence), false, regain), c.end);
        const QString after = keyboard.trace();
        EXPECT_EQ((trace + QStringLiteral(" | ") + after).trimmed(), QString::fromUtf8(c.trace));
        EXPECT_EQ(asked, c.boxes);
        EXPECT_EQ(int(dialogs.records.size()), c.boxes);
    }
}

} // namespace
