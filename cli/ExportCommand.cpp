#include "cli/ExportCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/FileAnalysis.h"
#include "cli/Options.h"
#include "export/Export.h"
#include "export/ExportFiles.h"
#include "sim/FileIdentity.h"
#include "sim/SimFile.h"

namespace {

struct ExportArgs {
    std::string file;
    ExportOptions options;
    std::optional<std::string> out;
};

void RefuseWritingOverInput(const ExportArgs& parsed)
{
    std::vector<std::string> targets;
    if (parsed.options.format == ExportFormat::Csv && parsed.options.what == ExportWhat::All) {
        for (const ExportWhat part : CsvParts(parsed.options.what))
            targets.push_back(CsvFilePath(*parsed.out, part));
    } else {
        targets.push_back(*parsed.out);
    }
    for (const std::string& target : targets)
        if (IsSameFile(target, parsed.file))
            throw UsageError("--out '" + target + "' would write over the input file '" + parsed.file + "'");
}

// Throws UsageError for bad arguments.
ExportArgs ParseArgs(const std::vector<std::string>& args)
{
    const Options options("export", args,
                          {{"--what"}, {"--format"}, {"--out"}, {"--bom", false}, {"--lf", false}});
    if (options.Operands().size() != 1) throw UsageError(UsageLine(EXPORT_HELP));
    ExportArgs parsed;
    parsed.file = options.Operands().front();
    const std::string what = options.Required("--what");
    const std::string format = options.Required("--format");
    if (const auto w = ParseExportWhat(what)) {
        parsed.options.what = *w;
    } else {
        throw UsageError("unknown --what '" + what +
                         "' (plays, bonuses, ren, koyaku, mode_stay, rt_cancel, tables, summary or all)");
    }
    if (const auto f = ParseExportFormat(format)) {
        parsed.options.format = *f;
    } else {
        throw UsageError("unknown --format '" + format + "' (csv or json)");
    }
    parsed.out = options.Optional("--out");
    if (parsed.out && parsed.out->empty()) throw UsageError("--out must name a file or folder");
    const bool csv = parsed.options.format == ExportFormat::Csv;
    // A JSON text must not start with a byte-order mark.
    if (!csv && (options.Flag("--bom") || options.Flag("--lf")))
        throw UsageError("--bom and --lf apply to CSV only");
    if (csv && parsed.options.what == ExportWhat::All && !parsed.out)
        throw UsageError("--what all --format csv writes one file per table: give --out FOLDER");
    parsed.options.bom = options.Flag("--bom");
    parsed.options.crlf = !options.Flag("--lf");
    if (parsed.out) RefuseWritingOverInput(parsed);
    return parsed;
}

int WriteToStdout(const PlaySeries& series, const ResultAnalysis& analysis, const ExportOptions& options)
{
    const ExportSink sink = [](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    };
    if (!WriteExport(series, analysis, options, sink) || std::fflush(stdout) != 0) {
        const int error = errno;
        return Fail(1, std::string("cannot write the export: ") + std::strerror(error));
    }
    return 0;
}

}  // namespace

const CommandHelp EXPORT_HELP = {
    "export", "FILE --what W --format csv|json [--bom] [--lf] [--out PATH]",
    "export   writes the analysis of a simulation file for spreadsheets and\n"
    "         scripts, on stdout or through a temporary file into PATH.\n"
    "  --what W     plays (the play list with the raw record fields), bonuses,\n"
    "               ren, koyaku, mode_stay, rt_cancel (one rate table), tables\n"
    "               (the four), summary, or all (CSV: one file per table into\n"
    "               the folder PATH, whose names are printed on stdout)\n"
    "  --format F   csv (RFC 4180, UTF-8, CRLF line ends) or json (one document)\n"
    "  --bom        CSV: start with a UTF-8 byte-order mark, for Excel\n"
    "  --lf         CSV: LF line ends instead of CRLF\n"};

int ExportCommand(const std::vector<std::string>& args)
{
    const ExportArgs parsed = ParseArgs(args);

    try {
        PlaySeries series;
        AnalysisOutcome outcome;
        if (const int status = LoadFileAnalysis(parsed.file, series, outcome, SeriesChecking::Refuse);
            status != 0)
            return status;
        const ResultAnalysis& analysis = outcome.analysis;
        if (!parsed.out) return WriteToStdout(series, analysis, parsed.options);
        if (parsed.options.format == ExportFormat::Csv && parsed.options.what == ExportWhat::All) {
            std::vector<std::string> written;
            const Status done = ExportToFolder(*parsed.out, series, analysis, parsed.options, &written);
            for (const std::string& path : written) std::printf("%s\n", path.c_str());
            return done.Ok() ? 0 : Fail(1, done.Message());
        }
        const Status done = ExportToFile(*parsed.out, series, analysis, parsed.options);
        return done.Ok() ? 0 : Fail(1, done.Message());
    } catch (const std::bad_alloc&) {
        return Fail(1, OutOfMemoryMessage(parsed.file));
    } catch (const std::length_error& error) {
        return Fail(1, "'" + parsed.file + "': " + error.what());
    }
}
