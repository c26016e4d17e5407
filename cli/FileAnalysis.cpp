#include "cli/FileAnalysis.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "cli/Options.h"
#include "cli/Usage.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"

int LoadFileAnalysis(const std::string& path, PlaySeries& series, AnalysisOutcome& outcome,
                     SeriesChecking checking)
{
    const SimReadResult read = ReadSimFile(path, series);
    if (read.status == SimReadResult::Status::NotSimFile) return Fail(1, "'" + path + "': " + read.message);
    if (!read.Ok()) return Fail(1, read.message);
    if (checking == SeriesChecking::Refuse && !series.Empty())
        if (const auto fault = CheckSeries(read.setting, read.playCount, series))
            return Fail(1, fault->Message(path));

    outcome = AnalyzeSeries(series);
    if (outcome.status != AnalysisOutcome::Status::Done) return Fail(1, NO_PLAYS_MESSAGE);
    return 0;
}

int PrintFileAnalysis(const CommandHelp& help, const std::vector<std::string>& args, AnalysisWriter write)
{
    const Options options(help.name, args, {});
    if (options.Operands().size() != 1) return Fail(2, UsageLine(help));
    const std::string& path = options.Operands().front();

    try {
        PlaySeries series;
        AnalysisOutcome outcome;
        if (const int status = LoadFileAnalysis(path, series, outcome); status != 0) return status;

        if (!write(stdout, series, outcome.analysis)) {
            const int error = errno;
            return Fail(1, std::string("cannot write the ") + help.name + ": " + std::strerror(error));
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, OutOfMemoryMessage(path));
    } catch (const std::length_error& error) {
        return Fail(1, "'" + path + "': " + error.what());
    }
}
