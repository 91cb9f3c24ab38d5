// Splitting of parameter strings, the quoted file of the start service, and
// the desktop entry Exec lines with their field codes.

#include "platform/LinuxShell.h"
#include "QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tarvik::expandDesktopExec;
using tarvik::splitCommandLine;

namespace {

std::string show(const QStringList &list)
{
    std::string out = "{";
    for (const QString &s : list)
        out += "[" + s.toStdString() + "]";
    return out + "}";
}

struct SplitCase {
    const char *line;
    QStringList expected;
};

TEST(SplitCommandLine, SplitsLikeAWindowsCommandLine)
{
    const SplitCase cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"a b  c", {"a", "b", "c"}},
        {"\t a\t", {"a"}},
        {"\"a b\" c", {"a b", "c"}},
        {"\"\"", {""}},
        {"\"\" x \"\"", {"", "x", ""}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"unterminated arg", {"unterminated arg"}},
        {"C:\\dir\\x.exe /f", {"C:\\dir\\x.exe", "/f"}},
        {"$(touch x); rm -rf ~", {"$(touch", "x);", "rm", "-rf", "~"}},
        {"\"$(touch x)\" `id` 'a b'", {"$(touch x)", "`id`", "'a", "b'"}},
        {"%1 /x", {"%1", "/x"}},
        {"été \"à la\"", {QString::fromUtf8("été"), QString::fromUtf8("à la")}},
    };
    for (const auto &c : cases) {
        const QString line = QString::fromUtf8(c.line);
        EXPECT_EQ(splitCommandLine(line), c.expected)
            << "line: " << c.line << " got " << show(splitCommandLine(line));
    }
}

TEST(UnquoteShellFile, TakesOffOnePairAndUndoublesQuotes)
{
    const std::pair<const char *, const char *> cases[] = {
        {"\"/tmp/a b/prog\"", "/tmp/a b/prog"},
        {"\"/tmp/say \"\"hi\"\".sh\"", "/tmp/say \"hi\".sh"},
        {"/tmp/plain", "/tmp/plain"},
        {"\"\"\"/q\"\"\"", "\"/q\""},
        {"\"", "\""},
        {"  \"/x\"  ", "/x"},
    };
    for (const auto &[in, expected] : cases)
        EXPECT_EQ(tarvik::unquoteShellFile(QString::fromUtf8(in)), QString::fromUtf8(expected)) << in;
}

TEST(LooksLikeUrl, TellsAddressesFromPaths)
{
    const std::pair<const char *, bool> cases[] = {
        {"https://example.org/a?b=1&c=2", true}, {"mailto:jean@example.org", true},
        {"www.example.org", true},               {"ftp://host/file", true},
        {"C:\\dorvex\\", false},                 {"/tmp/a:b", false},
        {"notes.txt", false},                    {"", false},
    };
    for (const auto &[text, url] : cases)
        EXPECT_EQ(tarvik::looksLikeUrl(QString::fromUtf8(text)), url) << text;
}

struct ExecCase {
    const char *exec;
    QStringList files;
    std::optional<QStringList> expected;
};

