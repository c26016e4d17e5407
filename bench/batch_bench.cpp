// Large studies: independent simulations on one and two threads, and the
// summary of 10,000 simulation files and of a million records, timed as the
// command line runs them (the summaries in a child process, so its peak
// memory is its own).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "batchstats/IndependentRun.h"
#include "batchstats/RecordsFile.h"

extern char** environ;

namespace {

// A folder for the inputs (4.4 GB of files at most), removed at exit.
struct BenchFolder {
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirvosim-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~BenchFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

const std::filesystem::path& Folder()
{
    static const BenchFolder folder;
    return folder.path;
}

struct ChildCost {
    double peakBytes = 0;
    double cpuSeconds = 0;  // user + system: the figure that a busy machine does not inflate
};

// Runs the command line and returns what it cost.
ChildCost RunCli(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {MIRVOSIM_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {static_cast<double>(usage.ru_maxrss) * 1024, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

void Independent(benchmark::State& state)
{
    const std::string records = (Folder() / "independent.csv").string();
    for (auto _ : state) {
        IndependentOptions o;
        o.seed = 42;
        o.plays = 8000;
        o.setting = {false, 3};
        o.range = {1, 10000};
        o.jobs = static_cast<int>(state.range(0));
        RecordsWriter writer;
        if (!writer.Open(records).Ok()) std::abort();
        const IndependentResult run =
            RunIndependent(o, [&](const SimRecord& r, const std::string&) { return writer.Write(r); });
        if (run.status != IndependentResult::Status::Completed) std::abort();
        if (!writer.Commit().Ok()) std::abort();
    }
    state.counters["sims/s"] =
        benchmark::Counter(10000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// 10,000 simulations of 8,000 plays with their records.
BENCHMARK(Independent)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void SummarySimFiles(benchmark::State& state)
{
    static const bool made = [] {
        const std::string base = (Folder() / "files" / "s.sim").string();
        std::filesystem::create_directories(Folder() / "files");
        RunCli({"run", "--setting", "3", "--plays", "8000", "--sims", "10000", "--seed", "1", "--independent",
                "--no-sync", "--out", base});
        return true;
    }();
    (void)made;
    std::vector<std::string> args = {"summary"};
    for (const auto& entry : std::filesystem::directory_iterator(Folder() / "files"))
        args.push_back(entry.path().string());
    ChildCost cost;
    for (auto _ : state) cost = RunCli(args);
    state.counters["peak_MB"] = cost.peakBytes / 1e6;
    state.counters["child_cpu_s"] = cost.cpuSeconds;
}
// `summary` of 10,000 simulation files of 8,000 plays (page cache warm).
BENCHMARK(SummarySimFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void SummaryMillionRecords(benchmark::State& state)
{
    const std::string file = (Folder() / "million.csv").string();
    static const bool made = [&] {
        // Records of realistic size and spread; their values do not change the work.
        std::mt19937 gen(7);
        std::normal_distribution<double> walk(0, 60);
        RecordsWriter writer;
        if (!writer.Open(file).Ok()) std::abort();
        for (std::int64_t i = 1; i <= 1000000; ++i) {
            SimRecord r;
            r.sim = i;
            r.setting = 1 + static_cast<int>(i % 6);
            r.plays = 8000;
            double balance = 0;
            r.lowestBalance = r.highestBalance = 0;
            for (auto& g : r.grid) {
                balance += walk(gen);
                g = static_cast<std::int32_t>(balance);
                r.lowestBalance = std::min(r.lowestBalance, g);
                r.highestBalance = std::max(r.highestBalance, g);
            }
            r.finalBalance = r.grid.back();
            r.big = static_cast<int>(i % 50);
            r.reg = static_cast<int>(i % 20);
            r.bigFirstHits = r.big / 2;
            r.longestDrought = 300 + static_cast<int>(i % 1000);
            if (!writer.Write(r)) std::abort();
        }
        if (!writer.Commit().Ok()) std::abort();
        return true;
    }();
    (void)made;
    ChildCost cost;
    for (auto _ : state) cost = RunCli({"summary", file});
    state.counters["peak_MB"] = cost.peakBytes / 1e6;
    state.counters["child_cpu_s"] = cost.cpuSeconds;
}
// `summary` of 1,000,000 records (CSV).
BENCHMARK(SummaryMillionRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
