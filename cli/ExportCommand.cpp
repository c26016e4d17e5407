#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/Commands.h"
#include "cli/FileAnalysis.h"
#include "cli/Options.h"
#include "export/Export.h"
#include "sim/SimFile.h"

namespace {

struct ExportArgs {
    std::string file;
    ExportOptions options;
    std::optional<std::string> out;
};

// Throws UsageError for bad arguments.
ExportArgs ParseArgs(const std::vector<std::string>& args)
{
    const Options options("export", args,
                          {{"--what"}, {"--format"}, {"--out"}, {"--bom", false}, {"--lf", false}});
    if (options.Operands().size() != 1)
        throw UsageError(std::string("usage: mirvosim-cli export ") + EXPORT_HELP.synopsis);
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
    const bool csv = parsed.options.format == ExportFormat::Csv;
    // A JSON text must not start with a byte-order mark.
    if (!csv && (options.Flag("--bom") || options.Flag("--lf")))
        throw UsageError("--bom and --lf apply to CSV only");
    if (csv && parsed.options.what == ExportWhat::All && !parsed.out)
        throw UsageError("--what all --format csv writes one file per table: give --out FOLDER");
    parsed.options.bom = options.Flag("--bom");
    parsed.options.crlf = !options.Flag("--lf");
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

int WriteToFile(const std::string& path, const PlaySeries& series, const ResultAnalysis& analysis,
                const ExportOptions& options)
{
    const SimWriteResult result = WriteFileAtomically(path, [&](int fd) {
        return WriteExport(series, analysis, options, [fd](std::string_view bytes) {
            return WriteAllBytes(fd, bytes.data(), bytes.size());
        });
    });
    if (!result.Ok()) return Fail(1, result.message);
    return 0;
}

int WriteToFolder(const std::string& folder, const PlaySeries& series, const ResultAnalysis& analysis,
                  ExportOptions options)
{
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail(1, "cannot create '" + folder + "': " + std::strerror(errno));
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Fail(1, "'" + folder + "' is not a folder");
    for (const ExportWhat part : CsvParts(options.what)) {
        options.what = part;
        const std::string path = folder + (folder.ends_with('/') ? "" : "/") + CsvFileName(part);
        if (const int status = WriteToFile(path, series, analysis, options); status != 0) return status;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

}  // namespace

int ExportCommand(const std::vector<std::string>& args)
{
    const ExportArgs parsed = ParseArgs(args);

    try {
        PlaySeries series;
        AnalysisOutcome outcome;
        if (const int status = LoadFileAnalysis(parsed.file, series, outcome); status != 0) return status;
        const ResultAnalysis& analysis = outcome.analysis;
        if (!parsed.out) return WriteToStdout(series, analysis, parsed.options);
        if (parsed.options.format == ExportFormat::Csv && parsed.options.what == ExportWhat::All)
            return WriteToFolder(*parsed.out, series, analysis, parsed.options);
        return WriteToFile(*parsed.out, series, analysis, parsed.options);
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for '" + parsed.file + "'");
    } catch (const std::length_error& error) {
        return Fail(1, "'" + parsed.file + "': " + error.what());
    }
}
