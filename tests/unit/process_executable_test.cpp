// The executable a process runs, and the mark of a replaced binary.
#include "platform/ProcessExecutable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tarvik;

TEST(ProcessExecutable, TheDeletedMarkComesOffUnlessTheFileIsNamedSo)
{
    QTemporaryDir dir;
    const QString named = dir.filePath("outil (deleted)");
    ASSERT_TRUE(QFile(named).open(QIODevice::WriteOnly));
    struct Case {
        QString path;
        QString expected;
    } cases[] = {
        {dir.filePath("tarvik (deleted)"), dir.filePath("tarvik")},
        {dir.filePath("tarvik"), dir.filePath("tarvik")},
        {named, named},
        {dir.filePath("tarvik (deleted) (deleted)"), dir.filePath("tarvik (deleted)")},
        {QString(), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(withoutDeletedMark(c.path), c.expected) << c.path.toStdString();
}

TEST(ProcessExecutable, OfThisProcessAndOfNone)
{
    const QString own = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(executableOfProcess(getpid()), own);
    EXPECT_EQ(ownExecutable(), own);
    EXPECT_TRUE(executableOfProcess(0).isEmpty());
    EXPECT_TRUE(executableOfProcess(-1).isEmpty());
}
