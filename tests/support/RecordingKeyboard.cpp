#include "RecordingKeyboard.h"

#include <QStringList>

namespace tarvik::testing {

RecordingKeyboard::RecordingKeyboard() { m_previous = setKeyboard(this); }
RecordingKeyboard::~RecordingKeyboard() { setKeyboard(m_previous); }

void RecordingKeyboard::setTargetWindow(quint64 window)
{
    target = window;
    targetsSet.append(window);
}

bool RecordingKeyboard::keybdEvent(quint8 vk, quint8 scan, unsigned flags)
{
    if ((flags & KEYEVENTF_KEYUP) == 0 && !targetHasKeyboard()) {
        ++heldBack;
        return false;
    }
    events.push_back({vk, scan, flags});
    if (afterEvent)
        afterEvent(*this);
    return true;
}

quint16 RecordingKeyboard::vkKeyScan(QChar ch) { return usVkKeyScan(ch); }

unsigned RecordingKeyboard::mapVirtualKey(unsigned vk) { return usScanCode(vk); }

void RecordingKeyboard::setNumLock(bool on)
{
    numLock = on;
    ++numLockWrites;
}

QList<quint8> RecordingKeyboard::keysDown() const
{
    QList<quint8> down;
    for (const KeyEvent &e : events) {
        if (e.press()) {
            if (!down.contains(e.vk))
                down.append(e.vk);
        } else {
            down.removeAll(e.vk);
        }
    }
    return down;
}

QString RecordingKeyboard::trace() const
{
    QStringList parts;
    for (const KeyEvent &e : events) {
        QString s = QString::number(e.vk, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        s += e.press() ? QLatin1Char('+') : QLatin1Char('-');
        if (e.flags & KEYEVENTF_EXTENDEDKEY)
            s += QLatin1Char('x');
        parts << s;
    }
    return parts.join(QLatin1Char(' '));
}

// Windows' answers for the US layout (VkKeyScanW).
quint16 RecordingKeyboard::usVkKeyScan(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= u'a' && c <= u'z')
        return 0x41 + (c - u'a');
    if (c >= u'A' && c <= u'Z')
        return 0x100 | (0x41 + (c - u'A'));
    if (c >= u'0' && c <= u'9')
        return 0x30 + (c - u'0');
    static const char16_t shiftedDigits[] = u")!@#$%^&*(";
    for (int i = 0; i < 10; ++i)
        if (c == shiftedDigits[i])
            return 0x100 | (0x30 + i);
    struct Oem {
        char16_t plain, shifted;
        quint8 vk;
    };
    static const Oem oem[] = {
        {u';', u':', 0xBA}, {u'=', u'+', 0xBB}, {u',', u'<', 0xBC}, {u'-', u'_', 0xBD},
        {u'.', u'>', 0xBE}, {u'/', u'?', 0xBF}, {u'`', u'~', 0xC0}, {u'[', u'{', 0xDB},
        {u'\\', u'|', 0xDC}, {u']', u'}', 0xDD}, {u'\'', u'"', 0xDE},
    };
    for (const Oem &o : oem) {
        if (c == o.plain)
            return o.vk;
        if (c == o.shifted)
            return 0x100 | o.vk;
    }
    switch (c) {
    case u' ': return 0x20;
    case u'\b': return 0x08;
    case u'\t': return 0x09;
    case u'\r': return 0x0D;
    case u'\n': return 0x20D;
    case 0x1B: return 0x2DB;
    default: return INVALIDKEY;
    }
}

// Windows' scan codes for the US layout (MapVirtualKeyW(vk, 0)).
unsigned RecordingKeyboard::usScanCode(unsigned vk)
{
    static const quint8 letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                       0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                       0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (vk >= 0x41 && vk <= 0x5A)
        return letters[vk - 0x41];
    if (vk >= 0x31 && vk <= 0x39)
        return 0x02 + (vk - 0x31);
    if (vk >= 0x70 && vk <= 0x79)
        return 0x3B + (vk - 0x70);
    if (vk >= 0x7C && vk <= 0x7F)
        return 0x64 + (vk - 0x7C);
    switch (vk) {
    case 0x30: return 0x0B;
    case 0x03: return 0x46;
    case 0x08: return 0x0E;
    case 0x09: return 0x0F;
    case 0x0C: return 0x4C;
    case 0x0D: return 0x1C;
    case 0x10: return 0x2A;
    case 0x11: return 0x1D;
    case 0x12: return 0x38;
    case 0x14: return 0x3A;
    case 0x1B: return 0x01;
    case 0x20: return 0x39;
    case 0x21: return 0x49;
    case 0x22: return 0x51;
    case 0x23: return 0x4F;
    case 0x24: return 0x47;
    case 0x25: return 0x4B;
    case 0x26: return 0x48;
    case 0x27: return 0x4D;
    case 0x28: return 0x50;
    case 0x2D: return 0x52;
    case 0x2E: return 0x53;
    case 0x7A: return 0x57;
    case 0x7B: return 0x58;
    case 0x90: return 0x45;
    case 0x91: return 0x46;
    case 0xBA: return 0x27;
    case 0xBB: return 0x0D;
    case 0xBC: return 0x33;
    case 0xBD: return 0x0C;
    case 0xBE: return 0x34;
    case 0xBF: return 0x35;
    case 0xC0: return 0x29;
    case 0xDB: return 0x1A;
    case 0xDC: return 0x2B;
    case 0xDD: return 0x1B;
    case 0xDE: return 0x28;
    default: return 0;
    }
}

} // namespace tarvik::testing
