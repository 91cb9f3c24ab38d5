// The folder, name and type parts of a path under its two separator rules.
#include "lib/PathParts.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(PathParts, EntryAndLocalSeparators)
{
    struct Case {
        const char *path;
        SeparatorRule rule;
        const char *folder, *fileName, *baseName, *suffix;
    } cases[] = {
        {"/usr/bin/Outil.sh", SeparatorRule::Entry, "/usr/bin/", "Outil.sh", "Outil", ".sh"},
        {"/usr/bin/Outil.sh", SeparatorRule::Local, "/usr/bin/", "Outil.sh", "Outil", ".sh"},
        {"C:\\Jeux\\pong.exe", SeparatorRule::Entry, "C:\\Jeux\\", "pong.exe", "pong", ".exe"},
        {"/tmp/a\\b:c.txt", SeparatorRule::Local, "/tmp/", "a\\b:c.txt", "a\\b:c", ".txt"},
        {"/tmp/a\\b:c.txt", SeparatorRule::Entry, "/tmp/a\\b:", "c.txt", "c", ".txt"},
        {"D:", SeparatorRule::Entry, "D:", "", "", ""},
        {"/home/x/.bashrc", SeparatorRule::Local, "/home/x/", ".bashrc", ".bashrc", ".bashrc"},
        {"/home/x/v1.2/lisez-moi", SeparatorRule::Local, "/home/x/v1.2/", "lisez-moi", "lisez-moi", ""},
        {"a.tar.gz", SeparatorRule::Local, "", "a.tar.gz", "a.tar", ".gz"},
        {"", SeparatorRule::Local, "", "", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const PathParts parts(QString::fromUtf8(c.path), c.rule);
        EXPECT_EQ(parts.folder(), QString::fromUtf8(c.folder));
        EXPECT_EQ(parts.fileName(), QString::fromUtf8(c.fileName));
        EXPECT_EQ(parts.baseName(), QString::fromUtf8(c.baseName));
        EXPECT_EQ(parts.suffix(), QString::fromUtf8(c.suffix));
    }
}
