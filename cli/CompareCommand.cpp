#include "cli/CompareCommand.h"

#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/NumberFormat.h"
#include "cli/Options.h"
#include "sim/PlaySeries.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"
#include "slot/MachineCodes.h"
#include "theory/RunComparison.h"

namespace {

std::string Cell(const std::optional<double>& value)
{
    return value ? FormatGeneral(*value) : "-";
}

// Deviations to two decimals: more would only show the noise of the error.
std::string Deviation(const std::optional<double>& value)
{
    if (!value) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f", *value);
    return text;
}

void Put(std::string& out, const std::string& text)
{
    out += '\t';
    out += text;
}

}  // namespace

const CommandHelp COMPARE_HELP = {
    "compare", "FILE [--setting S]",
    "compare  prints a simulation file's figures beside the theory: per figure the\n"
    "         run's value, the long-run value of a setting and the run's deviation\n"
    "         from it in standard errors at the run's N. The payout is compared\n"
    "         with its expectation at N (a fresh run starts below the long-run\n"
    "         value) using the exact σ; the other figures use standard errors\n"
    "         from 20 equal stretches of the run itself (\"-\" when the run is too\n"
    "         short to give one).\n"
    "  --setting S  compare with setting S only, 1 to 6; default: all six. The\n"
    "               file does not record a hidden setting, so name the one to\n"
    "               compare with.\n"};

int CompareCommand(const std::vector<std::string>& args)
{
    const Options given("compare", args, {{"--setting"}});
    if (given.Operands().size() != 1) throw UsageError(UsageLine(COMPARE_HELP));
    const auto setting = given.OptionalInteger("--setting", SETTING_MIN, SETTING_MAX);
    const std::string& path = given.Operands().front();

    try {
        PlaySeries series;
        const SimReadResult read = ReadSimFile(path, series);
        if (read.status == SimReadResult::Status::NotSimFile) {
            std::string message = "'";
            message += path;
            message += "': ";
            message += read.message;
            return Fail(1, message);
        }
        if (!read.Ok()) return Fail(1, read.message);
        if (series.Empty()) return Fail(1, NO_PLAYS_MESSAGE);
        if (const auto fault = CheckSeries(read.setting, read.playCount, series))
            return Fail(1, fault->Message(path));
        const RunFigures run = ComputeRunFigures(series);

        std::vector<SettingTheory> settings;
        if (setting) {
            settings.push_back(ComputeTheory(static_cast<int>(*setting)));
        } else {
            const auto all = ComputeAllTheory();
            settings.assign(all.begin(), all.end());
        }

        std::string out = "[比較]\nPlay数";
        Put(out, std::to_string(run.plays));
        out += "\n項目\tこのシミュレーション";
        for (const SettingTheory& t : settings) {
            Put(out, "設定" + std::to_string(t.setting));
            Put(out, "偏差(SE)");
        }
        out += '\n';
        std::vector<std::vector<std::optional<double>>> values, deviations;
        for (const SettingTheory& t : settings) {
            values.push_back(TheoryValues(t));
            deviations.push_back(Deviations(run, t));
        }
        for (std::size_t r = 0; r < run.rows.size(); ++r) {
            out += run.rows[r].name;
            Put(out, Cell(run.rows[r].run));
            for (std::size_t s = 0; s < settings.size(); ++s) {
                Put(out, Cell(values[s][r]));
                Put(out, Deviation(deviations[s][r]));
            }
            out += '\n';
        }
        std::fputs(out.c_str(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Fail(1, "cannot write the comparison");
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, OutOfMemoryMessage(path));
    } catch (const std::length_error& error) {
        return Fail(1, "'" + path + "': " + error.what());
    }
}
