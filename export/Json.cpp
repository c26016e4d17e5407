#include "export/Json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "analysis/ChunkedText.h"
#include "analysis/NumberFormat.h"
#include "analysis/PlayListText.h"
#include "analysis/Summary.h"

namespace {

using Json = nlohmann::ordered_json;

// The number a shown cell stands for: "0.143" -> 0.143, "1/6.99" -> 6.99
// (the X of "1/X"), "5E-6" -> 5e-6; null for "-" and empty cells. The cell
// text is the only source, so the JSON never disagrees with the table.
Json NumberOf(std::string_view cell)
{
    if (cell.starts_with("1/")) cell.remove_prefix(2);
    if (cell.empty() || cell == "-") return nullptr;
    const std::string text(cell);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return nullptr;
    // Whole numbers as integers, so counts read back as counts.
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return static_cast<std::int64_t>(value);
    return value;
}

Json IntegerOf(std::string_view cell)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc{} || end != cell.data() + cell.size()) return nullptr;
    return value;
}

template <std::size_t N>
Json Captions(const std::array<std::string_view, N>& captions)
{
    Json list = Json::array();
    for (const std::string_view caption : captions) list.push_back(caption);
    return list;
}

Json TableJson(const StatTabCaptions& captions, const StatTab& tab)
{
    Json lines = Json::array();
    for (const StatLine& line : tab.lines) {
        lines.push_back({{"name", line.name},
                         {"count", IntegerOf(line.count)},
                         {"rate", NumberOf(line.rate)},
                         {"one_in", NumberOf(line.inverse)},
                         {"cells", {line.name, line.count, line.rate, line.inverse}}});
    }
    return {{"caption", captions.tab}, {"columns", Captions(captions.columns)}, {"lines", std::move(lines)}};
}

Json SummaryJson(const PlaySeries& series, const ResultAnalysis& analysis)
{
    Json items = Json::array();
    for (const SummaryItem& item : SummaryItems(analysis.counts, analysis.plays, series.Back().medals))
        items.push_back({{"item", item.id},
                         {"label", item.label},
                         {"text", item.text},
                         {"value", NumberOf(FormatGeneral(item.value))}});
    return {{"text", analysis.summary}, {"items", std::move(items)}};
}

Json BonusesJson(const PlaySeries& series, const ResultAnalysis& analysis)
{
    Json lines = Json::array();
    for (const BonusLine& line : analysis.bonusLines) {
        const auto cells = BonusListCells(series, line);
        lines.push_back({{"play", IntegerOf(cells[0])},
                         {"games_since_bonus", IntegerOf(cells[1])},
                         {"outcome", cells[2]},
                         {"trigger", cells[3]},
                         {"pre_sign_mark", cells[4]},
                         {"end_mode", cells[5]},
                         {"medals_won", IntegerOf(cells[6])},
                         {"cells", cells}});
    }
    return {{"columns", Captions(BONUS_LIST_CAPTIONS)}, {"lines", std::move(lines)}};
}

bool Wants(ExportWhat what, ExportWhat part)
{
    return what == ExportWhat::All || what == part;
}

// The rows are written by hand: a document tree of a million rows would take
// gigabytes.
void PutRows(ChunkedText& out, const PlaySeries& series)
{
    out.Put("  \"play_list\": {\n    \"columns\": ");
    Json columns = Captions(PLAY_LIST_CAPTIONS);
    for (const std::string_view name : RAW_FIELD_NAMES) columns.push_back(name);
    out.Put(columns.dump());
    out.Put(",\n    \"rows\": [");
    std::string cell;
    bool first = true;
    for (const PlayRow& row : series.Rows()) {
        out.Put(first ? "\n      [" : ",\n      [");
        first = false;
        for (int column = 0; column < PLAY_LIST_COLUMNS; ++column) {
            cell.clear();
            AppendPlayListCell(row, column, cell);
            AppendJsonString(cell, out.Text());
            out.Put(',');
        }
        for (std::size_t k = 0; k < RAW_FIELD_INDEX.size(); ++k) {
            if (k > 0) out.Put(',');
            out.Integer(row.Field(RAW_FIELD_INDEX[k]));
        }
        out.Put(']');
        out.MaybeFlush();
    }
    out.Put(first ? "]\n  }" : "\n    ]\n  }");
}

}  // namespace

void AppendJsonString(std::string_view text, std::string& out)
{
    static constexpr char HEX[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20) {
            out += "\\u00";
            out += HEX[u >> 4];
            out += HEX[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

bool WriteJson(ExportWhat what, const PlaySeries& series, const ResultAnalysis& analysis,
               const ExportSink& sink)
{
    Json doc = {{"normal_games", analysis.plays}, {"rows", series.Size()}};
    if (Wants(what, ExportWhat::Summary)) doc["summary"] = SummaryJson(series, analysis);
    const bool allTables = Wants(what, ExportWhat::Tables);
    Json tables = Json::object();
    if (allTables || what == ExportWhat::Ren) tables["ren"] = TableJson(REN_CAPTIONS, analysis.ren);
    if (allTables || what == ExportWhat::Koyaku)
        tables["koyaku"] = TableJson(KOYAKU_CAPTIONS, analysis.koyaku);
    if (allTables || what == ExportWhat::ModeStay)
        tables["mode_stay"] = TableJson(MODE_STAY_CAPTIONS, analysis.modeStay);
    if (allTables || what == ExportWhat::RtCancel)
        tables["rt_cancel"] = TableJson(RT_CANCEL_CAPTIONS, analysis.rtCancel);
    if (!tables.empty()) doc["tables"] = std::move(tables);
    if (Wants(what, ExportWhat::Bonuses)) doc["bonuses"] = BonusesJson(series, analysis);

    ChunkedText out(sink);
    std::string head = doc.dump(2);
    if (Wants(what, ExportWhat::Plays)) {
        head.resize(head.size() - 2);  // "\n}"
        out.Put(head);
        out.Put(",\n");
        PutRows(out, series);
        out.Put("\n}\n");
    } else {
        out.Put(head);
        out.Put('\n');
    }
    return out.Finish();
}
