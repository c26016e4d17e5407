#include "cli/TheoryCommand.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/NumberFormat.h"
#include "cli/Options.h"
#include "slot/MachineCodes.h"
#include "theory/Theory.h"

namespace {

nlohmann::ordered_json Json(const SettingTheory& t)
{
    nlohmann::ordered_json out;
    out["setting"] = t.setting;
    for (const SummaryFigure& figure : SUMMARY_FIGURES) out[figure.key] = t.*figure.value;
    nlohmann::ordered_json tables = nlohmann::ordered_json::object();
    for (const TheoryTable& table : t.tables) {
        nlohmann::ordered_json lines = nlohmann::ordered_json::array();
        for (const TheoryLine& line : table.lines) {
            nlohmann::ordered_json item;
            item["name"] = line.name;
            item["rate"] = line.rate ? nlohmann::ordered_json(*line.rate) : nlohmann::ordered_json(nullptr);
            if (line.shareOfReleases) item["share_of_releases"] = *line.shareOfReleases;
            lines.push_back(item);
        }
        tables[table.caption] = lines;
    }
    out["tables"] = tables;
    return out;
}

// Strings are appended piece by piece: GCC 12 misreports "a" + b + "c" at -O3.
void Put(std::string& out, const std::string& text)
{
    out += '\t';
    out += text;
}

void Caption(std::string& out, const std::string& caption)
{
    out += '[';
    out += caption;
    out += "]\n";
}

std::string Cell(const std::optional<double>& value)
{
    return value ? FormatGeneral(*value) : "-";
}

std::string Text(const std::vector<SettingTheory>& settings)
{
    std::string out = "[理論値]\n項目";
    for (const SettingTheory& t : settings) Put(out, "設定" + std::to_string(t.setting));
    out += "\n";
    for (const SummaryFigure& figure : SUMMARY_FIGURES) {
        out += figure.label;
        for (const SettingTheory& t : settings) Put(out, FormatGeneral(t.*figure.value));
        out += "\n";
    }
    const auto& first = settings.front();
    for (std::size_t k = 0; k < first.tables.size(); ++k) {
        Caption(out, first.tables[k].caption);
        for (std::size_t i = 0; i < first.tables[k].lines.size(); ++i) {
            out += first.tables[k].lines[i].name;
            for (const SettingTheory& t : settings) Put(out, Cell(t.tables[k].lines[i].rate));
            out += "\n";
        }
    }
    Caption(out, "RT解除割合");
    for (std::size_t i = 0; i < first.tables[RT_CANCEL_TABLE].lines.size(); ++i) {
        out += first.tables[RT_CANCEL_TABLE].lines[i].name;
        for (const SettingTheory& t : settings)
            Put(out, Cell(t.tables[RT_CANCEL_TABLE].lines[i].shareOfReleases));
        out += "\n";
    }
    return out;
}

}  // namespace

const CommandHelp THEORY_HELP = {
    "theory", "[--setting S] [--json]",
    "theory   prints the machine's exact long-run figures, computed from its weight\n"
    "         tables: payout rate, bonus odds, medals per bonus, every rate cell of\n"
    "         the four rate tables (and each release line's share of releases),\n"
    "         the balance's standard deviation per game σ and the fresh-start\n"
    "         offset c (the expected balance after N games is Nμ + c).\n"
    "  --setting S  one setting, 1 to 6; default: all six side by side\n"
    "  --json       JSON instead of the table: one object per setting (an array\n"
    "               of six without --setting); numbers round-trip exactly\n"};

int TheoryCommand(const std::vector<std::string>& args)
{
    const Options given("theory", args, {{"--setting"}, {"--json", false}});
    if (!given.Operands().empty()) {
        std::string message = "unexpected argument '";
        message += given.Operands().front();
        message += "' (see mirvosim-cli theory --help)";
        throw UsageError(message);
    }
    const auto setting = given.OptionalInteger("--setting", SETTING_MIN, SETTING_MAX);

    std::vector<SettingTheory> settings;
    if (setting) {
        settings.push_back(ComputeTheory(static_cast<int>(*setting)));
    } else {
        const auto all = ComputeAllTheory();
        settings.assign(all.begin(), all.end());
    }

    std::string out;
    if (given.Flag("--json")) {
        nlohmann::ordered_json json;
        if (setting) {
            json = Json(settings.front());
        } else {
            json = nlohmann::ordered_json::array();
            for (const SettingTheory& t : settings) json.push_back(Json(t));
        }
        out = json.dump(2) + "\n";
    } else {
        out = Text(settings);
    }
    std::fputs(out.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Fail(1, "cannot write the theory");
    return 0;
}
