#include "lib/sndkey32.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Keyboard.h"

#include <QByteArray>
#include <array>
#include <functional>
#include <optional>

namespace tarvik {

namespace {

struct TSendKey {
    const char *Name;
    quint8 VKey;
};

// Sorted in ascending byte order of the names: StringToVKey searches it by
// halves, so "F1" < "F10" < … < "F16" < "F2".
constexpr int MaxSendKeyRecs = 41;
constexpr std::array<TSendKey, MaxSendKeyRecs> SendKeyRecs{{
    {"BACKSPACE", 0x08}, {"BKSP", 0x08},     {"BREAK", 0x03},  {"BS", 0x08},
    {"CAPSLOCK", 0x14},  {"CLEAR", 0x0C},    {"DEL", 0x2E},    {"DELETE", 0x2E},
    {"DOWN", 0x28},      {"END", 0x23},      {"ENTER", 0x0D},  {"ESC", 0x1B},
    {"ESCAPE", 0x1B},    {"F1", 0x70},       {"F10", 0x79},    {"F11", 0x7A},
    {"F12", 0x7B},       {"F13", 0x7C},      {"F14", 0x7D},    {"F15", 0x7E},
    {"F16", 0x7F},       {"F2", 0x71},       {"F3", 0x72},     {"F4", 0x73},
    {"F5", 0x74},        {"F6", 0x75},       {"F7", 0x76},     {"F8", 0x77},
    {"F9", 0x78},        {"HELP", 0x2F},     {"HOME", 0x24},   {"INS", 0x2D},
    {"LEFT", 0x25},      {"NUMLOCK", 0x90},  {"PGDN", 0x22},   {"PGUP", 0x21},
    {"PRTSC", 0x2A},     {"RIGHT", 0x27},    {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
    {"UP", 0x26},
}};

// The key of a brace on the current layout: Shift with the US key types
// something else on most others (a degree sign on AZERTY). The US key when
// the layout has none.
quint16 BraceKey(char16_t brace, quint8 usKey)
{
    const quint16 key = keyboard().vkKeyScan(QChar(brace));
    return key != INVALIDKEY ? key : static_cast<quint16>((VKKEYSCANSHIFTON << 8) | usKey);
}

// A press the keyboard held back: the focus left the target window.
struct TargetLost {};

bool BitSet(quint8 BitTable, quint8 BitMask) { return (BitTable & BitMask) != 0; }

// The runtime's whole-number conversion: leading blanks, an optional sign,
// decimal digits or hexadecimal ones after "$", "x" or "0x", nothing after
// them, and a value that fits in 32 bits.
std::optional<qint32> StrToIntValue(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < n && (text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    quint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 10) {
        // Decimal values must lie in the signed 32-bit range.
        if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull)
            return std::nullopt;
    }
    const quint32 bits = static_cast<quint32>(value);
    return static_cast<qint32>(negative ? 0u - bits : bits);
}

// The player state of one call and the routines that share it.
class TSendKeysPlayer {
public:
    TSendKeysPlayer(const QString &sequence, bool wait, const std::function<bool()> &regainTarget)
        : SendKeysString(sequence), Wait(wait), RegainTarget(regainTarget),
          L(static_cast<qint32>(sequence.size()))
    {
    }

    // Whenever playing stops (end, unclosed brace, conversion error) the
    // modifiers held by "+", "^" and "%" come up, even inside a group never
    // closed, and the keyboard gets its own state back.
    ~TSendKeysPlayer()
    {
        try {
            UsingParens = false;
            PopUpShiftKeys();
        } catch (...) {
        }
        try {
            keyboard().endSequence();
        } catch (...) {
        }
    }

    bool Play();

    // The focus left the target: every key still down comes up, the last
    // pressed first, and the modifiers of "+", "^", "%" are forgotten.
    void ReleaseEverything()
    {
        while (!Held.isEmpty())
            KeyboardEvent(Held.last(), static_cast<quint8>(keyboard().mapVirtualKey(Held.last()) & 0xFF),
                          KEYEVENTF_KEYUP);
        UsingParens = false;
        ShiftDown = ControlDown = AltDown = false;
    }

private:
    void DisplayMessage(const QString &Message)
    {
        if (!RegainTarget) {
            dialogs().messageBox(QStringLiteral("SendKeys"), Message, MB_OK);
            return;
        }
        // The box takes the keyboard from the target. Modifiers held by "+",
        // "^", "%" would act on everything the user does meanwhile: they come
        // up for the box and go down again once the target has the keyboard.
        const QList<quint8> modifiers = Held;
        for (auto vk = modifiers.crbegin(); vk != modifiers.crend(); ++vk)
            SendKeyUp(*vk);
        dialogs().messageBox(QStringLiteral("SendKeys"), Message, MB_OK);
        if (!RegainTarget())
            throw TargetLost{};
        for (quint8 vk : modifiers)
            SendKeyDown(vk, 1, false);
    }

