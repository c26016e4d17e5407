#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>

#include "sim/BatchName.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/support/CliSupport.h"
#include "tests/support/WholeNumberCases.h"

namespace {

// Runs a shell command line in which CLI stands for the program.
CliResult Shell(const std::string& line, const TempDir& dir)
{
    return RunShellCommand("CLI=" + Quote(MIRVOSIM_CLI) + "; { " + line + "; }", dir);
}

CliResult Cli(const std::string& args, const TempDir& dir)
{
    return Shell("\"$CLI\" " + args, dir);
}

std::string LibraryRun(std::uint32_t seed, int plays, int setting)
{
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;
    EXPECT_TRUE(RunSingle(slot, random, plays, {false, setting}, series));
    return EncodeSimFile(setting, plays, series);
}

TEST(CliRun, SingleRunWritesTheSameFileAsTheLibrary)
{
    TempDir dir;
    const std::string out = dir.File("one.sim");
    const CliResult result = Cli("run --setting 4 --plays 3000 --seed 99 --out " + Quote(out), dir);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, out + "\n");
    EXPECT_EQ(result.err, "");

    EXPECT_EQ(ReadBytes(out), LibraryRun(99, 3000, 4));

    const std::string again = dir.File("again.sim");
    ASSERT_EQ(Cli("run --setting=4 --plays=3000 --seed=99 --out=" + Quote(again), dir).status, 0);
    EXPECT_EQ(ReadBytes(again), ReadBytes(out));
}

TEST(CliRun, BatchPrintsEveryTaggedName)
{
    TempDir dir;
    const CliResult result =
        Cli("run --setting '?' --plays 200 --sims 3 --seed 7 --out " + Quote(dir.File("b.sim")), dir);
    ASSERT_EQ(result.status, 0) << result.err;

    RandomSource random;
    random.Seed(7);
    Slot slot(random);
    PlaySeries series;
    std::string expected;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(RunSingle(slot, random, 200, {true, 0}, series));
        const std::string name = BatchFileName(dir.File("b.sim"), slot.GetSetting(), 200, i);
        expected += name + "\n";
        EXPECT_EQ(ReadBytes(name), EncodeSimFile(slot.GetSetting(), 200, series));
    }
    EXPECT_EQ(result.out, expected);
}

TEST(CliRun, SeedIsPrintedWhenNotGiven)
{
    TempDir dir;
    const CliResult result = Cli("run --setting 1 --plays 10 --out " + Quote(dir.File("t.sim")), dir);
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err.rfind("seed: ", 0), 0u) << result.err;
}

TEST(CliRun, BadArgumentsWriteNothing)
{
    const char* const cases[] = {
        "run",
        "run --plays 10 --out X",
        "run --setting 1 --out X",
        "run --setting 1 --plays 10",
        "run --setting 7 --plays 10 --out X",
        "run --setting 0 --plays 10 --out X",
        "run --setting ' ?' --plays 10 --out X",
        "run --setting 1 --plays 0 --out X",
        "run --setting 1 --plays abc --out X",
        "run --setting 1 --plays 1.5 --out X",
        "run --setting 1 --plays 10 --sims 0 --out X",
        "run --setting 1 --plays 10 --sims -2 --out X",
        "run --setting 1 --plays 10 --seed -1 --out X",
        "run --setting 1 --plays 10 --seed 4294967296 --out X",
        "run --setting 1 --plays 10 --out X --colour red",
        "run --setting 1 --plays",
        "run --setting 1 --plays 2147483647 --out X",
        "run --setting 1 --plays 10 --plays 10 --out X",
        "run --setting 1 --plays 10 --out X extra",
        "frobnicate",
        "--version x",
        "export X --what plays --format csv --out ''",
    };
    for (const char* args : cases) {
        TempDir dir;
        const CliResult result = Cli(std::string(args) + " ", dir);
        EXPECT_EQ(result.status, 2) << args;
        EXPECT_EQ(result.err.rfind("error: ", 0), 0u) << args << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << args << ": " << result.err;
        EXPECT_EQ(result.out, "") << args;
        EXPECT_EQ(FilesIn(dir.path), 0u) << args;
    }
}

