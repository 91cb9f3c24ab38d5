// The lock on a file shared between processes.
#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <optional>
#include <thread>
#include <unistd.h>

using namespace tarvik;

namespace {

// Whether another open file description could take the lock now.
bool lockableElsewhere(const QString &path, int operation)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool got = ::flock(fd, operation | LOCK_NB) == 0;
    ::close(fd);
    return got;
}

ino_t inodeOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(FileLock, OpensCreatesOrReportsTheMissingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shared.ini");
    {
        const FileLock missing(path, FileLock::Mode::Exclusive, {.create = false});
        EXPECT_EQ(missing.status(), FileLock::Status::Missing);
        EXPECT_EQ(missing.fd(), -1);
        EXPECT_FALSE(QFile::exists(path));
    }
    {
        const FileLock created(path, FileLock::Mode::Exclusive, {.create = true});
        EXPECT_TRUE(created.locked());
        EXPECT_EQ(QFile(path).size(), 0);
        EXPECT_FALSE(lockableElsewhere(path, LOCK_SH));
    }
    EXPECT_TRUE(lockableElsewhere(path, LOCK_EX)); // released with the object
    {
        const FileLock shared(path, FileLock::Mode::Shared, {.create = false});
        EXPECT_TRUE(shared.locked());
        EXPECT_TRUE(lockableElsewhere(path, LOCK_SH));
        EXPECT_FALSE(lockableElsewhere(path, LOCK_EX));
    }
    const FileLock inMissingFolder(dir.filePath("no/such.ini"), FileLock::Mode::Exclusive, {.create = true});
    EXPECT_EQ(inMissingFolder.status(), FileLock::Status::OpenFailed);
    EXPECT_FALSE(inMissingFolder.errorText().isEmpty());
}

TEST(FileLock, RefusesALinkWhenAskedTo)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("target");
    const QString link = dir.filePath("link");
    ASSERT_TRUE(QFile(target).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_EQ(FileLock(link, FileLock::Mode::Exclusive, {.followLinks = false}).status(),
              FileLock::Status::OpenFailed);
    EXPECT_TRUE(FileLock(link, FileLock::Mode::Exclusive, {.followLinks = true}).locked());
}

TEST(FileLock, AWaiterEndsHoldingTheFileThatReplacedTheLockedOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shared.ini");
    const QString next = dir.filePath("shared.ini.new");
    std::optional<FileLock> first;
    first.emplace(path, FileLock::Mode::Exclusive, FileLock::Options{});
    ASSERT_TRUE(first->locked());
    ino_t waiterHeld = 0;
    std::thread waiter([&] {
        const FileLock second(path, FileLock::Mode::Exclusive, {});
        waiterHeld = second.locked() ? inodeOf(second.fd()) : 0;
    });
    // The holder writes the file anew, renames it over the old one, then
    // releases its lock on the file it replaced.
    QFile(next).open(QIODevice::WriteOnly);
    const bool renamed = ::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()) == 0;
    struct stat named {};
    ::stat(QFile::encodeName(path).constData(), &named);
    const ino_t replaced = inodeOf(first->fd());
    first.reset();
    waiter.join();
    ASSERT_TRUE(renamed);
    EXPECT_NE(replaced, named.st_ino);
    EXPECT_EQ(waiterHeld, named.st_ino);
}
