// The registry of running copies: order, forgetting copies that no longer
// run (exited, killed, zombie, pid reused) and registrations made at once by
// several processes.

#include "platform/CopyRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using tarvik::CopyRegistry;

namespace {

const QString kExe = QStringLiteral("/opt/Tarvik/tarvik");

// A child process that lives until release() (or the end of the test).
class Child {
public:
    Child()
    {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            // Only its own pipe stays open, or it would keep other children alive.
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != fds[0])
                    close(fd);
            char c;
            while (read(fds[0], &c, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(fds[0]);
        m_release = fds[1];
    }
    ~Child()
    {
        release();
        reap();
    }
    pid_t pid() const { return m_pid; }
    void release()
    {
        if (m_release >= 0)
            close(m_release);
        m_release = -1;
    }
    void reap()
    {
        if (m_pid > 0) {
            int status;
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
};

void appendLine(const QString &file, const QByteArray &line)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(line + '\n');
}

TEST(CopyRegistry, FileNameDependsOnThePathWithoutRegardToCase)
{
    QTemporaryDir dir;
    const CopyRegistry a(kExe, dir.path());
    EXPECT_TRUE(a.filePath().startsWith(dir.path() + u'/'));
    EXPECT_EQ(a.filePath(), CopyRegistry(QStringLiteral("/OPT/tarvik/TARVIK"), dir.path()).filePath());
    EXPECT_NE(a.filePath(), CopyRegistry(QStringLiteral("/opt/Tarvik/tarvik2"), dir.path()).filePath());
}

TEST(CopyRegistry, ProcessStartTimeOfRunningAndEndedProcesses)
{
    EXPECT_GT(CopyRegistry::processStartTime(getpid()), 0u);
    EXPECT_EQ(CopyRegistry::processStartTime(0), 0u);
    EXPECT_EQ(CopyRegistry::processStartTime(-5), 0u);

    // A child that exited but was not reaped yet is a zombie: it no longer runs.
    const pid_t zombie = fork();
    if (zombie == 0)
        _exit(0);
    for (int i = 0; i < 500; ++i) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(zombie));
        if (stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z "))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(CopyRegistry::processStartTime(zombie), 0u);
    int status;
    waitpid(zombie, &status, 0);
    EXPECT_EQ(CopyRegistry::processStartTime(zombie), 0u);
}

TEST(CopyRegistry, RegisterAppendsInOrderAndUnregisterRemoves)
{
    QTemporaryDir dir;
    CopyRegistry registry(kExe, dir.path());
    EXPECT_TRUE(registry.processes().isEmpty());

    Child first, second;
    EXPECT_EQ(registry.registerProcess(first.pid()), 0);
    EXPECT_EQ(registry.registerProcess(second.pid()), 1);
    EXPECT_EQ(registry.registerProcess(getpid()), 2);
    // Registering twice keeps one entry and its place.
    EXPECT_EQ(registry.registerProcess(second.pid()), 1);
    EXPECT_EQ(registry.processes(), (QList<qint64>{first.pid(), second.pid(), getpid()}));

    // Another registry object on the same executable sees the same list.
    CopyRegistry other(QStringLiteral("/opt/tarvik/TARVIK"), dir.path());
    EXPECT_EQ(other.processes(), registry.processes());

    registry.unregisterProcess(second.pid());
    EXPECT_EQ(registry.processes(), (QList<qint64>{first.pid(), getpid()}));
    registry.unregisterProcess(getpid());
    registry.unregisterProcess(getpid()); // not there any more: harmless
    EXPECT_EQ(registry.processes(), (QList<qint64>{first.pid()}));

    // The file holds one "pid starttime" line per copy.
    QFile file(registry.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::number(first.pid()) + ' '
                                  + QByteArray::number(CopyRegistry::processStartTime(first.pid())) + '\n');
}

TEST(CopyRegistry, CopiesThatNoLongerRunAreForgotten)
{
    QTemporaryDir dir;
    CopyRegistry registry(kExe, dir.path());

    Child killed, exited, alive;
    ASSERT_EQ(registry.registerProcess(killed.pid()), 0);
    ASSERT_EQ(registry.registerProcess(exited.pid()), 1);
    ASSERT_EQ(registry.registerProcess(alive.pid()), 2);
    // A pid that runs now but started at another time: the copy's pid was reused.
    appendLine(registry.filePath(),
               QByteArray::number(getppid()) + ' '
                   + QByteArray::number(CopyRegistry::processStartTime(getppid()) + 1));
    // Lines that are not entries are ignored.
    appendLine(registry.filePath(), "garbage line");

    kill(killed.pid(), SIGKILL); // not reaped: a zombie for now
    exited.release();
    exited.reap();
    for (int i = 0; i < 500 && CopyRegistry::processStartTime(killed.pid()) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    EXPECT_EQ(registry.processes(), (QList<qint64>{alive.pid()}));
    // The new copy takes the place after the one that still runs.
    EXPECT_EQ(registry.registerProcess(getpid()), 1);
    EXPECT_EQ(registry.processes(), (QList<qint64>{alive.pid(), getpid()}));
}

// One round: kCopies processes register at the same moment.
void registerAtOnce()
{
    QTemporaryDir dir;
    constexpr int kCopies = 12;
    int start[2], results[2], release[2];
    ASSERT_EQ(pipe(start), 0);
    ASSERT_EQ(pipe(results), 0);
    ASSERT_EQ(pipe(release), 0);

    std::vector<pid_t> pids;
    for (int i = 0; i < kCopies; ++i) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(start[1]);
            close(results[0]);
            close(release[1]);
            char c;
            while (read(start[0], &c, 1) < 0 && errno == EINTR) {
            } // every child waits here until the parent closes the pipe
            CopyRegistry registry(kExe, dir.path());
            const int position = registry.registerProcess(getpid());
            const int record[2] = {static_cast<int>(getpid()), position};
            if (write(results[1], record, sizeof record) != sizeof record)
                _exit(2);
            close(results[1]);
            while (read(release[0], &c, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        pids.push_back(pid);
    }
    close(start[0]);
    close(results[1]);
    close(release[0]);
    close(start[1]); // all children register at once

    std::vector<std::pair<int, int>> records; // position, pid
    int record[2];
    for (int i = 0; i < kCopies && read(results[0], record, sizeof record) == sizeof record; ++i)
        records.push_back({record[1], record[0]});
    close(results[0]);
    ASSERT_EQ(records.size(), static_cast<size_t>(kCopies));
    std::sort(records.begin(), records.end());

    CopyRegistry registry(kExe, dir.path());
    const QList<qint64> listed = registry.processes();
    ASSERT_EQ(listed.size(), kCopies);
    for (int i = 0; i < kCopies; ++i) {
        EXPECT_EQ(records[i].first, i) << "positions are 0..n-1, each given once";
        EXPECT_EQ(listed[i], records[i].second) << "the list is in the order of the positions";
    }

    close(release[1]);
    for (pid_t pid : pids) {
        int status;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_TRUE(registry.processes().isEmpty());
}

TEST(CopyRegistry, SimultaneousRegistrationsAllAppear)
{
    // A lost update needs an unlucky interleaving: several rounds make it show.
    for (int round = 0; round < 5 && !HasFailure(); ++round)
        registerAtOnce();
}

TEST(CopyRegistry, DefaultDirectoryIsPrivateToTheUser)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EXPECT_EQ(CopyRegistry::defaultDirectory(), runtime.path());
    EXPECT_TRUE(CopyRegistry(kExe).filePath().startsWith(runtime.path() + u'/'));

    qunsetenv("XDG_RUNTIME_DIR");
    const QString fallback = CopyRegistry::defaultDirectory();
    EXPECT_EQ(fallback, QStringLiteral("/tmp/tarvik-%1").arg(getuid()));
    QFileInfo info(fallback);
    EXPECT_TRUE(info.isDir());
    EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFileDevice::Permissions());
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