TEST(ExpandDesktopExec, FollowsTheDesktopEntryRules)
{
    const QString name = QStringLiteral("Éditeur");
    const QString icon = QStringLiteral("accessories-text-editor");
    const QString location = QStringLiteral("/usr/share/applications/ed.desktop");
    const ExecCase cases[] = {
        {"prog %f", {"/a b"}, QStringList{"prog", "/a b"}},
        {"prog %f", {}, QStringList{"prog"}},
        {"prog %F", {}, QStringList{"prog"}},
        {"prog %U end", {"x", "y"}, QStringList{"prog", "x", "y", "end"}},
        {"prog %u", {"x", "y"}, QStringList{"prog", "x", "y"}},
        {"prog --file=%f", {"a", "b"}, QStringList{"prog", "--file=a"}},
        {"prog --all=%F", {"a", "b"}, QStringList{"prog", "--all=a b"}},
        {"\"/opt/my app/run\" %u", {}, QStringList{"/opt/my app/run"}},
        {"prog %i %c %k", {}, QStringList{"prog", "--icon", icon, name, location}},
        {"prog 100%%", {}, QStringList{"prog", "100%"}},
        {"prog %d %D %n %N %v %m x", {}, QStringList{"prog", "x"}},
        {"prog \"a \\\"q\\\" \\$HOME \\\\ \\`b\\`\"", {}, QStringList{"prog", "a \"q\" $HOME \\ `b`"}},
        {"prog \"%f\"", {"a b"}, QStringList{"prog", "a b"}},
        // Without a file field code the files still reach the program.
        {"prog arg", {"p", "q r"}, QStringList{"prog", "arg", "p", "q r"}},
        // Substituted text is never parsed again, let alone by a shell.
        {"sh -c \"echo $(id)\" %f", {"$(touch x); \"y\""},
         QStringList{"sh", "-c", "echo $(id)", "$(touch x); \"y\""}},
        {"prog \"unterminated", {}, std::nullopt},
        {"", {"a"}, std::nullopt},
        {"   ", {}, std::nullopt},
    };
    for (const auto &c : cases) {
        const auto got = expandDesktopExec(QString::fromUtf8(c.exec), c.files, name, icon, location);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.exec;
        if (got)
            EXPECT_EQ(*got, *c.expected) << c.exec << " got " << show(*got);
    }
    // %i with no icon gives nothing rather than an empty argument.
    EXPECT_EQ(*expandDesktopExec(QStringLiteral("prog %i x"), {}, name, QString(), location),
              (QStringList{"prog", "x"}));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(ReadDesktopEntry, ReadsTheDesktopEntryGroupWithItsEscapes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.desktop"));
    writeFile(path, "# comment\n"
                    "[Other]\nExec=wrong\n"
                    "[Desktop Entry]\r\n"
                    "Type=Application\r\n"
                    "Name=Mon\\sappli\r\n"
                    "Name[fr]=Ignorée\r\n"
                    "Icon=ic\r\n"
                    "Path=/tmp\r\n"
                    "Exec=\"/opt/a b/run\" --x=\\\\\\\\ \"\\\\$HOME\" %F\r\n"
                    "[Desktop Action new]\nExec=other\n");
    const auto entry = tarvik::readDesktopEntry(path);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->type, QStringLiteral("Application"));
    EXPECT_EQ(entry->name, QStringLiteral("Mon appli"));
    EXPECT_EQ(entry->icon, QStringLiteral("ic"));
    EXPECT_EQ(entry->path, QStringLiteral("/tmp"));
    // The string escapes are undone first; the Exec quoting is left for the split.
    EXPECT_EQ(entry->exec, QStringLiteral("\"/opt/a b/run\" --x=\\\\ \"\\$HOME\" %F"));
    EXPECT_EQ(*expandDesktopExec(entry->exec, {QStringLiteral("f")}, entry->name, entry->icon, path),
              (QStringList{"/opt/a b/run", "--x=\\", "$HOME", "f"}));

    const QString notAnEntry = dir.filePath(QStringLiteral("x.desktop"));
    writeFile(notAnEntry, "[Other]\nExec=x\n");
    EXPECT_FALSE(tarvik::readDesktopEntry(notAnEntry).has_value());
    EXPECT_FALSE(tarvik::readDesktopEntry(dir.filePath(QStringLiteral("missing.desktop"))).has_value());
}

TEST(ReadInternetShortcutUrl, ReadsTheUrlOfTheShortcutGroup)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.url"));
    writeFile(path, "[DEFAULT]\r\nBASEURL=http://wrong/\r\n[InternetShortcut]\r\nIconIndex=0\r\n"
                    "url=https://example.org/a b?x=1&y=$(id)\r\n");
    EXPECT_EQ(tarvik::readInternetShortcutUrl(path), QStringLiteral("https://example.org/a b?x=1&y=$(id)"));
    const QString none = dir.filePath(QStringLiteral("none.url"));
    writeFile(none, "[InternetShortcut]\r\nIconIndex=0\r\n");
    EXPECT_TRUE(tarvik::readInternetShortcutUrl(none).isEmpty());
}

} // namespace
