// The INI dialect, the section spacing, Split and booleans.
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/LineFile.h"

#include "TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    tarvik::testing::TestPlatform os;
    QString file(const QString &name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(IniTest, ReadsByTheDialectRules)
{
    const QString ini = file("a.ini");
    writeBytes(ini, "[Main]\r\n"
                    "Empty=\r\n"
                    "  Spaced  =  value with blanks  \r\n"
                    "Dq=\"quoted\"\r\n"
                    "Sq='single'\r\n"
                    "Mixed=\"half'\r\n"
                    "Lone=\"\r\n"
                    "Path=C:\\a=b\r\n"
                    "[main]\r\n"
                    "Shadow=ignored section of the same name\r\n"
                    "[Other]\r\n"
                    "Empty=other\r\n");
    struct Case {
        const char *section, *key, *def, *expected;
    } cases[] = {
        {"Main", "Empty", "dflt", ""},             // present and empty is not the default
        {"MAIN", "empty", "dflt", ""},             // names ignore case
        {"Main", "Spaced", "", "value with blanks"},
        {"Main", "Dq", "", "quoted"},
        {"Main", "Sq", "", "single"},
        {"Main", "Mixed", "", "\"half'"},          // different marks stay
        {"Main", "Lone", "", "\""},
        {"Main", "Path", "", "C:\\a=b"},           // the first '=' splits
        {"Main", "Shadow", "dflt", "dflt"},         // the first section of a name wins
        {"Main", "Missing", "dflt", "dflt"},
        {"Nope", "Empty", "dflt", "dflt"},
        {"Other", "Empty", "", "other"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GetStr(c.section, c.key, c.def, ini), QString::fromUtf8(c.expected)) << c.section << "/" << c.key;
    EXPECT_EQ(GetStr("Main", "Empty", "dflt", file("missing.ini")), "dflt");
}

TEST_F(IniTest, ValuesAreCutAt2047Characters)
{
    const QString ini = file("long.ini");
    SaveStr("S", "K", QString(3000, QLatin1Char('x')), ini);
    EXPECT_EQ(GetStr("S", "K", "", ini).size(), 2047);
    EXPECT_EQ(readBytes(ini).size(), qsizetype(QByteArray("[S]\r\nK=\r\n").size() + 3000));
}

TEST_F(IniTest, WritesInPlaceAtSectionEndAndFileEnd)
{
    const QString ini = file("w.ini");
    SaveStr("A", "X", "1", ini);           // creates the file
    SaveStr("B", "Y", "2", ini);           // new section at the end
    SaveStr("a", "Z", "3", ini);           // new key at the end of its section
    SaveStr("A", "x", "changed", ini);     // replaced in place, key spelling kept
    SaveStr("B", "Y", "", ini);            // emptied, still present
    EXPECT_EQ(readBytes(ini), QByteArray("[A]\r\nX=changed\r\nZ=3\r\n[B]\r\nY=\r\n"));
    EXPECT_EQ(GetStr("B", "Y", "d", ini), "");
}

TEST_F(IniTest, NewKeyGoesBeforeTheBlankLineThatSeparatesSections)
{
    const QString ini = file("gap.ini");
    writeBytes(ini, "; comment\r\n[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n");
    SaveStr("A", "W", "new", ini);
    EXPECT_EQ(readBytes(ini), QByteArray("; comment\r\n[A]\r\nX=1\r\nW=new\r\n\r\n[B]\r\nY=2\r\n"));
}

TEST_F(IniTest, KeepsTheEncodingOfTheFile)
{
    const QString ini = file("u16.ini");
    LineList l;
    l.lines = {"[Sé]", "K=v"};
    l.encoding = TextEncoding::Utf16LE;
    l.saveToFile(ini);
    SaveStr("Sé", "Clé", "€", ini);
    LineList back;
    back.loadFromFile(ini);
    EXPECT_EQ(back.encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(back.lines, QStringList({"[Sé]", "K=v", "Clé=€"}));
}

// An INI file edited in a Linux editor is UTF-8 without a mark: read as such
// and written back the same way; a Windows one stays Windows-1252.
TEST_F(IniTest, UnmarkedUtf8FileStaysUtf8)
{
    const struct {
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"[/opt/\xC3\xA9t\xC3\xA9]\r\nARGUMENTS=caf\xC3\xA9\r\n",
         "[/opt/\xC3\xA9t\xC3\xA9]\r\nARGUMENTS=caf\xC3\xA9\r\nPW=\xE2\x82\xAC\r\n"},
        {"[/opt/\xE9t\xE9]\r\nARGUMENTS=caf\xE9\r\n", "[/opt/\xE9t\xE9]\r\nARGUMENTS=caf\xE9\r\nPW=\x80\r\n"},
    };
    for (const auto &c : cases) {
        const QString ini = file("cmd.ini");
        writeBytes(ini, c.before);
        EXPECT_EQ(GetStr("/opt/été", "ARGUMENTS", "", ini), "café");
        SaveStr("/opt/été", "PW", "€", ini);
        EXPECT_EQ(readBytes(ini), c.after);
    }
}

// A line break of any kind in a name or a value would split its line when
// the file is read again: the write is refused and the file left as it was.
TEST_F(IniTest, LineBreaksAreRefusedInNamesAndValues)
{
    const QString ini = file("c.ini");
    writeBytes(ini, "[A]\r\nK=v\r\n");
    const struct {
        QString section, key, value;
    } cases[] = {
        {"A\rB", "K", "v"}, {"A\nB", "K", "v"}, {"A", "K\r", "v"}, {"A", "K\n2", "v"},
        {"A", "K", "v\r"},  {"A", "K", "\nv"},
    };
    for (const auto &c : cases) {
        IniFile f(ini);
        EXPECT_THROW(f.writeString(c.section, c.key, c.value), Error)
            << c.section.toStdString() << "|" << c.key.toStdString() << "|" << c.value.toStdString();
        EXPECT_EQ(f.lines(), QStringList({"[A]", "K=v"}));
    }
    EXPECT_EQ(readBytes(ini), QByteArray("[A]\r\nK=v\r\n"));
}

TEST_F(IniTest, RefusedWriteNamesTheFile)
{
    const QString ini = file("no/such/dir/x.ini");
    try {
        SaveStr("S", "K", "v", ini);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Impossible d'écrire dans " + ini);
    }
}

TEST_F(IniTest, RefusedWriteLeavesTheFile)
{
    const QString sub = file("ro");
    QDir().mkpath(sub);
    const QString ini = sub + "/x.ini";
    SaveStr("S", "K", "old", ini);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(sub).isWritable())
        GTEST_SKIP() << "running with rights that ignore permissions";
    try {
        SaveStr("S", "K", "new", ini);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Impossible d'écrire dans " + ini);
    }
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(GetStr("S", "K", "", ini), "old");
}

TEST_F(IniTest, GetBoolReadsIntegers)
{
    const QString ini = file("b.ini");
    writeBytes(ini, "[O]\r\nm1=-1\r\nhex=0x10\r\nzero=0\r\nyes=yes\r\nempty=\r\ntrue=true\r\n");
    struct Case {
        const char *key;
        bool def, expected;
    } cases[] = {
        {"m1", false, true}, {"hex", false, true}, {"zero", true, false},
        {"yes", true, true}, {"yes", false, false}, {"empty", true, true}, {"empty", false, false},
        {"true", false, false}, {"missing", true, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GetBool("O", c.key, c.def, ini), c.expected) << c.key << " default " << c.def;
    SaveBool("O", "w", true, ini);
    EXPECT_EQ(GetStr("O", "w", "", ini), "1");
    SaveBool("O", "w", false, ini);
    EXPECT_EQ(GetStr("O", "w", "", ini), "0");
}

TEST(Split, PiecesBetweenSeparators)
{
    struct Case {
        const char *text;
        QStringList expected;
    } cases[] = {
        {"10:20:300:200", {"10", "20", "300", "200"}},
        {"a::b:", {"a", "", "b"}},
        {"1:2:3:4:", {"1", "2", "3", "4"}},
        {":1", {"", "1"}},
        {"", {}},
        {"abc", {"abc"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Split(c.text, ":"), c.expected) << c.text;
    EXPECT_EQ(Split("a;;b;;", ";;"), QStringList({"a", "b"}));
}

TEST(IniFormat, SeparatesSectionsOnlyAtHeaderLines)
{
    struct Case {
        QStringList in;
        bool after;
        QStringList out;
    } cases[] = {
        {{"[A]", "X=1", "[B]", "Y=2"}, false, {"[A]", "X=1", "", "[B]", "Y=2"}},
        {{"[A]", "X=1", "[B]", "Y=2"}, true, {"[A]", "", "X=1", "", "[B]", "", "Y=2"}},
        {{"[A]", "X=1", "", "[B]", "Y=2"}, false, {"[A]", "X=1", "", "[B]", "Y=2"}},  // one blank kept
        {{}, false, {}},
        {{"", "", ""}, false, {}},
        {{"", "", "a=1", "", "", "b=2", "", "", "", "c=3"}, false, {"a=1", "", "b=2", "", "c=3"}},
        // A value holding brackets is never moved.
        {{"[C:\\p]", "ARGUMENTS=/x [y] z", "PW=a[b]", "[D]", "K="}, false,
         {"[C:\\p]", "ARGUMENTS=/x [y] z", "PW=a[b]", "", "[D]", "K="}},
        {{"[]", "x=1"}, false, {"[]", "x=1"}},
        // Lines of blanks are not empty lines: they stay as they are.
        {{"[A]", " ", "", "\t", "[B]"}, false, {"[A]", " ", "", "\t", "", "[B]"}},
    };
    for (const Case &c : cases) {
        const QStringList once = formatIniLines(c.in, c.after);
        EXPECT_EQ(once, c.out) << c.in.join("|").toStdString();
        EXPECT_EQ(formatIniLines(once, c.after), once) << "not idempotent: " << c.in.join("|").toStdString();
    }
}

// Runs of 0 to 7 empty lines at the start, between two keys, before a
// header, after a header and at the end: one run of the formatting leaves
// at most one empty line in a row, a second run changes nothing, and the
// non-empty lines come out unchanged and in order.
TEST(IniFormat, RunningTwiceChangesNothingWhateverTheRunsOfEmptyLines)
{
    const auto empties = [](int n) { return QStringList(n, QString()); };
    for (bool after : {false, true}) {
        for (int n = 0; n <= 7; ++n) {
            const QStringList places[] = {
                empties(n) + QStringList{"[A]", "X=1"},
                QStringList{"[A]", "X=1"} + empties(n) + QStringList{"Y=[2]"},
                QStringList{"[A]", "X=1"} + empties(n) + QStringList{"[B]", "Y=2"},
                QStringList{"[A]"} + empties(n) + QStringList{"X=1", "[B]"},
                QStringList{"[A]", "X=1"} + empties(n),
                QStringList{"K=v"} + empties(n) + QStringList{"L=w"},
            };
            for (const QStringList &in : places) {
                const std::string trace = std::to_string(n) + (after ? " after: " : ": ") + in.join("|").toStdString();
                const QStringList once = formatIniLines(in, after);
                EXPECT_EQ(formatIniLines(once, after), once) << trace;
                for (int i = 1; i < once.size(); ++i)
                    EXPECT_FALSE(once[i - 1].isEmpty() && once[i].isEmpty()) << trace;
                QStringList kept = once, given = in;
                kept.removeAll(QString());
                given.removeAll(QString());
                EXPECT_EQ(kept, given) << trace;
            }
        }
    }
}

TEST_F(IniTest, FormateRewritesTheFileInItsEncoding)
{
    const QString ini = file("f.ini");
    Inifile_Formate(ini, false); // missing: nothing happens
    EXPECT_FALSE(QFile::exists(ini));
    writeBytes(ini, "\xEF\xBB\xBF\r\n[A]\r\nX=\xC3\xA9\r\n[B]\r\n");
    Inifile_Formate(ini, false);
    EXPECT_EQ(readBytes(ini), QByteArray("\xEF\xBB\xBF[A]\r\nX=\xC3\xA9\r\n\r\n[B]\r\n"));
    writeBytes(ini, "");
    Inifile_Formate(ini, false);
    EXPECT_EQ(readBytes(ini), QByteArray());
}

TEST_F(IniTest, PathsOfTheExecutable)
{
    os.exePath = "/Opt/Mes Outils/Outil.Bin";
    EXPECT_EQ(App_Path(), "/Opt/Mes Outils/");
    EXPECT_EQ(ExeName(false), "Outil");
    EXPECT_EQ(ExeName(true), "OUTIL");
    EXPECT_EQ(Get_IniFileName(), "/Opt/Mes Outils/Outil.INI");
    os.exePath = "/tarvik";
    EXPECT_EQ(App_Path(), "/");
    EXPECT_EQ(Get_IniFileName(), "/tarvik.INI");
    // An installed copy: the menus' folder is not the executable's.
    os.exePath = "/usr/bin/tarvik";
    os.appDir = "/home/jean/.local/share/tarvik/";
    EXPECT_EQ(App_Path(), "/home/jean/.local/share/tarvik/");
    EXPECT_EQ(Get_IniFileName(), "/home/jean/.local/share/tarvik/tarvik.INI");
    EXPECT_EQ(ExeName(true), "TARVIK");
    EXPECT_EQ(upperAscii("été"), "éTé");
}

TEST_F(IniTest, FileCutShortByANulIsReadButNeverWrittenBack)
{
    const QString ini = file("nul.ini");
    const QByteArray bytes("[A]\r\nX=1\r\n\0[B]\r\nY=2\r\n", 21);
    writeBytes(ini, bytes);
    EXPECT_EQ(GetStr("A", "X", "", ini), "1");
    EXPECT_EQ(GetStr("B", "Y", "absent", ini), "absent");
    EXPECT_THROW(SaveStr("A", "X", "2", ini), KeptFileError);
    EXPECT_THROW(Inifile_Formate(ini, false), KeptFileError);
    EXPECT_EQ(readBytes(ini), bytes);
    EXPECT_TRUE(IniFile(ini).cutAtNul());
}