TEST(CliRun, ArgumentMessagesNameTheRealCause)
{
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"run --setting 1 --plays 2147483648 --out X",
         "--plays must be from 1 to 2147483647, not '2147483648'"},
        {"run --setting 1 --plays 1x --out X", "--plays must be a whole number, not '1x'"},
        {"run --setting 1 --plays --out a.sim", "--plays needs a value"},
        {"run --setting 1 --plays 5 --out X --setting 2", "--setting is given more than once"},
        {"run --setting=1 --plays 5 --out X --setting 1", "--setting is given more than once"},
        {"run --setting 1 --plays 5 --seed 4294967296 --out X",
         "--seed must be from 0 to 4294967295, not '4294967296'"},
        {"run --setting 1 --plays 5 --out X --colour red",
         "unknown option '--colour' (see mirvosim-cli run --help)"},
        {"report --verbose", "unknown option '--verbose' (see mirvosim-cli report --help)"},
        {"run --setting 1 --plays 5 --no-sync=yes --out X", "--no-sync takes no value"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const CliResult result = Cli(c.args, dir);
        EXPECT_EQ(result.status, 2) << c.args;
        EXPECT_EQ(result.err, std::string("error: ") + c.message + "\n") << c.args;
    }
}

TEST(CliRun, LeadingZerosAndSignsAreWholeNumbers)
{
    TempDir dir;
    const CliResult padded =
        Cli("run --setting 2 --plays 0100 --seed 00000000007 --out " + Quote(dir.File("a.sim")), dir);
    ASSERT_EQ(padded.status, 0) << padded.err;
    ASSERT_EQ(
        Cli("run --setting 2 --plays +100 --seed 7 --no-sync --out " + Quote(dir.File("b.sim")), dir).status,
        0);
    EXPECT_EQ(ReadBytes(dir.File("a.sim")), ReadBytes(dir.File("b.sim")));
}

// The table every reader of whole numbers shares, through --seed (as every
// integer option reads it) and --prior (whose decimal weights are framed alike).
TEST(CliRun, WholeNumbersReadAsEverywhere)
{
    TempDir dir;
    const std::string sim = dir.File("p.sim");
    ASSERT_EQ(Cli("run --setting 1 --plays 300 --seed 5 --no-sync --out " + Quote(sim), dir).status, 0);
    for (const WholeNumberCase& c : WHOLE_NUMBER_CASES) {
        const std::string out = dir.File("s.sim");
        std::filesystem::remove(out);
        const CliResult seeded =
            Cli("run --setting 1 --plays 1 --no-sync --seed " + Quote(c.text) + " --out " + Quote(out), dir);
        const bool isSeed = c.value && *c.value >= 0 && *c.value <= UINT32_MAX;
        EXPECT_EQ(seeded.status, isSeed ? 0 : 2) << "'" << c.text << "': " << seeded.err;
        if (isSeed) {
            EXPECT_EQ(ReadBytes(out), LibraryRun(static_cast<std::uint32_t>(*c.value), 1, 1)) << c.text;
        }

        const CliResult weighed =
            Cli("estimate " + Quote(sim) + " --prior " + Quote(std::string(c.text) + ",1,1,1,1,1"), dir);
        const bool isWeight = (c.value && *c.value >= 0) || c.decimal;
        EXPECT_EQ(weighed.status, isWeight ? 0 : 2) << "'" << c.text << "': " << weighed.err;
    }
}

TEST(CliRun, ErrorsEchoingANameStayOneLine)
{
    TempDir dir;
    const struct {
        std::string args;
        int status;
        std::string echoed;
    } cases[] = {
        {"report " + Quote("a\nb\tc.sim"), 1, "'a\\nb\\tc.sim'"},
        {"run --setting " + Quote("1\r\x1b") + " --plays 1 --out x.sim", 2, "'1\\r\\x1b'"},
        {"--version " + Quote("x\ny"), 2, "'x\\ny'"},
    };
    for (const auto& c : cases) {
        const CliResult result = Cli(c.args, dir);
        EXPECT_EQ(result.status, c.status) << c.args;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(c.echoed), std::string::npos) << result.err;
    }
}

TEST(CliRun, UnwritableFileIsAnErrorAfterTheFilesBeforeIt)
{
    TempDir dir;
    const CliResult missing =
        Cli("run --setting 1 --plays 10 --seed 1 --out " + Quote(dir.File("no/x.sim")), dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("x.sim"), std::string::npos);

    // Simulation 2's name is a folder, so the batch stops there.
    std::filesystem::create_directory(dir.File("r1_10_2.sim"));
    const CliResult batch =
        Cli("run --setting 1 --plays 10 --sims 3 --seed 1 --out " + Quote(dir.File("r.sim")), dir);
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.out, dir.File("r1_10_1.sim") + "\n");
    EXPECT_NE(batch.err.find("r1_10_2.sim"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.File("r1_10_1.sim")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("r1_10_3.sim")));
}

