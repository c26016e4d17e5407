#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "sim/AtomicFile.h"
#include "sim/BatchRun.h"
#include "sim/SimFile.h"
#include "tests/core/TestSupport.h"

namespace {

// Runs `body` in a child process with the default action for every signal
// this file sends, as a process started from a terminal has them.
pid_t StartChild(const std::function<void()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) std::signal(signal, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        body();
        ::_exit(0);
    }
    return pid;
}

pid_t StartCli(const std::vector<std::string>& args, const std::function<void()>& prepare = {})
{
    return StartChild([&] {
        if (prepare) prepare();
        std::vector<char*> argv{const_cast<char*>(MIRVOSIM_CLI)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(MIRVOSIM_CLI, argv.data());
        ::_exit(127);
    });
}

bool HasTempFile(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().front() == '.') return true;
    return false;
}

// Far beyond what any child here needs on a busy machine; past it the child
// is taken as hung, so the test fails instead of waiting for ever.
constexpr auto kChildDeadline = std::chrono::minutes(3);

// Kills a child that outlived its deadline, so that none is left running.
int KillHung(pid_t pid)
{
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Waits until `reached` holds; fails if the child ends first or hangs.
testing::AssertionResult WaitUntil(pid_t pid, const std::function<bool()>& reached)
{
    const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
    while (!reached()) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return testing::AssertionFailure() << "the child ended first";
        if (std::chrono::steady_clock::now() > deadline) {
            KillHung(pid);
            return testing::AssertionFailure() << "the child did not get there in time";
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult WaitForTempFile(pid_t pid, const std::filesystem::path& folder)
{
    return WaitUntil(pid, [&] { return HasTempFile(folder); });
}

// The child's exit status; a child that does not end in time is killed and
// reported, so its status (SIGKILL) fails the test's own checks as well.
int Wait(pid_t pid)
{
    const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the child did not end in time";
            return KillHung(pid);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return status;
}

// The shell's view of an exit status: 128 + n for a process ended by signal n.
int ShellStatus(int status)
{
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

TEST(InterruptedWrite, SignalDuringAWriteLeavesOnlyTheOldFile)
{
    const struct {
        int signal;
        int shellStatus;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("t.sim");
        WriteBytes(file, "old content");
        const pid_t pid =
            StartCli({"run", "--setting", "3", "--plays", "400000", "--seed", "7", "--out", file});
        ASSERT_TRUE(WaitForTempFile(pid, dir.path)) << "the write ended before it could be interrupted";
        ::kill(pid, c.signal);
        const int status = Wait(pid);
        EXPECT_EQ(ShellStatus(status), c.shellStatus) << strsignal(c.signal);
        EXPECT_EQ(ReadBytes(file), "old content") << strsignal(c.signal);
        EXPECT_EQ(FilesIn(dir.path), 1u) << strsignal(c.signal);
    }
}

TEST(InterruptedWrite, SignalDuringAStudyLeavesNoPartialRecordsFile)
{
    // The records file is open for the whole study, far longer than a .sim write.
    const struct {
        int signal;
        int shellStatus;
        bool oldFile;
    } cases[] = {{SIGINT, 130, true}, {SIGTERM, 143, false}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("study.csv");
        if (c.oldFile) WriteBytes(file, "old content");
        // Whatever its temporary file is named, it is the folder's new entry;
        // counted before the start, as a busy machine may let the study open it first.
        const std::size_t before = FilesIn(dir.path);
        const pid_t pid = StartCli({"run", "--setting", "3", "--plays", "8000", "--sims", "1000000", "--seed",
                                    "7", "--independent", "--jobs", "2", "--records", file});
        ASSERT_TRUE(WaitUntil(pid, [&] { return FilesIn(dir.path) != before; }))
            << "the study ended before it could be interrupted";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // some records written
        ::kill(pid, c.signal);
        EXPECT_EQ(ShellStatus(Wait(pid)), c.shellStatus) << strsignal(c.signal);
        EXPECT_EQ(FilesIn(dir.path), before) << strsignal(c.signal);
        if (c.oldFile)
            EXPECT_EQ(ReadBytes(file), "old content");
        else
            EXPECT_FALSE(std::filesystem::exists(file));
    }
}

TEST(InterruptedWrite, SignalDuringAMultiThreadStudyLeavesNoTemporaryFile)
{
    // Every thread writes its own files, and the others go on while the
    // handler runs: none may leave one behind or create one afterwards.
    // Struck at several moments of a study of small files, each signal.
    const struct {
        int signal;
        int shellStatus;
    } signals[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    const std::size_t moments[] = {0, 1, 30, 300};  // files written before the signal
    for (const auto& c : signals)
        for (const std::size_t written : moments) {
            SCOPED_TRACE(std::string(strsignal(c.signal)) + " after " + std::to_string(written) + " files");
            TempDir dir;
            const pid_t pid = StartCli({"run", "--setting", "3", "--plays", "150", "--sims", "1000000",
                                        "--seed", "4", "--independent", "--jobs", "4", "--no-sync", "--out",
                                        dir.File("s.sim"), "--records", dir.File("r.csv")});
            // The records file's temporary file is there from the start.
            ASSERT_TRUE(WaitUntil(pid, [&] { return FilesIn(dir.path) >= written + 1; }))
                << "the study ended before the signal";
            ::kill(pid, c.signal);
            EXPECT_EQ(ShellStatus(Wait(pid)), c.shellStatus);
            EXPECT_FALSE(HasTempFile(dir.path));
            EXPECT_FALSE(std::filesystem::exists(dir.File("r.csv")));
        }
}

TEST(InterruptedWrite, SignalIgnoredAtStartStaysIgnored)
{
    // As under nohup: the hang-up must not end the write.
    TempDir dir;
    const std::string file = dir.File("t.sim");
    const pid_t pid = StartCli({"run", "--setting", "3", "--plays", "400000", "--seed", "7", "--out", file},
                               [] { std::signal(SIGHUP, SIG_IGN); });
    if (WaitForTempFile(pid, dir.path)) ::kill(pid, SIGHUP);
    const int status = Wait(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(FilesIn(dir.path), 1u);
    EXPECT_GT(std::filesystem::file_size(file), 12u);
}

TEST(InterruptedWrite, TerminatedBatchKeepsItsFinishedFilesAndNoTemporary)
{
    // The window's batch on logout: the library with the handlers installed.
    TempDir dir;
    const std::string base = dir.File("b.sim");
    const pid_t pid = StartChild([&] {
        InstallWriteSignalHandlers();
        Program program(5);
        // Killed long before it ends.
        static_cast<void>(
            RunBatch(program.slot, program.random, 200000, {false, 2}, 50, base, program.series));
    });
    // Let the first file complete, then strike during a later one.
    ASSERT_TRUE(WaitUntil(pid, [&] { return std::filesystem::exists(dir.File("b2_200000_1.sim")); }));
    ASSERT_TRUE(WaitForTempFile(pid, dir.path));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(ShellStatus(Wait(pid)), 143);
    EXPECT_FALSE(HasTempFile(dir.path));
    PlaySeries back;
    EXPECT_TRUE(ReadSimFile(dir.File("b2_200000_1.sim"), back).Ok());
}

TEST(InterruptedWrite, FileSizeLimitIsAWriteErrorNotADeath)
{
    TempDir dir;
    const std::string file = dir.File("t.sim");
    const std::string err = dir.File("err.txt");
    const pid_t pid =
        StartCli({"run", "--setting", "3", "--plays", "10000", "--seed", "6", "--out", file}, [&] {
            const rlimit limit{100 * 1024, 100 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDERR_FILENO);
        });
    const int status = Wait(pid);
    EXPECT_EQ(ShellStatus(status), 1);
    EXPECT_EQ(ReadBytes(err), "error: cannot write '" + file + "': File too large\n");
    std::filesystem::remove(err);
    EXPECT_EQ(FilesIn(dir.path), 0u);
}

TEST(InterruptedWrite, RecordsBeyondTheFileSizeLimitAreAnError)
{
    TempDir dir;
    const std::string file = dir.File("study.csv");
    const std::string err = dir.File("err.txt");
    const pid_t pid = StartCli({"run", "--setting", "3", "--plays", "100", "--sims", "10000", "--seed", "6",
                                "--independent", "--records", file},
                               [&] {
                                   const rlimit limit{100 * 1024, 100 * 1024};
                                   setrlimit(RLIMIT_FSIZE, &limit);
                                   const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                                   ::dup2(fd, STDERR_FILENO);
                               });
    EXPECT_EQ(ShellStatus(Wait(pid)), 1);
    EXPECT_EQ(ReadBytes(err), "error: cannot write '" + file + "': File too large\n");
    std::filesystem::remove(err);
    EXPECT_EQ(FilesIn(dir.path), 0u);
}

}  // namespace
