// Line files: encodings by byte-order mark, line breaks, and the code page.
#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"
#include "platform/LineFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarvik;

TEST(LineFile, DecodesByMarkAndBreaks)
{
    struct Case {
        QByteArray bytes;
        TextEncoding encoding;
        QStringList lines;
    } cases[] = {
        {"a\r\nb\r\n", TextEncoding::Ansi, {"a", "b"}},
        {"a\rb\nc", TextEncoding::Ansi, {"a", "b", "c"}},           // lone CR, lone LF, no final break
        {"a\r\n\r\nb", TextEncoding::Ansi, {"a", "", "b"}},
        {"a\n\n", TextEncoding::Ansi, {"a", ""}},
        {"", TextEncoding::Ansi, {}},
        {QByteArray("ab\0cd\r\n", 7), TextEncoding::Ansi, {"ab"}},    // NUL ends the text
        {"\xE9\x80\x9C", TextEncoding::Ansi, {"é€œ"}},
        {"\xEF\xBB\xBF\xC3\xA9\r\n", TextEncoding::Utf8, {"é"}},
        {QByteArray("\xFF\xFE\xE9\x00\r\x00\n\x00x\x00", 10), TextEncoding::Utf16LE, {"é", "x"}},
        {QByteArray("\xFE\xFF\x20\xAC\x00\r\x00\n", 8), TextEncoding::Utf16BE, {"€"}},
    };
    for (const Case &c : cases) {
        TextEncoding e = TextEncoding::Utf8;
        EXPECT_EQ(decodeLines(c.bytes, &e), c.lines) << c.bytes.toHex().toStdString();
        EXPECT_EQ(e, c.encoding) << c.bytes.toHex().toStdString();
    }
}

TEST(LineFile, RoundTripsInEveryEncoding)
{
    QTemporaryDir dir;
    const QStringList lines = {"é € œ", "", "C:\\Docs\\lettre.doc"};
    for (TextEncoding enc : {TextEncoding::Ansi, TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        const QString path = dir.filePath(QString("f%1.txt").arg(int(enc)));
        LineList out{lines, enc};
        out.saveToFile(path);
        LineList in;
        in.loadFromFile(path);
        EXPECT_EQ(in.lines, lines);
        EXPECT_EQ(in.encoding, enc);
        in.saveToFile(path); // saved again in the remembered encoding
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), encodeLines(lines, enc));
    }
    EXPECT_EQ(encodeLines({"é€œ", "x"}, TextEncoding::Ansi), QByteArray("\xE9\x80\x9C\r\nx\r\n"));
    EXPECT_EQ(encodeLines({"a"}, TextEncoding::Utf16BE), QByteArray("\xFE\xFF\x00\x61\x00\r\x00\n", 8));
    EXPECT_EQ(encodeLines({}, TextEncoding::Utf8), QByteArray("\xEF\xBB\xBF"));
}

TEST(LineFile, AnsiListWithForeignCharactersIsSavedInUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.txt");
    LineList out{{"/home/ü/Проект"}, TextEncoding::Ansi};
    out.saveToFile(path);
    LineList in;
    in.loadFromFile(path);
    EXPECT_EQ(in.lines, out.lines);
    EXPECT_EQ(in.encoding, TextEncoding::Utf8);
}

// Both ways of writing replace the file whole, leave no temporary file
// behind, keep it readable by the other users' copies, and say in French
// when the folder is missing.
TEST(LineFile, EveryDurabilityReplacesTheFileWhole)
{
    for (Durability durability : {Durability::Durable, Durability::Transient}) {
        SCOPED_TRACE(int(durability));
        QTemporaryDir dir;
        const QString path = dir.filePath("MENUS.instances.ini");
        LineList{{"ancien", "contenu", "plus long"}, TextEncoding::Ansi}.saveToFile(path, durability);
        LineList{{"4194311"}, TextEncoding::Ansi}.saveToFile(path, durability);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("4194311\r\n"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"MENUS.instances.ini"});
        EXPECT_TRUE(f.permissions() & QFileDevice::ReadOther);

        try {
            writeWholeFile(dir.filePath("absent/MENUS.instances.ini"), "x", durability);
            ADD_FAILURE() << "no error";
        } catch (const FileError &e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Impossible de créer le fichier")) << e.what();
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"MENUS.instances.ini"});
    }
}

TEST(LineFile, MissingFileIsAFrenchError)
{
    LineList l;
    try {
        l.loadFromFile("/nonexistent/dir/x.txt");
        ADD_FAILURE() << "no error";
    } catch (const std::exception &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Impossible d'ouvrir le fichier"));
    }
}

TEST(AnsiCodePage, EveryByteSurvivesARoundTrip)
{
    for (int b = 0; b < 256; ++b) {
        const QChar c = ansiToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(unicodeToAnsi(c), b) << b;
    }
    const int undefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    for (int b : undefined)
        EXPECT_EQ(ansiToUnicode(static_cast<unsigned char>(b)).unicode(), b);
    EXPECT_EQ(ansiToUnicode(static_cast<unsigned char>(0x80)), QChar(0x20AC));
    EXPECT_EQ(unicodeToAnsi(QChar(0x0153)), 0x9C);
    EXPECT_EQ(unicodeToAnsi(QChar(0x0416)), -1);
}
