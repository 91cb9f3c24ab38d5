// Line files: encodings by byte-order mark, line breaks, and the code page.
#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"
#include "platform/LineFile.h"
#include "platform/SystemError.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#ifndef Q_OS_WIN
#include <sys/wait.h>
#include <unistd.h>
#endif

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
        {"\x80\x9C\xE9", TextEncoding::Ansi, {"€œé"}},
        // Windows-1252 text that happens to be well-formed UTF-8 is read as UTF-8.
        {"\xE9\x80\x9C", TextEncoding::Utf8Unmarked, {"\u901C"}},
        {"\xE9t\xE9\r\n", TextEncoding::Ansi, {"été"}},                 // 0xE9 is no UTF-8
        {"\xC3\xA9t\xC3\xA9\r\n", TextEncoding::Utf8Unmarked, {"été"}}, // UTF-8 as Linux editors write it
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", TextEncoding::Utf8Unmarked, {"café € 😀"}},
        {"C:\\Outils\r\n", TextEncoding::Ansi, {"C:\\Outils"}},         // plain ASCII stays Windows-1252
        {"\xC3\xA9\xE9", TextEncoding::Ansi, {"Ã©é"}},                    // one stray byte: Windows-1252
        {QByteArray("\xC3\xA9\0\xE9", 4), TextEncoding::Ansi, {"Ã©"}},     // even after a NUL
        {QByteArray("\xC3\xA9\0x", 4), TextEncoding::Utf8Unmarked, {"é"}},
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
    for (TextEncoding enc : {TextEncoding::Ansi, TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE,
                             TextEncoding::Utf8Unmarked}) {
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

// A file without a mark counts as UTF-8 only when every sequence is
// well-formed: overlong forms, surrogates, code points past U+10FFFF and cut
// sequences make it Windows-1252, as a file made on Windows would be.
TEST(LineFile, UnmarkedUtf8MustBeWellFormed)
{
    struct Case {
        QByteArray bytes;
        bool utf8;
    } cases[] = {
        {"\xC3\xA9", true},
        {"\xE2\x82\xAC", true},
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
        {"\xED\x9F\xBF", true},           // U+D7FF, just before the surrogates
        {"", false},
        {"plain ascii\r\n", false},
        {"\xC0\xAF", false},               // overlong "/"
        {"\xE0\x80\xAF", false},          // overlong "/"
        {"\xF0\x80\x80\xAF", false},      // overlong "/"
        {"\xED\xA0\x80", false},          // a surrogate
        {"\xF4\x90\x80\x80", false},      // past U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xC3", false},                   // cut at the end
        {"\xE2\x82", false},
        {"\xE2\x82x", false},
        {"\xA9", false},                   // a lone continuation byte
        {"\xE9t\xE9", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isUnmarkedUtf8(c.bytes), c.utf8) << c.bytes.toHex().toStdString();
}

// What a Linux editor wrote comes back byte for byte; what Windows wrote
// stays Windows-1252.
TEST(LineFile, FilesWithoutAMarkAreWrittenBackAsTheyWereRead)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray bytes;
        TextEncoding encoding;
        QString first;
    } cases[] = {
        {"OUTIL DE COMPTABILIT\xC3\x89\r\n/opt/\xC3\xA9t\xC3\xA9/compta\r\n", TextEncoding::Utf8Unmarked,
         QStringLiteral("OUTIL DE COMPTABILITÉ")},
        {"OUTIL DE COMPTABILIT\xC9\r\n/opt/\xE9t\xE9/compta\r\n", TextEncoding::Ansi,
         QStringLiteral("OUTIL DE COMPTABILITÉ")},
        {"/usr/bin/htop\r\n", TextEncoding::Ansi, QStringLiteral("/usr/bin/htop")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        const QString path = dir.filePath(QStringLiteral("MENU.items.txt"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        LineList list;
        list.loadFromFile(path);
        EXPECT_EQ(list.encoding, c.encoding);
        EXPECT_EQ(list.lines.value(0), c.first);
        list.saveToFile(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.bytes);
    }
    // A line added that Windows-1252 cannot carry keeps an unmarked file unmarked.
    LineList list{{"été", "Проект"}, TextEncoding::Utf8Unmarked};
    EXPECT_EQ(encodingForSave(list.lines, list.encoding), TextEncoding::Utf8Unmarked);
    EXPECT_EQ(encodeLines(list.lines, TextEncoding::Utf8Unmarked), QString("été\r\nПроект\r\n").toUtf8());
}

// Text whose Windows-1252 bytes would read as UTF-8 ("Ã©" is C3 A9) gets
// the mark, so it comes back as written; other Windows-1252 text does not.
TEST(LineFile, AnsiListThatWouldReadAsUtf8IsSavedWithTheMark)
{
    QTemporaryDir dir;
    const struct {
        QStringList lines;
        TextEncoding saved;
    } cases[] = {
        {{"Ã©t", "x"}, TextEncoding::Utf8},
        {{"ÆÆ", "–"}, TextEncoding::Ansi}, // C6 C6 \r\n 96: not UTF-8
        {{"Æ–"}, TextEncoding::Utf8},     // C6 96 is
        {{"été"}, TextEncoding::Ansi},
        {{"plain"}, TextEncoding::Ansi},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines.join(u'|').toStdString());
        EXPECT_EQ(encodingForSave(c.lines, TextEncoding::Ansi), c.saved);
        const QString path = dir.filePath(QStringLiteral("x.txt"));
        LineList{c.lines, TextEncoding::Ansi}.saveToFile(path);
        LineList in;
        in.loadFromFile(path);
        EXPECT_EQ(in.lines, c.lines);
        EXPECT_EQ(in.encoding, c.saved);
    }
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

// A line that would not read back as itself is never written.
TEST(LineFile, ALineThatWouldNotReadBackIsNotWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.txt");
    for (const QString &line : {QStringLiteral("a\rb"), QStringLiteral("a\nb"), QStringLiteral("a") + QChar(0)}) {
        try {
            LineList{{"bon", line}, TextEncoding::Ansi}.saveToFile(path);
            ADD_FAILURE() << "no error";
        } catch (const FileError &e) {
            EXPECT_TRUE(e.message().startsWith("Impossible d'écrire dans le fichier \"" + path + "\""))
                << e.what();
        }
        EXPECT_FALSE(QFile::exists(path));
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

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs with the process in the C locale, where the C library speaks English.
class InCLocale {
public:
    InCLocale() : m_saved(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, "C"); }
    ~InCLocale() { std::setlocale(LC_ALL, m_saved.c_str()); }

private:
    std::string m_saved;
};

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(LineFile, ErrorTextsAreFrenchWhateverTheLocale)
{
    const InCLocale c;
    QTemporaryDir dir;
    const QString missing = dir.filePath("absent/x.txt");
    const QString folder = dir.filePath("dossier");
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        const char *name;
        std::function<void()> action;
        QString message;
    } cases[] = {
        {"read, no folder", [&] { readWholeFile(missing); },
         "Impossible d'ouvrir le fichier \"" + missing + "\". Aucun fichier ou dossier"},
        {"read a folder", [&] { readWholeFile(folder); },
         "Impossible d'ouvrir le fichier \"" + folder + "\". Est un dossier"},
        {"write, no folder", [&] { writeWholeFile(missing, "x"); },
         "Impossible de créer le fichier \"" + missing + "\". Aucun fichier ou dossier"},
        {"write onto a folder", [&] { writeWholeFile(folder, "x", Durability::Transient); },
         "Impossible de créer le fichier \"" + folder + "\". Est un dossier"},
    };
    for (const auto &k : cases)
        EXPECT_EQ(messageOf(k.action), k.message) << k.name;
}

TEST(SystemError, EveryNumberReadsInFrench)
{
    const InCLocale c;
    EXPECT_EQ(systemErrorText(EACCES), "Autorisation refusée");
    EXPECT_EQ(systemErrorText(ENOSPC), "Aucun espace disponible sur le disque");
    EXPECT_EQ(systemErrorText(EROFS), "Système de fichiers en lecture seule");
    EXPECT_EQ(systemErrorText(100000), "Erreur système n° 100000");
    // Not one text is the C library's English one.
    for (int e = 1; e < 134; ++e)
        EXPECT_NE(systemErrorText(e), QString::fromLocal8Bit(std::strerror(e))) << e;
}

// A save killed half-way leaves its temporary file; the next save of that
// file takes it over, so nothing piles up, and files that merely look like
// one are never touched. The file itself is always whole, old or new.
TEST(LineFile, TheNextSaveTakesOverWhatAKilledSaveLeft)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the saving processes are forked, which Windows cannot";
#else
    QTemporaryDir dir;
    const QString target = dir.filePath("CRASH.MENU.INI");
    const QByteArray before = "[OPTIONS]\r\nchk_AffCONF=1\r\n";
    writeWholeFile(target, before);
    const QStringList lookAlikes = {"CRASH.MENU.INI.cYUSEN", "CRASH.MENU.INI.tmp", "CRASH.MENU.INI~",
                                    ".CRASH.MENU.INI.tarvik-tmp.old", "CRASH.MENU.INI.tarvik-tmp"};
    for (const QString &name : lookAlikes)
        putBytes(dir.filePath(name), "pas à nous: " + name.toUtf8());
    QStringList expected = lookAlikes;
    expected << "CRASH.MENU.INI";
    expected.sort();
    const auto files = [&] {
        QStringList l = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        l.sort();
        return l;
    };
    const QByteArray big(8 << 20, 'x');

    bool leftOne = false;
    for (int attempt = 0; attempt < 20 && !leftOne; ++attempt) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                writeWholeFile(target, big);
        }
        // Killed as soon as a save of the child is under way.
        const QDeadlineTimer deadline(20000);
        while (files() == expected && !deadline.hasExpired()) {
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_FALSE(deadline.hasExpired()) << "the child never saved";
        leftOne = files() != expected;
        const QByteArray now = bytesOf(target);
        EXPECT_TRUE(now == before || now == big) << "a half-written file of " << now.size() << " bytes";
    }
    ASSERT_TRUE(leftOne) << "no kill landed inside a save";

    LineList{{"[OPTIONS]", "chk_AffCONF=0"}, TextEncoding::Ansi}.saveToFile(target);
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(bytesOf(target), QByteArray("[OPTIONS]\r\nchk_AffCONF=0\r\n"));
    for (const QString &name : lookAlikes)
        EXPECT_EQ(bytesOf(dir.filePath(name)), "pas à nous: " + name.toUtf8()) << name.toStdString();
#endif
}

// Two copies of a menu saving one file at the same moment take turns: the
// file ends whole, as one of them wrote it, with nothing left beside it.
TEST(LineFile, TwoCopiesSavingAtOnceLeaveOneWholeFile)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the saving processes are forked, which Windows cannot";
#else
    QTemporaryDir dir;
    const QString target = dir.filePath("M.items.txt");
    const QByteArray contents[] = {QByteArray(300000, 'a'), QByteArray(200000, 'b')};
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            int failures = 0;
            for (int n = 0; n < 150; ++n) {
                try {
                    writeWholeFile(target, contents[i], Durability::Transient);
                } catch (const std::exception &) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const QByteArray now = bytesOf(target);
    EXPECT_TRUE(now == contents[0] || now == contents[1]) << now.size();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"M.items.txt"});
#endif
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

// The whole-text conversion takes a faster road than the byte one: both must
// agree on every byte, wherever it stands, and the text keeps its length.
TEST(AnsiCodePage, TextConversionAgreesWithTheByteOne)
{
    QByteArray all;
    for (int b = 255; b >= 0; --b)
        all.append(char(b));
    for (const QByteArray &bytes : {all, QByteArray("abc\x80"), QByteArray("\x9F"), QByteArray("caf\xE9 \x93ok\x94")}) {
        const QString text = ansiToUnicode(bytes);
        ASSERT_EQ(text.size(), bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            EXPECT_EQ(text[i], ansiToUnicode(static_cast<unsigned char>(bytes[i]))) << i;
    }
    EXPECT_TRUE(ansiToUnicode(QByteArray()).isEmpty());
}