TEST(CliRun, OutputOnStdoutKeepsTheDataClean)
{
    TempDir dir;
    const std::string run = "\"$CLI\" run --setting 2 --plays 300 --seed 5 ";
    const std::string expected = LibraryRun(5, 300, 2);

    const CliResult piped = Shell(run + "--out /dev/stdout | cat", dir);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, expected);
    EXPECT_EQ(piped.err, "/dev/stdout\n");

    // Appended where stdout stands, not renamed over the file it writes to.
    const std::string log = dir.File("log");
    WriteBytes(log, "before\n");
    EXPECT_EQ(Shell(run + "--out /dev/stdout >> " + Quote(log), dir).status, 0);
    EXPECT_EQ(ReadBytes(log), "before\n" + expected);
    std::filesystem::remove(log);

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const struct {
        std::string line;
        std::string message;
    } full[] = {
        {run + "--out /dev/stdout > /dev/full",
         "error: cannot write '/dev/stdout': No space left on device\n"},
        {run + "--out " + Quote(dir.File("a.sim")) + " > /dev/full",
         "error: cannot write the list of written files: No space left on device\n"},
        {run + "--sims 2 --out " + Quote(dir.File("b.sim")) + " > /dev/full",
         "error: cannot write the list of written files: No space left on device\n"},
    };
    for (const auto& c : full) {
        const CliResult result = Shell(c.line, dir);
        EXPECT_EQ(result.status, 1) << c.line;
        EXPECT_EQ(result.err, c.message) << c.line;
    }
    EXPECT_EQ(ReadBytes(dir.File("a.sim")), expected);  // the file itself was written
}

TEST(CliRun, EndlessPipeIsRefusedWithinTheMemoryLimit)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    TempDir dir;
    // 128 MB of address space: the bound is met long before memory runs out.
    const CliResult result = Shell(
        "(printf '\\5\\0\\0\\0\\1\\0\\0\\0\\n\\0\\0\\0'; cat /dev/zero) | "
        "(ulimit -v 131072; exec \"$CLI\" report /dev/stdin)",
        dir);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("error: cannot read '/dev/stdin': more than ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(" records do not fit in this machine's memory\n"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "");
}

TEST(CliRun, MemoryLimitCountsOnlyWhatTheCommandLineHolds)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    TempDir dir;
    // Under 4 GB of address space the budget is half of it (or of the
    // machine): the series alone takes 1.45 rows of 44 bytes per play, where
    // the window's own estimate (120 bytes a play) would allow half as many.
    const CliResult tooMany =
        Shell("ulimit -v 4194304; exec \"$CLI\" run --setting 1 --plays 2000000000 --out x.sim", dir);
    EXPECT_EQ(tooMany.status, 2);
    const auto at = tooMany.err.find("(at most ");
    ASSERT_NE(at, std::string::npos) << tooMany.err;
    const double most = std::stod(tooMany.err.substr(at + 9));
    const double physicalHalf =
        static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 2;
    const double expected = std::min(physicalHalf, 2147483648.0) / (1.45 * 44);
    EXPECT_NEAR(most, expected, expected * 1e-6);  // only the rounding down to whole plays differs
}

TEST(CliRun, HelpDescribesTheCommands)
{
    TempDir dir;
    const CliResult result = Cli("--help", dir);
    EXPECT_EQ(result.status, 0);
    for (const char* word : {"run", "--setting", "--plays", "--sims", "--seed", "--out", "report", "charts"})
        EXPECT_NE(result.out.find(word), std::string::npos) << word;

    // Every command answers --help on stdout with its own usage, whatever else is given.
    for (const char* command : {"run", "report", "charts"}) {
        for (const char* args : {" --help", " -h", " --plays --help", " x.sim --help"}) {
            const CliResult help = Cli(command + std::string(args), dir);
            EXPECT_EQ(help.status, 0) << command << args;
            EXPECT_EQ(help.out.rfind(std::string("usage: mirvosim-cli ") + command, 0), 0u)
                << command << args;
            EXPECT_EQ(help.err, "") << command << args;
        }
    }
}

}  // namespace
