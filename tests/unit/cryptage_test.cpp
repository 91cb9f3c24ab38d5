// Password scrambling and what the commands file can keep of it.
#include "lib/Cryptage.h"
#include "lib/Orvo_ini.h"
#include "platform/AnsiCodePage.h"
#include "platform/IniFile.h"

#include "TestPlatform.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

const QString kKey = QStringLiteral("ù*µ$£;ê,!â?§");

} // namespace

TEST(Cryptage, KnownVectors)
{
    // Each character's Windows-1252 byte XOR 0xA7, the byte of "§".
    struct Case {
        QString in;
        QString out;
    } cases[] = {
        {"A", QString(QChar(0xE6))},                 // 0x41 -> 0xE6 "æ"
        {"3", QString(QChar(0x201D))},               // 0x33 -> 0x94 "”"
        {"0", QString(QChar(0x2014))},               // 0x30 -> 0x97 "—"
        {"é", QString(QChar(0x4E))},                 // 0xE9 -> 0x4E "N"
        {"€", "'"},                                  // 0x80 -> 0x27
        {"…", "\""},                                 // 0x85 -> 0x22
        {"ÿ", "X"},                                  // 0xFF -> 0x58
        {"Œ", "+"},                                  // 0x8C -> 0x2B
        {"Ā", "§"},                                  // U+0100 has no byte: its low 8 bits 0x00 -> 0xA7
        {"§", QString(QChar(0))},
        {"Ab3", QString(QChar(0xE6)) + QChar(0xC5) + QChar(0x201D)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(AnsiCrypt(c.in, kKey), c.out);
    }
    EXPECT_EQ(AnsiCrypt("", kKey), "");
    EXPECT_EQ(AnsiCrypt("abc", ""), "");
    // Only the key's last character counts.
    EXPECT_EQ(AnsiCrypt("secret", kKey), AnsiCrypt("secret", "§"));
    EXPECT_NE(AnsiCrypt("secret", kKey), AnsiCrypt("secret", "ù*µ$£;ê,!â?"));
}

TEST(Cryptage, ValuesStoredByEarlierVersionsDecode)
{
    // Earlier versions took the low 8 bits of each character: for Latin-1
    // text that is its Windows-1252 byte, so their values decode exactly.
    for (const QString &typed : {QStringLiteral("motdepasse"), QStringLiteral("Élève2019"), QStringLiteral("0123456789"),
                                 QStringLiteral("àçèù ÿ!")}) {
        QByteArray old;
        for (QChar c : typed)
            old += char((c.unicode() & 0xFF) ^ 0xA7);
        EXPECT_EQ(AnsiCrypt(ansiToUnicode(old), kKey), typed) << typed.toStdString();
    }
}

TEST(Cryptage, EveryPrintableCharacterComesBackThroughTheCommandsFile)
{
    tarvik::testing::TestPlatform os;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("M.items.commands.ini");

    QStringList accepted, refused;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue; // not printable
        const QString c = ansiToUnicode(QByteArray(1, char(b)));
        // Alone, between letters, and doubled at the start: position matters
        // for the characters the INI line trims or unquotes.
        for (const QString &pw : {c, "a" + c + "b", c + c + "x"})
            (PasswordStorageProblem(pw, kKey).isEmpty() ? accepted : refused) << pw;
    }
    // Every accepted password in one commands file, each under its own entry,
    // then read back one by one as a launch does.
    {
        IniFile commands(file);
        for (int i = 0; i < accepted.size(); ++i)
            commands.writeString(QStringLiteral("/opt/prog%1").arg(i), "PW", AnsiCrypt(accepted[i], kKey));
        commands.save();
    }
    for (int i = 0; i < accepted.size(); ++i)
        EXPECT_EQ(AnsiCrypt(GetStr(QStringLiteral("/opt/prog%1").arg(i), "PW", QString(), file), kKey), accepted[i])
            << "password " << accepted[i].toStdString();

    // What cannot come back: a zero byte, a line break, a blank the line
    // trims at either end.
    const QString shy(QChar(0xAD)); // soft hyphen
    const QStringList expected = {"‡", "‡‡x", "«", "««x", "ª", "aªb", "ªªx", "¬", "¬¬x", shy, "a" + shy + "b",
                                  shy + shy + "x", "®", "®®x", "§", "a§b", "§§x"};
    EXPECT_EQ(refused.size(), expected.size()) << refused.join(' ').toStdString();
    for (const QString &e : expected)
        EXPECT_TRUE(refused.contains(e)) << e.toStdString();
    EXPECT_EQ(accepted.size() + refused.size(), 3 * (0xE0 - 6));
}

