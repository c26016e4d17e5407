#include "cli/RunStudy.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "batchstats/IndependentRun.h"
#include "batchstats/RecordsFile.h"
#include "cli/Options.h"
#include "cli/Usage.h"

namespace {

// More threads than this would only share the same cores.
constexpr int MAX_JOBS = 1024;

}  // namespace

void ParseStudyOptions(const Options& given, RunOptions& options)
{
    if (!options.independent) {
        for (const char* name : {"--shard", "--jobs"})
            if (given.Has(name)) throw UsageError(std::string(name) + " needs --independent");
    }
    if (const auto shard = given.Optional("--shard")) {
        const std::string& text = *shard;
        const auto slash = text.find('/');
        const auto k = slash == std::string::npos ? std::nullopt : ParseWholeNumber(text.substr(0, slash));
        const auto m = slash == std::string::npos ? std::nullopt : ParseWholeNumber(text.substr(slash + 1));
        if (!k || !m || *m < 1 || *k < 1 || *k > *m)
            throw UsageError("--shard must be K/M with 1 <= K <= M, not '" + text + "'");
        // Without a fixed seed every shard would take its own clock time.
        if (!options.seed) throw UsageError("--shard needs --seed, so that every shard plays the same study");
        options.shard = *k;
        options.shards = *m;
    }
    if (given.Has("--jobs")) options.jobs = static_cast<int>(given.Integer("--jobs", 1, MAX_JOBS));
    if (const auto records = given.Optional("--records")) {
        options.records = *records;
        if (options.records.empty()) throw UsageError("--records must name a file");
        if (IsJsonDocumentName(options.records))
            throw UsageError("--records '" + options.records + "': " + JSON_DOCUMENT_REFUSAL);
    }
}

RecordsOutput::RecordsOutput() = default;
RecordsOutput::~RecordsOutput() = default;

bool RecordsOutput::Open(const std::string& path, std::uint32_t seed, WriteOptions write)
{
    studySeed = seed;
    writer = std::make_unique<RecordsWriter>();
    const Status opened = writer->Open(path, write);
    if (opened.Ok()) return true;
    Fail(1, opened.Message());
    return false;
}

bool RecordsOutput::Add(const PlaySeries& series, std::int32_t setting, std::int64_t sim)
{
    if (!writer) return true;
    SimRecord record;
    if (!RecordFromSeries(series, setting, sim, record)) return true;
    record.seed = studySeed;
    if (writer->Write(record)) return true;
    // The write failed: Commit fails too, removing the temporary file and naming the reason.
    const Status committed = writer->Commit();
    writer.reset();
    Fail(1, committed.Message());
    return false;
}

bool RecordsOutput::Commit()
{
    if (!writer) return true;
    const Status committed = writer->Commit();
    writer.reset();
    if (!committed.Ok()) Fail(1, committed.Message());
    return committed.Ok();
}

int RunIndependentStudy(const RunOptions& options, std::uint32_t seed)
{
    IndependentOptions study;
    study.seed = seed;
    study.plays = options.plays;
    study.setting = options.setting;
    study.range = ShardRange(options.sims, options.shard, options.shards);
    study.jobs =
        options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    study.simBaseName = options.out;
    study.write = WriteOptions{options.sync};

    RecordsWriter records;
    if (!options.records.empty())
        if (const Status opened = records.Open(options.records, study.write); !opened.Ok())
            return Fail(1, opened.Message());

    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    const std::int64_t total = study.range.last - study.range.first + 1;
    int shownPercent = -1;
    bool recordsFailed = false;
    try {
        const IndependentResult result =
            RunIndependent(study, [&](const SimRecord& record, const std::string& fileName) {
                if (!fileName.empty()) std::printf("%s\n", fileName.c_str());
                if (!options.records.empty() && !records.Write(record)) {
                    recordsFailed = true;
                    return false;
                }
                const std::int64_t done = record.sim - study.range.first + 1;
                const int percent = static_cast<int>(done * 100 / total);
                if (showProgress && percent != shownPercent) {
                    shownPercent = percent;
                    std::fprintf(stderr, "\r%lld/%lld (%d%%)", static_cast<long long>(done),
                                 static_cast<long long>(total), percent);
                    if (done == total) std::fputc('\n', stderr);
                }
                return true;
            });
        if (result.jobs < study.jobs)
            std::fprintf(stderr,
                         "note: the system gave %d of the %d threads asked for; the study went on with %d\n",
                         result.jobs, study.jobs, result.jobs);
        // Complete files stay on disk whatever stopped the study, so each is listed.
        for (const std::string& fileName : result.unlistedFiles) std::printf("%s\n", fileName.c_str());
        if (result.status == IndependentResult::Status::FileError) {
            if (showProgress && shownPercent >= 0) std::fputc('\n', stderr);
            return FinishListing(stdout, Fail(1, result.message));
        }
    } catch (const std::bad_alloc&) {
        return FinishListing(stdout,
                             Fail(1, "not enough memory for " + std::to_string(options.plays) + " plays"));
    }
    if (!options.records.empty()) {
        // Commit reports the write error that stopped the run, if any.
        if (const Status committed = records.Commit(); !committed.Ok())
            return FinishListing(stdout, Fail(1, committed.Message()));
        if (recordsFailed) return FinishListing(stdout, Fail(1, "cannot write '" + options.records + "'"));
        if (options.out.empty()) std::printf("%s\n", options.records.c_str());
    }
    return FinishListing(stdout, 0);
}

int FinishListing(std::FILE* listing, int status)
{
    if (std::fflush(listing) != 0 || std::ferror(listing)) {
        const int error = errno;
        const int failed =
            Fail(1, std::string("cannot write the list of written files: ") + std::strerror(error));
        return status == 0 ? failed : status;
    }
    return status;
}
