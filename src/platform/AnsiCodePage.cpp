#include "platform/AnsiCodePage.h"

namespace tarvik {

namespace {
// 0x80..0x9F of Windows-1252; the undefined ones keep their own value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QChar ansiToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHigh[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString ansiToUnicode(const QByteArray &bytes)
{
    // Windows-1252 is Latin-1 but for 0x80..0x9F: Qt's vectorised Latin-1
    // conversion, then those few bytes put right (a menu's files are read
    // whole at every start).
    QString out = QString::fromLatin1(bytes);
    const char *b = bytes.constData();
    QChar *d = nullptr;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(b[i]);
        if (byte >= 0x80 && byte <= 0x9F) {
            if (!d)
                d = out.data();
            d[i] = QChar(kHigh[byte - 0x80]);
        }
    }
    return out;
}

int unicodeToAnsi(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

QByteArray unicodeToAnsi(const QString &text, bool *lossless)
{
    QByteArray out;
    out.resize(text.size());
    bool ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        int b = unicodeToAnsi(text[i]);
        if (b < 0) {
            ok = false;
            b = '?';
        }
        out[i] = char(b);
    }
    if (lossless)
        *lossless = ok;
    return out;
}

bool isAnsiRepresentable(const QString &text)
{
    for (QChar c : text)
        if (unicodeToAnsi(c) < 0)
            return false;
    return true;
}

} // namespace tarvik