// A commands file whose only characters outside ASCII are a scrambled
// password that happens to form UTF-8 still gives the password back.
TEST(Cryptage, PasswordThatScramblesToUtf8ComesBackThroughTheCommandsFile)
{
    tarvik::testing::TestPlatform os;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("M.items.commands.ini");
    for (const QString pw : {"a1b2", "A12", "x7k9m2p4"}) {
        QFile::remove(file);
        SaveStr("/opt/prog", "ARGUMENTS", "", file);
        SaveStr("/opt/prog", "PW", AnsiCrypt(pw, kKey), file);
        EXPECT_EQ(AnsiCrypt(GetStr("/opt/prog", "PW", QString(), file), kKey), pw);
        SaveStr("/opt/prog", "SENDKEYS", "abc", file); // written again, still whole
        EXPECT_EQ(AnsiCrypt(GetStr("/opt/prog", "PW", QString(), file), kKey), pw);
    }
}

TEST(Cryptage, RefusedPasswordsSayWhy)
{
    struct Case {
        QString password;
        QString reason; // expected inside the message; empty: accepted
    } cases[] = {
        {"Ab3 ok", ""},
        {"a§b", "le caractère « § » ne peut pas y être conservé."},
        {"xªy", "le caractère « ª » ne peut pas y être conservé."},
        {"x\u00ADy", "le caractère « \u00AD » ne peut pas y être conservé."},
        {"Ωmega", "le caractère « Ω » ne peut pas y être conservé."},
        {"a😀", "le caractère « 😀 » ne peut pas y être conservé."},
        {"®abc", "il ne peut pas commencer par « ® »."},
        {"abc‡", "il ne peut pas finir par « ‡ »."},
        {"€abc€", "il ne peut pas à la fois commencer et finir par « € »."},
        {"…a…", "il ne peut pas à la fois commencer et finir par « … »."},
        {"€abc…", ""},
        // Scrambled, these are bytes that also read as UTF-8 (C6 96 C5 95, E6 96 95).
        {"a1b2", ""},
        {"A12", ""},
        {QString(3000, QLatin1Char('a')), "il dépasse 2047 caractères."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.password.left(20).toStdString());
        const QString problem = PasswordStorageProblem(c.password, kKey);
        if (c.reason.isEmpty()) {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_EQ(problem, "Ce mot de passe ne peut pas être enregistré dans le fichier des commandes :\r\n" + c.reason
                                   + "\r\n\r\nAucun mot de passe n'a été enregistré.");
        }
    }
    EXPECT_EQ(PasswordStorageProblem("", kKey), "");
}

TEST(Cryptage, IniRoundTripCheck)
{
    struct Case {
        QString value;
        bool survives;
    } cases[] = {
        {"abc", true}, {" abc", false}, {"abc\t", false}, {"a b", true}, {"\"abc\"", false}, {"'a'", false},
        {"\"abc'", true}, {"a=b", true}, {"a\rb", false}, {QString("a") + QChar(0) + "b", false},
        {"[x]", true}, {QString(2047, 'z'), true}, {QString(2048, 'z'), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SurvivesIniValue(c.value), c.survives) << c.value.left(10).toStdString();
}
