#include "platform/LineFile.h"

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"

#include <utility>

namespace tarvik {

namespace {

QString decodeUtf16(const char *data, qsizetype size, bool bigEndian)
{
    QString out;
    out.resize(size / 2);
    QChar *d = out.data();
    for (qsizetype i = 0; i + 1 < size; i += 2) {
        const auto a = static_cast<unsigned char>(data[i]);
        const auto b = static_cast<unsigned char>(data[i + 1]);
        d[i / 2] = QChar(char16_t(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    return out;
}

QByteArray encodeUtf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    out.resize(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        out[2 * i] = char(bigEndian ? u >> 8 : u & 0xFF);
        out[2 * i + 1] = char(bigEndian ? u & 0xFF : u >> 8);
    }
    return out;
}

} // namespace

bool isUnmarkedUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    bool nonAscii = false;
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // Length of the sequence and the range of its second byte, which
        // rules out overlong forms, surrogates and code points past U+10FFFF.
        int length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                low = 0xA0;
            else if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        nonAscii = true;
        i += length;
    }
    return nonAscii;
}

QStringList decodeLines(const QByteArray &bytes, TextEncoding *encoding, bool *cutAtNul)
{
    TextEncoding enc = TextEncoding::Ansi;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        enc = TextEncoding::Utf8;
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        enc = TextEncoding::Utf16LE;
        text = decodeUtf16(bytes.constData() + 2, bytes.size() - 2, false);
    } else if (bytes.startsWith("\xFE\xFF")) {
        enc = TextEncoding::Utf16BE;
        text = decodeUtf16(bytes.constData() + 2, bytes.size() - 2, true);
    } else if (isUnmarkedUtf8(bytes)) {
        enc = TextEncoding::Utf8Unmarked;
        text = QString::fromUtf8(bytes);
    } else {
        text = ansiToUnicode(bytes);
    }
    if (encoding)
        *encoding = enc;

    const qsizetype nul = text.indexOf(QChar(0));
    if (cutAtNul)
        *cutAtNul = nul >= 0;
    if (nul >= 0)
        text.truncate(nul);

    QStringList lines;
    const char16_t *const t = reinterpret_cast<const char16_t *>(std::as_const(text).constData());
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = t[i];
        if (c == u'\r' || c == u'\n') {
            lines << QString(reinterpret_cast<const QChar *>(t + start), i - start);
            if (c == u'\r' && i + 1 < n && t[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << QString(reinterpret_cast<const QChar *>(t + start), n - start);
    return lines;
}

TextEncoding encodingForSave(const QStringList &lines, TextEncoding remembered)
{
    if (remembered != TextEncoding::Ansi)
        return remembered;
    for (const QString &l : lines)
        if (!isAnsiRepresentable(l))
            return TextEncoding::Utf8;
    // Windows-1252 bytes that also form UTF-8 would be read back as other
    // characters (a scrambled password easily does): the mark keeps them.
    if (isUnmarkedUtf8(encodeLines(lines, TextEncoding::Ansi)))
        return TextEncoding::Utf8;
    return remembered;
}

QByteArray encodeLines(const QStringList &lines, TextEncoding encoding)
{
    QString text;
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size() + 2;
    text.reserve(total);
    for (const QString &l : lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    switch (encoding) {
    case TextEncoding::Utf8: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LE: return QByteArray("\xFF\xFE") + encodeUtf16(text, false);
    case TextEncoding::Utf16BE: return QByteArray("\xFE\xFF") + encodeUtf16(text, true);
    case TextEncoding::Utf8Unmarked: return text.toUtf8();
    case TextEncoding::Ansi: break;
    }
    return unicodeToAnsi(text);
}

void LineList::loadFromFile(const QString &path)
{
    lines = decodeLines(readWholeFile(path), &encoding, &cutAtNul);
}

QString keptFileMessage(const QString &path)
{
    return QStringLiteral("Le fichier \"%1\" contient des données binaires (caractère nul) : il n'est lu que "
                          "jusque-là et ne sera pas réécrit. Il est conservé tel quel : les modifications qui le "
                          "concernent ne seront pas enregistrées.")
        .arg(path);
}

void LineList::requireWhole(const QString &path) const
{
    if (cutAtNul)
        throw KeptFileError(keptFileMessage(path), path);
}

void LineList::saveToFile(const QString &path, Durability durability) const
{
    // Such a line would come back as other lines, or cut short.
    for (const QString &l : lines)
        if (l.contains(u'\r') || l.contains(u'\n') || l.contains(QChar(0)))
            throw FileError(QStringLiteral("Impossible d'écrire dans le fichier \"%1\" : la ligne « %2 » contient un "
                                           "saut de ligne ou un caractère nul et ne serait pas relue telle quelle.")
                                .arg(path, l));
    writeWholeFile(path, encodeLines(lines, encodingForSave(lines, encoding)), durability);
}

} // namespace tarvik
