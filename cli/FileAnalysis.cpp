#include "FileAnalysis.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "Commands.h"
#include "SimFile.h"

int PrintFileAnalysis(const char* command, const std::vector<std::string>& args, AnalysisWriter write)
{
    const std::string usage = std::string("usage: mirvosim-cli ") + command + " FILE";
    if (args.size() != 1) return Fail(2, usage);
    const std::string& path = args.front();
    if (path.size() > 1 && path[0] == '-') return Fail(2, "unknown option '" + path + "' (" + usage + ")");

    try {
        PlaySeries series;
        const SimReadResult read = ReadSimFile(path, series);
        if (read.status == SimReadResult::Status::NotSimFile) {
            // The window's own words, without the "error:" prefix.
            std::fputs("このファイルは、Mirvosimファイルではありません。\n", stderr);
            return 1;
        }
        if (!read.Ok()) return Fail(1, read.message);

        const AnalysisOutcome outcome = AnalyzeSeries(series);
        if (outcome.status != AnalysisOutcome::Status::Done) return Fail(1, "no plays in file");

        if (!write(stdout, series, outcome.analysis)) {
            const int error = errno;
            return Fail(1, std::string("cannot write the ") + command + ": " + std::strerror(error));
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for '" + path + "'");
    } catch (const std::length_error& error) {
        return Fail(1, "'" + path + "': " + error.what());
    }
}