    void KeyboardEvent(quint8 VKey, quint8 ScanCode, unsigned Flags)
    {
        if (!keyboard().keybdEvent(VKey, ScanCode, Flags))
            throw TargetLost{};
        if (Flags & KEYEVENTF_KEYUP) {
            const qsizetype at = Held.lastIndexOf(VKey);
            if (at >= 0)
                Held.removeAt(at);
        } else {
            Held.append(VKey);
        }
        if (Wait)
            keyboard().processOwnKeyboardMessages();
    }

    void SendKeyDown(quint8 VKey, quint16 NumTimes, bool GenUpMsg)
    {
        if (VKey == VK_NUMLOCK) {
            // The lock state is flipped directly: no key event, whatever the count.
            keyboard().setNumLock(!keyboard().numLockOn());
            return;
        }
        const quint8 ScanCode = static_cast<quint8>(keyboard().mapVirtualKey(VKey) & 0xFF);
        for (quint32 Cnt = 1; Cnt <= NumTimes; ++Cnt) {
            if (isExtendedVKey(VKey)) {
                KeyboardEvent(VKey, ScanCode, KEYEVENTF_EXTENDEDKEY);
                if (GenUpMsg)
                    KeyboardEvent(VKey, ScanCode, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
            } else {
                KeyboardEvent(VKey, ScanCode, 0);
                if (GenUpMsg)
                    KeyboardEvent(VKey, ScanCode, KEYEVENTF_KEYUP);
            }
        }
    }

    void SendKeyUp(quint8 VKey)
    {
        const quint8 ScanCode = static_cast<quint8>(keyboard().mapVirtualKey(VKey) & 0xFF);
        KeyboardEvent(VKey, ScanCode, KEYEVENTF_KEYUP);
    }

    void SendKey(quint16 MKey, quint16 NumTimes, bool GenDownMsg)
    {
        const quint8 shiftBits = static_cast<quint8>(MKey >> 8);
        if (BitSet(shiftBits, VKKEYSCANSHIFTON))
            SendKeyDown(VK_SHIFT, 1, false);
        if (BitSet(shiftBits, VKKEYSCANCTRLON))
            SendKeyDown(VK_CONTROL, 1, false);
        if (BitSet(shiftBits, VKKEYSCANALTON))
            SendKeyDown(VK_MENU, 1, false);
        SendKeyDown(static_cast<quint8>(MKey & 0xFF), NumTimes, GenDownMsg);
        if (BitSet(shiftBits, VKKEYSCANSHIFTON))
            SendKeyUp(VK_SHIFT);
        if (BitSet(shiftBits, VKKEYSCANCTRLON))
            SendKeyUp(VK_CONTROL);
        if (BitSet(shiftBits, VKKEYSCANALTON))
            SendKeyUp(VK_MENU);
    }

    quint16 StringToVKey(const QByteArray &KeyString)
    {
        int Lo = 0;
        int Hi = MaxSendKeyRecs - 1;
        while (Lo <= Hi) {
            const int Mid = (Lo + Hi) / 2;
            const int Cmp = qstrcmp(KeyString, QByteArray(SendKeyRecs[Mid].Name));
            if (Cmp == 0)
                return SendKeyRecs[Mid].VKey;
            if (Cmp < 0)
                Hi = Mid - 1;
            else
                Lo = Mid + 1;
        }
        DisplayMessage(QStringLiteral("Invalid Key Name"));
        return INVALIDKEY;
    }

    void PopUpShiftKeys()
    {
        if (UsingParens)
            return;
        if (ShiftDown)
            SendKeyUp(VK_SHIFT);
        if (ControlDown)
            SendKeyUp(VK_CONTROL);
        if (AltDown)
            SendKeyUp(VK_MENU);
        ShiftDown = false;
        ControlDown = false;
        AltDown = false;
    }

    // A braced key; I is the position of the opening "{". Returns false when
    // no "}" closes it.
    bool PlayBracedKey();

    const QString SendKeysString;
    const bool Wait;
    const std::function<bool()> RegainTarget;
    QList<quint8> Held; // keys pressed and not yet released, in order
    bool UsingParens = false;
    bool ShiftDown = false;
    bool ControlDown = false;
    bool AltDown = false;
    qint32 I = 0;
    const qint32 L;
};

bool TSendKeysPlayer::PlayBracedKey()
{
    quint16 NumTimes = 1;
    QString KeyString;
    bool FoundClose = false;
    ++I; // past "{"
    while (I < L) {
        const QChar c = SendKeysString.at(I);
        ++I;
        if (c == QLatin1Char('}')) {
            FoundClose = true;
            break;
        }
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            KeyString.append(QChar(c.unicode() - u'a' + u'A'));
        else
            KeyString.append(c);
    }
    if (!FoundClose) {
        DisplayMessage(QStringLiteral("No Close"));
        return false;
    }
    if (I < L && SendKeysString.at(I) == QLatin1Char('}')) {
        ++I;
        SendKey(BraceKey(u'}', VK_RightBracket), 1, true);
        PopUpShiftKeys();
        return true;
    }
    // The position is kept whole: a count after a long name is still a count.
    const qsizetype PosSpace = KeyString.indexOf(QLatin1Char(' ')) + 1;
    if (PosSpace != 0) {
        const QString count = KeyString.mid(PosSpace);
        const std::optional<qint32> value = StrToIntValue(count);
        if (!value)
            throw ConvertError(QString("''%1'' n'est pas une valeur entière valide").arg(count));
        NumTimes = static_cast<quint16>(static_cast<quint32>(*value) & 0xFFFF);
        KeyString.truncate(PosSpace - 1);
    }
    quint16 MKey;
    if (KeyString.size() == 1)
        MKey = keyboard().vkKeyScan(KeyString.at(0));
    else
        MKey = StringToVKey(KeyString.toLatin1().left(255));
    if (MKey != INVALIDKEY) {
        SendKey(MKey, NumTimes, true);
        PopUpShiftKeys();
    }
    return true;
}

bool TSendKeysPlayer::Play()
{
    while (I < L) {
        const QChar c = SendKeysString.at(I);
        switch (c.unicode()) {
        case u'+':
            SendKeyDown(VK_SHIFT, 1, false);
            ShiftDown = true;
            ++I;
            break;
        case u'^':
            SendKeyDown(VK_CONTROL, 1, false);
            ControlDown = true;
            ++I;
            break;
        case u'%':
            SendKeyDown(VK_MENU, 1, false);
            AltDown = true;
            ++I;
            break;
        case u'(':
            UsingParens = true;
            ++I;
            break;
        case u')':
            UsingParens = false;
            PopUpShiftKeys();
            ++I;
            break;
        case u'~':
            SendKeyDown(VK_RETURN, 1, true);
            PopUpShiftKeys();
            ++I;
            break;
        case u'{':
            if (I + 1 < L && SendKeysString.at(I + 1) == QLatin1Char('{')) {
                SendKey(BraceKey(u'{', VK_LeftBracket), 1, true);
                PopUpShiftKeys();
                I += 3;
                break;
            }
            if (!PlayBracedKey())
                return false;
            break;
        default: {
            const quint16 MKey = keyboard().vkKeyScan(c);
            if (MKey == INVALIDKEY) {
                DisplayMessage(QStringLiteral("Invalid KeyName"));
            } else {
                SendKey(MKey, 1, true);
                PopUpShiftKeys();
            }
            ++I;
            break;
        }
        }
    }
    return true;
}

} // namespace

SendKeysEnd SendKeysToTarget(const QString &SendKeysString, bool Wait, const std::function<bool()> &regainTarget)
{
    if (SendKeysString.isEmpty())
        return SendKeysEnd::Empty;
    keyboard().beginSequence();
    TSendKeysPlayer player(SendKeysString, Wait, regainTarget);
    try {
        return player.Play() ? SendKeysEnd::Played : SendKeysEnd::NoClose;
    } catch (const TargetLost &) {
        player.ReleaseEverything();
        return SendKeysEnd::TargetLost;
    }
}

bool SendKeys(const QString &SendKeysString, bool Wait)
{
    return SendKeysToTarget(SendKeysString, Wait, {}) == SendKeysEnd::Played;
}

} // namespace tarvik
