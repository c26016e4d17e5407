#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "sim/SimFile.h"
#include "tests/support/CliSupport.h"

namespace {

// Five simulations of one game each, with final balances 50, 10, 40, 20, 30:
// every figure of the summary is known by hand.
TEST(CliSummary, HandMadeFilesGiveKnownStatistics)
{
    TempDir dir;
    std::string files;
    int i = 0;
    for (const int balance : {50, 10, 40, 20, 30}) {
        PlaySeries series;
        PlayRow row{};
        row.playCount = 1;
        row.gamesSinceBonus = 1;
        row.medals = balance;
        series.Append(row);
        std::string name = "f";  // in steps: GCC 12 misreports "f" + std::string at -O3
        name += std::to_string(++i);
        name += ".sim";
        WriteBytes(dir.File(name), EncodeSimFile(3, 1, series));
        files += ' ';
        files += name;
    }
    const CliResult result = RunCliIn("summary --json" + files, dir);
    ASSERT_EQ(result.status, 0) << result.err;
    const auto j = nlohmann::ordered_json::parse(result.out);
    std::vector<std::string> keys;
    for (const auto& item : j.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"count", "by_setting", "final_balance", "payout_percent", "big",
                                              "reg", "longest_drought", "lowest_balance", "p_profit",
                                              "histogram", "bands"}));
    EXPECT_EQ(j["count"], 5);
    const auto& fb = j["final_balance"];
    std::vector<std::string> statKeys;
    for (const auto& item : fb.items()) statKeys.push_back(item.key());
    EXPECT_EQ(statKeys, (std::vector<std::string>{"mean", "sd", "min", "max", "p1", "p5", "p10", "p25", "p50",
                                                  "p75", "p90", "p95", "p99"}));
    EXPECT_EQ(fb["mean"].get<double>(), 30);
    // sqrt(1000 / 4); tolerance: one rounding of the square root.
    EXPECT_NEAR(fb["sd"].get<double>(), 15.811388300841896, 4e-15);
    EXPECT_EQ(fb["min"].get<double>(), 10);
    EXPECT_EQ(fb["p25"].get<double>(), 20);
    EXPECT_EQ(fb["p50"].get<double>(), 30);
    // Positions 0.04 and 3.96: within 2 ulps of the decimal values.
    EXPECT_NEAR(fb["p1"].get<double>(), 10.4, 4e-15);
    EXPECT_NEAR(fb["p99"].get<double>(), 49.6, 1.5e-14);
    EXPECT_EQ(j["p_profit"], 1.0);
    // One game: payout (b + 3) / 3 * 100, so 1100 % for 30 medals.
    EXPECT_NEAR(j["payout_percent"]["p50"].get<double>(), 1100, 1e-12);
    EXPECT_EQ(j["by_setting"].size(), 1u);
    EXPECT_EQ(j["by_setting"]["3"]["count"], 5);
    EXPECT_EQ(j["bands"]["plays"].size(), 100u);
    EXPECT_EQ(j["bands"]["p50"][99].get<double>(), 30);

    const CliResult text = RunCliIn("summary" + files, dir);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find(
                  "\nfinal_balance\t30\t15.8113883008419\t10\t10.4\t12\t14\t20\t30\t40\t46\t48\t49.6\t50\t"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("\nfinal_balance_yen\t600\t"), std::string::npos);
}

// Any split of an independent study, and records against files, give the
// same summary byte for byte.
TEST(CliSummary, SplitsAndRecordsGiveTheSameSummary)
{
    TempDir dir;
    const std::string study = "run --setting '?' --plays 1500 --sims 60 --independent --seed 11";
    ASSERT_EQ(RunCliIn(study + " --jobs 1 --records all.csv --out s.sim", dir).status, 0);
    for (int k = 1; k <= 4; ++k) {
        const std::string shard = std::to_string(k);
        const CliResult part =
            RunCliIn(study + " --shard " + shard + "/4 --jobs " + std::to_string(k % 3 + 1) +
                         " --records part" + shard + (k % 2 ? ".jsonl" : ".csv"),
                     dir);
        ASSERT_EQ(part.status, 0) << part.err;
    }
    const CliResult whole = RunCliIn("summary --json all.csv", dir);
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(RunCliIn("summary --json part4.csv part2.csv part1.jsonl part3.jsonl", dir).out, whole.out);
    EXPECT_EQ(RunCliIn("summary --json s*.sim", dir).out, whole.out);
    EXPECT_EQ(RunCliIn("summary s*.sim", dir).out, RunCliIn("summary all.csv", dir).out);
    EXPECT_GT(nlohmann::json::parse(whole.out)["by_setting"].size(), 1u);

    // The sequential batch: --records changes none of its files.
    const std::string batch = "run --setting 2 --plays 700 --sims 3 --seed 5";
    ASSERT_EQ(RunCliIn(batch + " --out a/x.sim", dir).status, 2 - 1);  // folder missing: a file error
    std::filesystem::create_directories(dir.path / "a");
    std::filesystem::create_directories(dir.path / "b");
    ASSERT_EQ(RunCliIn(batch + " --out a/x.sim", dir).status, 0);
    ASSERT_EQ(RunCliIn(batch + " --out b/x.sim --records b.jsonl", dir).status, 0);
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "x2_700_" + std::to_string(i) + ".sim";
        EXPECT_EQ(ReadBytes(dir.File("a/" + name)), ReadBytes(dir.File("b/" + name))) << name;
    }
    EXPECT_EQ(RunCliIn("summary b.jsonl", dir).out, RunCliIn("summary a/*.sim", dir).out);
}

