// Commands that would write over their own input, or put two of their
// outputs into one file, refuse before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/CliSupport.h"

namespace {

namespace fs = std::filesystem;

// Every file below `folder` (links as links) with its bytes.
std::map<std::string, std::string> Contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            files[name] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            files[name] = ReadBytes(entry.path().string());
        else
            files[name] = "folder";
    }
    return files;
}

// A folder with in.sim (setting 2, 100 plays), a link to it, a hard link, and
// an earlier batch file.
void MakeInputs(const TempDir& dir)
{
    ASSERT_EQ(RunCliIn("run --setting 2 --plays 100 --seed 1 --no-sync --out in.sim", dir).status, 0);
    fs::create_symlink("in.sim", dir.path / "link.sim");
    fs::create_hard_link(dir.path / "in.sim", dir.path / "hard.sim");
    fs::create_directory(dir.path / "tables");
    fs::copy_file(dir.path / "in.sim", dir.path / "tables" / "plays.csv");
    fs::copy_file(dir.path / "in.sim", dir.path / "b3_100_2.sim");
    fs::create_symlink("../later.csv", dir.path / "tables" / "b1_100_1.sim");
}

TEST(CliOverwrite, RefusedBeforeAnythingIsWritten)
{
    const struct {
        const char* args;
        const char* first;
        const char* second;
    } cases[] = {
        {"run --setting 1 --plays 50 --seed 1 --out in.sim --records in.sim", "in.sim", "in.sim"},
        {"run --setting 1 --plays 50 --seed 1 --out new.sim --records ./new.sim", "new.sim", "./new.sim"},
        {"run --setting 1 --plays 50 --seed 1 --out link.sim --records hard.sim", "link.sim", "hard.sim"},
        {"run --setting 3 --plays 100 --sims 3 --seed 1 --out b.sim --records b3_100_2.sim", "b.sim",
         "b3_100_2.sim"},
        {"run --setting 3 --plays 100 --sims 3 --seed 1 --out b.sim --records tables/../b3_100_3.sim",
         "b.sim", "tables/../b3_100_3.sim"},
        {"run --setting '?' --plays 100 --sims 3 --seed 1 --out b.sim --records b6_100_1.sim", "b.sim",
         "b6_100_1.sim"},
        {"run --setting 1 --plays 100 --sims 2 --seed 1 --out tables/b.sim --records later.csv",
         "tables/b.sim", "later.csv"},
        {"run --setting 4 --plays 100 --sims 30 --seed 1 --independent --shard 2/3 --out s.sim --records "
         "s4_100_11.sim",
         "s.sim", "s4_100_11.sim"},
        {"export in.sim --what plays --format csv --out in.sim", "in.sim", "in.sim"},
        {"export link.sim --what summary --format json --out hard.sim", "link.sim", "hard.sim"},
        {"export tables/plays.csv --what all --format csv --out tables", "tables/plays.csv",
         "tables/plays.csv"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        MakeInputs(dir);
        const auto before = Contents(dir.path);
        const CliResult result = RunCliIn(c.args, dir);
        EXPECT_EQ(result.status, 2) << c.args;
        EXPECT_EQ(result.out, "") << c.args;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.args << ": " << result.err;
        for (const char* name : {c.first, c.second})
            EXPECT_NE(result.err.find(std::string("'") + name + "'"), std::string::npos)
                << c.args << ": " << result.err;
        EXPECT_EQ(Contents(dir.path), before) << c.args;
    }
}

TEST(CliOverwrite, OutputsApartAreWritten)
{
    const char* const cases[] = {
        // A batch never writes its base name itself.
        "run --setting 3 --plays 100 --sims 2 --seed 1 --no-sync --out r.csv --records r.csv",
        // Not one of this batch's numbers, settings or play counts.
        "run --setting 3 --plays 100 --sims 2 --seed 1 --no-sync --out b.sim --records b3_100_3.sim",
        "run --setting 3 --plays 100 --sims 2 --seed 1 --no-sync --out b.sim --records b4_100_1.sim",
        "run --setting 3 --plays 100 --sims 2 --seed 1 --no-sync --out b.sim --records b3_1000_1.sim",
        "run --setting 3 --plays 100 --sims 30 --seed 1 --independent --shard 2/3 --no-sync --out s.sim "
        "--records s3_100_21.sim",
        // Nothing is stored in a device.
        "run --setting 1 --plays 50 --seed 1 --out /dev/null --records /dev/null",
        "export in.sim --what plays --format csv --out copy.csv",
    };
    for (const char* args : cases) {
        TempDir dir;
        MakeInputs(dir);
        const CliResult result = RunCliIn(args, dir);
        EXPECT_EQ(result.status, 0) << args << ": " << result.err;
    }
}

TEST(CliOverwrite, FailedExportLeavesNoFolderOfItsOwn)
{
    TempDir dir;
    MakeInputs(dir);
    // The first table cannot be written: the folder it made goes again.
    const CliResult failed = RunShellIn(
        "(ulimit -f 0; exec " + Quote(MIRVOSIM_CLI) + " export in.sim --what all --format csv --out made)",
        dir);
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_FALSE(fs::exists(dir.path / "made"));
    // A folder that was there stays, even when nothing could be written into it.
    const CliResult kept = RunShellIn(
        "(ulimit -f 0; exec " + Quote(MIRVOSIM_CLI) + " export in.sim --what all --format csv --out tables)",
        dir);
    EXPECT_EQ(kept.status, 1) << kept.err;
    EXPECT_TRUE(fs::is_directory(dir.path / "tables"));
}

}  // namespace
