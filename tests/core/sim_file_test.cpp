#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <thread>

#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/core/TestSupport.h"
#include "tests/support/FileSizeLimit.h"

namespace {

// Root writes into any folder while it holds these; without them the
// folder's mode binds root as well.
bool DropFileOverrides()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    for (const unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs `write` in a child without those powers and hands back its result.
WriteResult WriteWithoutOverrides(const std::function<WriteResult()>& write)
{
    int ends[2];
    if (::pipe(ends) != 0) return {StatusCode::Refused, "no pipe"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        if (!DropFileOverrides()) ::_exit(2);
        const WriteResult result = write();
        const char code = static_cast<char>(result.Code());
        bool sent = ::write(ends[1], &code, 1) == 1;
        sent = sent && ::write(ends[1], result.Message().data(), result.Message().size()) ==
                           static_cast<ssize_t>(result.Message().size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(ends[1]);
    std::string bytes;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(ends[0], buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(ends[0]);
    int exit = 0;
    ::waitpid(pid, &exit, 0);
    if (bytes.empty()) return {StatusCode::Refused, "the child could not drop its powers"};
    const auto code = static_cast<StatusCode>(bytes[0]);
    if (code == StatusCode::Ok) return Status::Success();
    return {code, bytes.substr(1)};
}

// Lets this process map only `room` bytes more than it has mapped now.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::size_t room)
    {
        getrlimit(RLIMIT_AS, &saved);
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit tight = saved;
        tight.rlim_cur = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + room;
        setrlimit(RLIMIT_AS, &tight);
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &saved); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit saved{};
};

PlaySeries SampleSeries(int plays, std::uint32_t seed = 11)
{
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;
    EXPECT_TRUE(RunSingle(slot, random, plays, {false, 3}, series));
    return series;
}

TEST(SimFile, HeaderAndRecordsAreLittleEndianInt32)
{
    PlaySeries series;
    series.Append(PlayRow{1, -3, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string bytes = EncodeSimFile(3, 800, series);
    const std::string expected(
        "\x05\0\0\0\x03\0\0\0\x20\x03\0\0"
        "\x01\0\0\0\xfd\xff\xff\xff\x01\0\0\0",
        24);
    ASSERT_EQ(bytes.size(), 12u + 44u);
    EXPECT_EQ(bytes.substr(0, 24), expected);
}

TEST(SimFile, WrittenFileReadsBackValueForValue)
{
    TempDir dir;
    const PlaySeries series = SampleSeries(5000);
    const std::string file = dir.File("run.sim");
    ASSERT_TRUE(WriteSimFile(file, 3, 5000, series).Ok());
    EXPECT_EQ(std::filesystem::file_size(file), 12 + 44 * series.Size());

    PlaySeries back;
    const SimReadResult read = ReadSimFile(file, back);
    ASSERT_TRUE(read.Ok()) << read.message;
    EXPECT_EQ(read.setting, 3);
    EXPECT_EQ(read.playCount, 5000);
    EXPECT_TRUE(back == series);
    EXPECT_EQ(FilesIn(dir.path), 1u);  // no temporary file left behind
}

TEST(SimFile, OnlyWholeRecordsAreRead)
{
    TempDir dir;
    const PlaySeries series = SampleSeries(20);
    const std::string full = EncodeSimFile(-9, -1, series);
    for (const std::size_t cut : {0, 1, 43}) {
        for (const std::size_t records : {std::size_t{0}, std::size_t{1}, series.Size() - 1}) {
            const std::string file = dir.File("cut.sim");
            WriteBytes(file, full.substr(0, 12 + 44 * records + cut));
            PlaySeries back;
            const SimReadResult read = ReadSimFile(file, back);
            ASSERT_TRUE(read.Ok());
            EXPECT_EQ(back.Size(), records) << "records " << records << " cut " << cut;
            EXPECT_EQ(read.setting, -9);  // header values are handed on untested
            EXPECT_EQ(read.playCount, -1);
        }
    }
}

TEST(SimFile, WhatIsNotASimulationFile)
{
    TempDir dir;
    const std::string header = EncodeSimFile(1, 0, PlaySeries());
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"3 bytes", std::string("\x05\0\0", 3)},
        {"identification only", header.substr(0, 4)},
        {"cut header", header.substr(0, 11)},
        {"text", "Play数 8000\n設定 3\n"},
        {"wrong identification", std::string("\x06\0\0\0\x01\0\0\0\x01\0\0\0", 12)},
        {"big-endian 5", std::string("\0\0\0\x05\x01\0\0\0\x01\0\0\0", 12)},
    };
    for (const auto& c : cases) {
        const std::string file = dir.File("bad.sim");
        WriteBytes(file, c.bytes);
        PlaySeries back;
        back.Append(PlayRow{});
        const SimReadResult read = ReadSimFile(file, back);
        EXPECT_EQ(read.status, SimReadResult::Status::NotSimFile) << c.what;
        EXPECT_EQ(read.message, "このファイルは、Mirvosimファイルではありません。") << c.what;
        EXPECT_TRUE(back.Empty()) << c.what;

        back.Append(PlayRow{});
        EXPECT_EQ(
            ReadSimBytes(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), back).status,
            SimReadResult::Status::NotSimFile)
            << c.what;
    }

    PlaySeries back;
    WriteBytes(dir.File("header.sim"), header);
    EXPECT_TRUE(ReadSimFile(dir.File("header.sim"), back).Ok());
    EXPECT_TRUE(back.Empty());
}

TEST(SimFile, MissingFilesAndFoldersAreReportedWithTheirName)
{
    TempDir dir;
    PlaySeries back;
    const SimReadResult missing = ReadSimFile(dir.File("none.sim"), back);
    EXPECT_EQ(missing.status, SimReadResult::Status::CannotOpen);
    EXPECT_NE(missing.message.find("none.sim"), std::string::npos);
    EXPECT_EQ(ReadSimFile(dir.path.string(), back).status, SimReadResult::Status::CannotOpen);

    const WriteResult noFolder = WriteSimFile(dir.File("no/such/folder.sim"), 1, 1, SampleSeries(1));
    EXPECT_EQ(noFolder.Code(), StatusCode::CannotCreate);
    EXPECT_NE(noFolder.Message().find("folder.sim"), std::string::npos);
    EXPECT_EQ(WriteSimFile(dir.path.string(), 1, 1, SampleSeries(1)).Code(), StatusCode::CannotCreate);
}

TEST(SimFile, FullDeviceIsAFailedWriteNotASuccess)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const WriteResult result = WriteSimFile("/dev/full", 1, 1000, SampleSeries(1000));
    EXPECT_EQ(result.Code(), StatusCode::WriteFailed);
    EXPECT_NE(result.Message().find("/dev/full"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(SimFile, FailedWriteKeepsTheOlderFileAndLeavesNoDebris)
{
    TempDir dir;
    const std::string file = dir.File("keep.sim");
    const PlaySeries small = SampleSeries(10);
    ASSERT_TRUE(WriteSimFile(file, 2, 10, small).Ok());
    const std::string before = ReadBytes(file);

    WriteResult result;
    {
        FileSizeLimit limit(4096);
        result = WriteSimFile(file, 2, 5000, SampleSeries(5000));
    }
    EXPECT_EQ(result.Code(), StatusCode::WriteFailed);
    EXPECT_NE(result.Message().find("keep.sim"), std::string::npos);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(FilesIn(dir.path), 1u);
}

TEST(SimFile, ReplacingKeepsPermissionsAndFollowsLinks)
{
    TempDir dir;
    const std::string file = dir.File("target.sim");
    ASSERT_TRUE(WriteSimFile(file, 1, 1, SampleSeries(1)).Ok());
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    const std::string link = dir.File("link.sim");
    std::filesystem::create_symlink(file, link);

    ASSERT_TRUE(WriteSimFile(link, 4, 20, SampleSeries(20)).Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    PlaySeries back;
    EXPECT_EQ(ReadSimFile(file, back).setting, 4);
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(SimFile, NamesUpToTheFolderLimitAreWritten)
{
    TempDir dir;
    std::string kana;
    while (kana.size() + 3 <= 255) kana += "あ";  // 255 bytes, cut inside a character by a naive shortening
    const std::string names[] = {std::string(247, 'a'), std::string(248, 'b'), std::string(251, 'c') + ".sim",
                                 kana};
    const PlaySeries series = SampleSeries(30);
    for (const std::string& name : names) {
        const std::string file = dir.File(name);
        for (int pass = 0; pass < 2; ++pass) {  // create, then replace
            const WriteResult written = WriteSimFile(file, 2, 30, series);
            ASSERT_TRUE(written.Ok()) << name.size() << " bytes: " << written.Message();
        }
        PlaySeries back;
        EXPECT_TRUE(ReadSimFile(file, back).Ok() && back == series) << name.size() << " bytes";
        EXPECT_EQ(FilesIn(dir.path), 1u) << name.size() << " bytes";
        std::filesystem::remove(file);
    }
}

TEST(SimFile, DanglingLinksAreFollowedAndLoopsRefused)
{
    TempDir dir;
    const PlaySeries series = SampleSeries(10);
    std::filesystem::create_directory(dir.File("sub"));

    // A link to a file not made yet, and a chain of two such links.
    std::filesystem::create_symlink("sub/new.sim", dir.File("link.sim"));
    ASSERT_TRUE(WriteSimFile(dir.File("link.sim"), 1, 10, series).Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.sim")));
    EXPECT_EQ(ReadBytes(dir.File("sub/new.sim")), EncodeSimFile(1, 10, series));

    std::filesystem::create_symlink(dir.File("chain2.sim"), dir.File("chain1.sim"));
    std::filesystem::create_symlink("sub/end.sim", dir.File("chain2.sim"));
    ASSERT_TRUE(WriteSimFile(dir.File("chain1.sim"), 1, 10, series).Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("chain1.sim")) &&
                std::filesystem::is_symlink(dir.File("chain2.sim")));
    EXPECT_EQ(ReadBytes(dir.File("sub/end.sim")), EncodeSimFile(1, 10, series));

    // Loops stay as they are and the write is refused.
    std::filesystem::create_symlink("self.sim", dir.File("self.sim"));
    std::filesystem::create_symlink("b.sim", dir.File("a.sim"));
    std::filesystem::create_symlink("a.sim", dir.File("b.sim"));
    for (const char* name : {"self.sim", "a.sim"}) {
        const WriteResult written = WriteSimFile(dir.File(name), 1, 10, series);
        EXPECT_EQ(written.Code(), StatusCode::CannotCreate) << name;
        EXPECT_NE(written.Message().find("Too many levels of symbolic links"), std::string::npos)
            << written.Message();
        EXPECT_TRUE(std::filesystem::is_symlink(dir.File(name))) << name;
    }

    // A link into a folder that does not exist names that folder.
    std::filesystem::create_symlink("gone/x.sim", dir.File("nowhere.sim"));
    const WriteResult nowhere = WriteSimFile(dir.File("nowhere.sim"), 1, 10, series);
    EXPECT_EQ(nowhere.Code(), StatusCode::CannotCreate);
    EXPECT_NE(nowhere.Message().find("the folder '" + dir.File("gone") + "' does not exist"),
              std::string::npos)
        << nowhere.Message();
    EXPECT_EQ(FilesIn(dir.path), 8u);  // sub and seven links: no temporary file anywhere
}

TEST(SimFile, ReadOnlyFolderIsNamedAsTheCause)
{
    TempDir dir;
    const std::string folder = dir.File("ro");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/exist.sim";
    WriteBytes(file, "old");
    std::filesystem::permissions(folder,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const WriteResult written =
        WriteWithoutOverrides([&] { return WriteSimFile(file, 1, 1, SampleSeries(1)); });
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(written.Code(), StatusCode::CannotCreate);
    EXPECT_EQ(written.Message(), "cannot create '" + file + "': the folder '" + folder +
                                     "' is not writable (Permission denied)");
    EXPECT_EQ(ReadBytes(file), "old");
}

TEST(SimFile, UnsyncedWritesGiveTheSameFile)
{
    TempDir dir;
    const PlaySeries series = SampleSeries(100);
    const WriteResult written =
        WriteSimFile(dir.File("fast.sim"), 5, 100, series, WriteOptions{.sync = false});
    ASSERT_TRUE(written.Ok());
    EXPECT_EQ(ReadBytes(dir.File("fast.sim")), EncodeSimFile(5, 100, series));
}

TEST(SimFile, MoreRecordsThanTheLimitAreRefusedFromFilesAndPipes)
{
    TempDir dir;
    const PlaySeries series = SampleSeries(80);
    const std::string bytes = EncodeSimFile(1, 80, series);
    const std::string file = dir.File("run.sim");
    WriteBytes(file, bytes);
    PlaySeries back;
    EXPECT_TRUE(ReadSimFile(file, back, series.Size()).Ok());
    EXPECT_EQ(ReadSimFile(file, back, series.Size() - 1).status, SimReadResult::Status::TooLarge);
    EXPECT_TRUE(back.Empty());

    // An endless pipe: refused once past the limit, and its rows given back.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const auto previousPipeHandler = std::signal(SIGPIPE, SIG_IGN);  // the writer ends on EPIPE
    std::thread writer([&] {
        EXPECT_TRUE(WriteAllBytes(ends[1], bytes.data(), SIM_HEADER_BYTES));
        const std::string zeros(1 << 16, '\0');
        while (WriteAllBytes(ends[1], zeros.data(), zeros.size())) {
        }
        ::close(ends[1]);
    });
    const SimReadResult read = ReadSimFile("/dev/fd/" + std::to_string(ends[0]), back, 100000);
    ::close(ends[0]);
    writer.join();
    std::signal(SIGPIPE, previousPipeHandler);
    EXPECT_EQ(read.status, SimReadResult::Status::TooLarge);
    EXPECT_NE(read.message.find("more than 100000 records"), std::string::npos) << read.message;
    EXPECT_TRUE(back.Empty());
    EXPECT_EQ(back.MemoryBytes(), 0u);
}

TEST(SimFile, ReadingReleasesItsDescriptorWhenMemoryRunsOut)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    TempDir dir;
    const std::string file = dir.File("big.sim");
    WriteBytes(file, EncodeSimFile(1, 1, SampleSeries(1)));
    std::filesystem::resize_file(file, std::uintmax_t{400} << 20);  // sparse: no disk used
    const std::size_t before = FilesIn("/proc/self/fd");
    {
        // Room for the read buffer, not for the reservation of the file's rows.
        AddressSpaceLimit limit(std::size_t{64} << 20);
        PlaySeries back;
        EXPECT_THROW(ReadSimFile(file, back, SIZE_MAX), std::bad_alloc);
    }
    EXPECT_EQ(FilesIn("/proc/self/fd"), before);
}

}  // namespace
