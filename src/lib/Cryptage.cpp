#include "lib/Cryptage.h"

#include "platform/AnsiCodePage.h"
#include "platform/IniFile.h"

#include <QByteArray>
#include <exception>

namespace tarvik {

namespace {

unsigned char ansiByte(QChar c)
{
    const int b = unicodeToAnsi(c);
    return static_cast<unsigned char>(b >= 0 ? b : c.unicode() & 0xFF);
}

QString refusal(const QString &reason)
{
    return QStringLiteral("Ce mot de passe ne peut pas être enregistré dans le fichier des commandes :\r\n")
        + reason + QStringLiteral("\r\n\r\nAucun mot de passe n'a été enregistré.");
}

QString characterRefused(const QString &character)
{
    return refusal(QStringLiteral("le caractère « %1 » ne peut pas y être conservé.").arg(character));
}

} // namespace

QString AnsiCrypt(const QString &entree, const QString &cle)
{
    if (entree.isEmpty() || cle.isEmpty())
        return QString();
    // Only the key's last character counts: earlier versions overwrote each
    // byte with every key character in turn, and stored values depend on it.
    const unsigned char key = ansiByte(cle.back());
    QByteArray buffer(entree.size(), '\0');
    for (qsizetype i = 0; i < entree.size(); ++i)
        buffer[i] = char(ansiByte(entree[i]) ^ key);
    return ansiToUnicode(buffer);
}

bool SurvivesIniValue(const QString &value)
{
    const QString section = QStringLiteral("S");
    const QString key = QStringLiteral("K");
    try {
        IniFile out = IniFile::fromBytes(QByteArray());
        out.writeString(section, key, value);
        out.writeString(QStringLiteral("T"), key, QStringLiteral("fin"));
        const IniFile in = IniFile::fromBytes(out.toBytes());
        // The section after it must survive too: a value may not cut the file short.
        return in.value(section, key) == value && in.value(QStringLiteral("T"), key) == QStringLiteral("fin");
    } catch (const std::exception &) {
        return false;
    }
}

QString PasswordStorageProblem(const QString &password, const QString &cle)
{
    if (password.isEmpty())
        return QString();
    for (qsizetype i = 0; i < password.size(); ++i) {
        const QChar c = password[i];
        if (unicodeToAnsi(c) < 0) {
            const bool pair = c.isHighSurrogate() && i + 1 < password.size() && password[i + 1].isLowSurrogate();
            return characterRefused(password.mid(i, pair ? 2 : 1));
        }
    }
    const QString scrambled = AnsiCrypt(password, cle);
    for (qsizetype i = 0; i < scrambled.size(); ++i) {
        const QChar s = scrambled[i];
        if (s == QChar(0) || s == u'\r' || s == u'\n')
            return characterRefused(password.mid(i, 1));
    }
    if (AnsiCrypt(scrambled, cle) != password)
        return refusal(QStringLiteral("il ne reviendrait pas inchangé."));
    if (SurvivesIniValue(scrambled))
        return QString();
    if (scrambled.size() > IniFile::kMaxValueLength)
        return refusal(QStringLiteral("il dépasse %1 caractères.").arg(IniFile::kMaxValueLength));
    if (scrambled.front().isSpace())
        return refusal(QStringLiteral("il ne peut pas commencer par « %1 ».").arg(password.front()));
    if (scrambled.back().isSpace())
        return refusal(QStringLiteral("il ne peut pas finir par « %1 ».").arg(password.back()));
    if (scrambled.size() >= 2 && scrambled.front() == scrambled.back())
        return refusal(QStringLiteral("il ne peut pas à la fois commencer et finir par « %1 ».").arg(password.front()));
    return refusal(QStringLiteral("il ne reviendrait pas inchangé."));
}

} // namespace tarvik