TEST(CliStudy, OutputThatCannotBeWrittenIsAFailure)
{
    // As the sequential run: the list of written files must reach its reader.
    TempDir dir;
    const std::string study = "run --setting 2 --plays 200 --sims 40 --independent --seed 3 --jobs 2";
    for (const char* out : {" --out s.sim", " --records r.csv", " --out s.sim --records r.csv"}) {
        SCOPED_TRACE(out);
        const CliResult result = RunCliIn(study + out + " >/dev/full", dir);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("cannot write the list of written files"), std::string::npos) << result.err;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST(CliStudy, StudyCarriesOnWithTheThreadsTheSystemGives)
{
    // A memory limit leaves room for a few threads' stacks, not 64.
    TempDir dir;
    const std::string study = "run --setting 4 --plays 300 --sims 300 --independent --seed 8 --records ";
    ASSERT_EQ(RunCliIn(study + "one.csv --jobs 1", dir).status, 0);
    const CliResult limited = RunShellIn(
        "ulimit -v 150000 && " + std::string(MIRVOSIM_CLI) + " " + study + "many.csv --jobs 64", dir);
    // A sanitizer's shadow memory does not fit under such a limit.
    if (limited.status != 0 && limited.err.find("Sanitizer") != std::string::npos)
        GTEST_SKIP() << "this build does not start under a memory limit";
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_NE(limited.err.find("of the 64 threads asked for"), std::string::npos) << limited.err;
    EXPECT_EQ(ReadBytes(dir.File("many.csv")), ReadBytes(dir.File("one.csv")));
}

TEST(CliStudy, RecordsOnlyStudyIsNotBoundByTheMemoryOfASeries)
{
    // Under this data limit a series of 2,000,000 plays does not fit, but a
    // study of records alone holds none.
    TempDir dir;
    const std::string run = "ulimit -d 60000 && " + std::string(MIRVOSIM_CLI) +
                            " run --setting 1 --plays 2000000 --independent --seed 1 --jobs 1 ";
    const CliResult files = RunShellIn(run + "--out s.sim", dir);
    if (files.err.find("Sanitizer") != std::string::npos)
        GTEST_SKIP() << "this build does not start under a memory limit";
    EXPECT_EQ(files.status, 2);
    EXPECT_NE(files.err.find("needs more memory"), std::string::npos) << files.err;
    const CliResult records = RunShellIn(run + "--records r.csv", dir);
    EXPECT_EQ(records.status, 0) << records.err;
    const std::string text = ReadBytes(dir.File("r.csv"));
    EXPECT_NE(text.find("\n1,1,1,2000000,"), std::string::npos) << text.substr(0, 100);
}

TEST(CliSummary, RecordsOfAStudyAndSimulationFilesThroughAPipe)
{
    TempDir dir;
    ASSERT_EQ(
        RunCliIn("run --setting 5 --plays 900 --sims 6 --independent --seed 12 --out s.sim --records r.csv",
                 dir)
            .status,
        0);
    // Records carry the seed beside the simulation number.
    const std::string records = ReadBytes(dir.File("r.csv"));
    EXPECT_EQ(records.substr(0, 14), "sim,seed,setti");
    EXPECT_EQ(records.substr(records.find('\n') + 1, 8), "1,12,5,9");

    const CliResult piped =
        RunShellIn("cat s5_900_3.sim | " + std::string(MIRVOSIM_CLI) + " summary /dev/stdin", dir);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, RunCliIn("summary s5_900_3.sim", dir).out);

    // Twice the same simulations: refused, naming the first repeat.
    const CliResult twice = RunCliIn("summary r.csv s5_900_1.sim r.csv", dir);
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.err.find("'r.csv' is the same file as 'r.csv'"), std::string::npos) << twice.err;
}

TEST(CliSummary, BadArgumentsAndFiles)
{
    TempDir dir;
    WriteBytes(dir.File("bad.csv"), "sim,setting\n1,2\n");
    const std::string run = "run --setting 1 --plays 100 --sims 10 ";
    struct Case {
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {run + "--out x.sim --shard 1/2", 2, "--shard needs --independent"},
        {run + "--out x.sim --jobs 2", 2, "--jobs needs --independent"},
        {run + "--independent --seed 1 --shard 0/2 --records r.csv", 2, "--shard must be K/M"},
        {run + "--independent --seed 1 --shard 3/2 --records r.csv", 2, "--shard must be K/M"},
        {run + "--independent --seed 1 --shard 1 --records r.csv", 2, "--shard must be K/M"},
        {run + "--independent --shard 1/2 --records r.csv", 2, "--shard needs --seed"},
        {run + "--independent --seed 1 --jobs 0 --records r.csv", 2, "--jobs must be"},
        {run + "--independent --seed 1", 2, "missing option --out"},
        {run + "--independent --seed 1 --records ''", 2, "--records must name a file"},
        {run + "--independent --seed 1 --records no/r.csv", 1, "cannot create 'no/r.csv'"},
        {run + "--independent --seed 1 --records r.json", 2, "name the file .jsonl or .ndjson"},
        {run + "--out x.sim --records r.json", 2, "name the file .jsonl or .ndjson"},
        {"summary", 2, "at least one FILE"},
        {"summary --csv x", 2, "unknown option '--csv'"},
        {"summary none.csv", 1, "cannot open 'none.csv'"},
        {"summary bad.csv", 1, "'bad.csv' line 1: not a simulation or records file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliResult result = RunCliIn(c.args, dir);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(FilesIn(dir.path), 1u);  // nothing written but the fixture
}

}  // namespace
