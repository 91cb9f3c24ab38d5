// The key table over small hand-made layouts (a US and a French AZERTY
// keyboard): which key, level modifiers or spare keycode each virtual key
// and character comes to, with no X server.

#include "platform/KeyTable.h"
#include "platform/Keyboard.h"
#include "platform/X11KeyboardLayout.h"

#include <gtest/gtest.h>

#include <ostream>

// Keysym names only: macros, no Xlib function.
#include <X11/keysym.h>

using tarvik::INVALIDKEY;
using tarvik::KeyboardLayout;
using tarvik::KeyTable;
using tarvik::VKKEYSCANSHIFTON;

namespace {

// The X modifier bits the layouts use.
constexpr unsigned kShift = 0x01, kLock = 0x02, kControl = 0x04, kMod2 = 0x10, kMod5 = 0x80;

// Keycodes as the evdev rules number them.
constexpr int kAE01 = 10, kAE02 = 11, kAE10 = 19, kAD01 = 24, kAD03 = 26, kAD11 = 34,
              kAC01 = 38, kReturn = 36, kControlL = 37, kShiftL = 50, kAltL = 64, kSpace = 65,
              kCaps = 66, kF5 = 71, kNumLock = 77, kKP7 = 79, kKP1 = 87, kLevel3 = 92,
              kKPEnter = 104, kHome = 110, kCtrlOnly = 200;

KeyboardLayout::Level level(quint32 keysym, QList<unsigned> masks = {})
{
    return KeyboardLayout::Level{keysym, masks};
}

KeyboardLayout::Key one(int kc, quint32 ks) { return {kc, {level(ks)}}; }
KeyboardLayout::Key two(int kc, quint32 plain, quint32 shifted)
{
    return {kc, {level(plain), level(shifted, {kShift})}};
}
KeyboardLayout::Key alphabetic(int kc, quint32 lower, quint32 upper)
{
    return {kc, {level(lower), level(upper, {kShift, kLock})}};
}
KeyboardLayout::Key fourLevel(int kc, quint32 plain, quint32 shifted, quint32 altGr)
{
    return {kc, {level(plain), level(shifted, {kShift}), level(altGr, {kMod5}), level(0, {kShift | kMod5})}};
}
KeyboardLayout::Key keypad(int kc, quint32 plain, quint32 numeric)
{
    return {kc, {level(plain), level(numeric, {kShift, kMod2})}};
}

// The keys both layouts share: control keys, function keys and the keypad.
KeyboardLayout commonLayout()
{
    KeyboardLayout l;
    l.keys = {one(kReturn, XK_Return),      one(kControlL, XK_Control_L), one(kShiftL, XK_Shift_L),
              one(kAltL, XK_Alt_L),         one(kSpace, XK_space),        one(kCaps, XK_Caps_Lock),
              one(kF5, XK_F5),              one(kNumLock, XK_Num_Lock),   keypad(kKP7, XK_KP_Home, XK_KP_7),
              keypad(kKP1, XK_KP_End, XK_KP_1), one(kLevel3, XK_ISO_Level3_Shift), one(kKPEnter, XK_KP_Enter),
              one(kHome, XK_Home),
              // A level only Ctrl selects: never typed through.
              {kCtrlOnly, {level(0), level(XK_yen, {kControl})}}};
    l.modifierMap[0] = {kShiftL};
    l.modifierMap[1] = {kCaps};
    l.modifierMap[2] = {kControlL};
    l.modifierMap[3] = {kAltL};
    l.modifierMap[4] = {kNumLock};
    l.modifierMap[7] = {kLevel3};
    return l;
}

KeyboardLayout usLayout()
{
    KeyboardLayout l = commonLayout();
    l.keys << two(kAE01, XK_1, XK_exclam) << two(kAE02, XK_2, XK_at) << two(kAE10, XK_0, XK_parenright)
           << alphabetic(kAD01, XK_q, XK_Q) << alphabetic(kAD03, XK_e, XK_E)
           << two(kAD11, XK_bracketleft, XK_braceleft) << alphabetic(kAC01, XK_a, XK_A);
    return l;
}

KeyboardLayout azertyLayout()
{
    KeyboardLayout l = commonLayout();
    l.keys << two(kAE01, XK_ampersand, XK_1) << fourLevel(kAE02, XK_eacute, XK_2, XK_asciitilde)
           << fourLevel(kAE10, XK_agrave, XK_0, XK_at) << alphabetic(kAD01, XK_a, XK_A)
           << fourLevel(kAD03, XK_e, XK_E, XK_EuroSign) << two(kAD11, XK_dead_circumflex, XK_dead_diaeresis)
           << alphabetic(kAC01, XK_q, XK_Q);
    return l;
}

enum class Layout { Us, Azerty };

KeyTable tableFor(Layout layout)
{
    return KeyTable(layout == Layout::Us ? usLayout() : azertyLayout(), tarvik::x11KeysymCase, {});
}

const char *layoutName(Layout layout) { return layout == Layout::Us ? "US" : "AZERTY"; }

bool anySpares() { return true; }
bool noSpares() { return false; }
bool nonePressed(quint8) { return false; }

// keycode 0: a spare keycode remapped to spareSyms.
void expectBinding(const tarvik::KeyBinding &b, int keycode, const quint32 (&spareSyms)[2], const QList<int> &modKeycodes)
{
    EXPECT_EQ(b.keycode, keycode);
    EXPECT_EQ(b.spare, keycode == 0);
    if (b.spare) {
        EXPECT_EQ(b.syms[0], spareSyms[0]);
        EXPECT_EQ(b.syms[1], spareSyms[1]);
    }
    EXPECT_EQ(b.modKeycodes, modKeycodes);
}

struct VkCase {
    Layout layout;
    quint8 vk;
    bool extended;
    int keycode;             // 0: a spare keycode
    quint32 spareSyms[2];    // for a spare keycode
    QList<int> modKeycodes;
};

std::ostream &operator<<(std::ostream &os, const VkCase &c)
{
    return os << layoutName(c.layout) << " vk 0x" << std::hex << int(c.vk) << std::dec
              << (c.extended ? " extended" : "");
}

class VirtualKeys : public ::testing::TestWithParam<VkCase> {};

TEST_P(VirtualKeys, ComeToTheirKeyOrASpareKeycode)
{
    const VkCase &c = GetParam();
    const tarvik::KeyBinding b = tableFor(c.layout).resolve(c.vk, c.extended);
    ASSERT_TRUE(b.valid());
    expectBinding(b, c.keycode, c.spareSyms, c.modKeycodes);
}

INSTANTIATE_TEST_SUITE_P(
    KeyTable, VirtualKeys,
    ::testing::Values(
        VkCase{Layout::Us, tarvik::VK_RETURN, false, kReturn, {}, {}},
        VkCase{Layout::Us, tarvik::VK_RETURN, true, kKPEnter, {}, {}},
        VkCase{Layout::Us, 0x74 /* F5 */, false, kF5, {}, {}},
        VkCase{Layout::Us, 0x7C /* F13: no key */, false, 0, {XK_F13, 0}, {}},
        // The keypad's digits sit behind NumLock: a spare keycode gives them plainly.
        VkCase{Layout::Us, 0x61 /* NUMPAD1 */, false, 0, {XK_KP_1, 0}, {}},
        VkCase{Layout::Azerty, 0x67 /* NUMPAD7 */, false, 0, {XK_KP_7, 0}, {}},
        VkCase{Layout::Us, 0x24 /* HOME */, false, kKP7, {}, {}},
        VkCase{Layout::Us, 0x24 /* HOME */, true, kHome, {}, {}},
        VkCase{Layout::Us, tarvik::VK_SHIFT, false, kShiftL, {}, {}},
        VkCase{Layout::Us, tarvik::VK_CONTROL, false, kControlL, {}, {}},
        // No Alt_R key: the key that holds Mod1.
        VkCase{Layout::Us, tarvik::VK_MENU, true, kAltL, {}, {}},
        VkCase{Layout::Us, 'A', false, kAC01, {}, {}},
        VkCase{Layout::Azerty, 'A', false, kAD01, {}, {}},
        VkCase{Layout::Azerty, 'Q', false, kAC01, {}, {}},
        VkCase{Layout::Azerty, '1', false, kAE01, {}, {}},
        VkCase{Layout::Us, tarvik::VK_LeftBracket, false, kAD11, {}, {}},
        VkCase{Layout::Azerty, tarvik::VK_LeftBracket, false, 0, {XK_bracketleft, XK_braceleft}, {}}));

TEST(KeyTable, AVirtualKeyOfNoKnownKeyIsInvalid)
{
    EXPECT_FALSE(tableFor(Layout::Us).resolve(0xFF, false).valid());
}

struct CharCase {
    Layout layout;
    char16_t ch;
    quint8 naturalVk;        // 0: a private virtual key
    bool shift;
    int keycode;             // 0: a spare keycode
    quint32 spareSyms[2];
    QList<int> modKeycodes;
};

std::ostream &operator<<(std::ostream &os, const CharCase &c)
{
    return os << layoutName(c.layout) << " U+" << std::hex << int(c.ch) << std::dec;
}

class Characters : public ::testing::TestWithParam<CharCase> {};

TEST_P(Characters, ComeToAVirtualKeyAndShiftState)
{
    const CharCase &c = GetParam();
    KeyTable table = tableFor(c.layout);
    const quint16 scan = table.vkKeyScan(QChar(c.ch), anySpares, nonePressed);
    ASSERT_NE(scan, INVALIDKEY);
    const quint8 vk = scan & 0xFF;
    EXPECT_EQ(scan >> 8, c.shift ? VKKEYSCANSHIFTON : 0);
    if (c.naturalVk)
        EXPECT_EQ(vk, c.naturalVk);
    else
        EXPECT_FALSE((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) << "vk 0x" << std::hex << int(vk);
    const tarvik::KeyBinding b = table.resolve(vk, false);
    expectBinding(b, c.keycode, c.spareSyms, c.modKeycodes);
}

INSTANTIATE_TEST_SUITE_P(
    KeyTable, Characters,
    ::testing::Values(
        CharCase{Layout::Us, u'a', 'A', false, kAC01, {}, {}},
        CharCase{Layout::Us, u'A', 'A', true, kAC01, {}, {}},
        CharCase{Layout::Us, u'1', '1', false, kAE01, {}, {}},
        CharCase{Layout::Us, u' ', 0x20, false, kSpace, {}, {}},
        CharCase{Layout::Us, u'@', 0, true, kAE02, {}, {}},
        CharCase{Layout::Us, u'\n', 0, false, kReturn, {}, {}},
        CharCase{Layout::Azerty, u'a', 'A', false, kAD01, {}, {}},
        CharCase{Layout::Azerty, u'Q', 'Q', true, kAC01, {}, {}},
        // AZERTY digits need Shift.
        CharCase{Layout::Azerty, u'1', '1', true, kAE01, {}, {}},
        CharCase{Layout::Azerty, u'0', '0', true, kAE10, {}, {}},
        CharCase{Layout::Azerty, u'&', 0, false, kAE01, {}, {}},
        CharCase{Layout::Azerty, u'é', 0, false, kAE02, {}, {}},
        // AltGr characters: the level-three key is held around the key.
        CharCase{Layout::Azerty, u'@', 0, false, kAE10, {}, {kLevel3}},
        CharCase{Layout::Azerty, u'€', 0, false, kAD03, {}, {kLevel3}},
        CharCase{Layout::Azerty, u'~', 0, false, kAE02, {}, {kLevel3}},
        // No key gives them: a spare keycode carries both cases.
        CharCase{Layout::Azerty, u'ŵ', 0, false, 0, {0x1000175, 0x1000174}, {}},
        CharCase{Layout::Azerty, u'Ŵ', 0, true, 0, {0x1000175, 0x1000174}, {}},
        CharCase{Layout::Us, u'[', 0, false, kAD11, {}, {}},
        CharCase{Layout::Azerty, u'[', 0, false, 0, {XK_bracketleft, 0}, {}},
        // Only a Ctrl level gives it.
        CharCase{Layout::Us, u'¥', 0, false, 0, {XK_yen, 0}, {}}));

TEST(KeyTable, ACharacterNoKeyGivesIsInvalidWithoutSpareKeycodes)
{
    KeyTable table = tableFor(Layout::Azerty);
    EXPECT_EQ(table.vkKeyScan(QChar(u'ŵ'), noSpares, nonePressed), INVALIDKEY);
    EXPECT_EQ(table.vkKeyScan(QChar(0xD800), anySpares, nonePressed), INVALIDKEY);
}

TEST(KeyTable, SpareKeycodesAreAskedForOnlyWhenNoKeyGivesTheCharacter)
{
    KeyTable table = tableFor(Layout::Azerty);
    int asked = 0;
    const auto spares = [&asked] {
        ++asked;
        return true;
    };
    table.vkKeyScan(QChar(u'a'), spares, nonePressed);
    table.vkKeyScan(QChar(u'@'), spares, nonePressed);
    EXPECT_EQ(asked, 0);
    table.vkKeyScan(QChar(u'ŵ'), spares, nonePressed);
    EXPECT_EQ(asked, 1);
}

TEST(KeyTable, PrivateVirtualKeysAreKeptAndNeverTakenFromAPressedKey)
{
    KeyTable table = tableFor(Layout::Azerty);
    const quint16 ampersand = table.vkKeyScan(QChar(u'&'), anySpares, nonePressed);
    EXPECT_EQ(table.vkKeyScan(QChar(u'&'), anySpares, nonePressed), ampersand);

    // Distinct characters until the private codes come round again, the
    // first one's key held down all along.
    const quint8 first = ampersand & 0xFF;
    const auto firstPressed = [first](quint8 vk) { return vk == first; };
    QList<quint8> handedOut{first};
    quint8 vk = 0;
    char16_t c = 0x4E00;
    for (; c < 0x4F00; ++c) {
        vk = table.vkKeyScan(QChar(c), anySpares, firstPressed) & 0xFF;
        if (handedOut.contains(vk))
            break;
        handedOut << vk;
    }
    ASSERT_LT(c, 0x4F00) << "the private codes never came round";
    EXPECT_NE(vk, first);
    EXPECT_EQ(table.resolve(first, false).keycode, kAE01);
}

TEST(KeyTable, SpareKeycodesAreNotPartOfTheLayout)
{
    KeyboardLayout layout = usLayout();
    constexpr int kSpare = 250;
    layout.keys << one(kSpare, XK_ssharp); // what a remapped spare keycode carries now
    KeyTable table(layout, tarvik::x11KeysymCase, {kSpare});
    const quint16 scan = table.vkKeyScan(QChar(u'ß'), anySpares, nonePressed);
    ASSERT_NE(scan, INVALIDKEY);
    const tarvik::KeyBinding b = table.resolve(scan & 0xFF, false);
    EXPECT_TRUE(b.spare);
    EXPECT_EQ(b.syms[0], quint32(XK_ssharp));
}

TEST(KeyTable, HeldModifierKeysLeaveOutTheLocks)
{
    EXPECT_EQ(tableFor(Layout::Azerty).heldModifierKeys(), (QList<int>{kShiftL, kControlL, kAltL, kLevel3}));
}

TEST(KeyTable, TheLevelShiftKeyIsPreferredForItsModifier)
{
    KeyboardLayout layout = azertyLayout();
    constexpr int kModeSwitch = 203;
    layout.keys << one(kModeSwitch, XK_Mode_switch);
    layout.modifierMap[7] = {kModeSwitch, kLevel3};
    KeyTable table(layout, tarvik::x11KeysymCase, {});
    const quint16 at = table.vkKeyScan(QChar(u'@'), anySpares, nonePressed);
    EXPECT_EQ(table.resolve(at & 0xFF, false).modKeycodes, QList<int>{kLevel3});
}

} // namespace
