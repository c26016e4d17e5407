#include "export/Csv.h"

#include <array>

#include "analysis/ChunkedText.h"
#include "analysis/NumberFormat.h"
#include "analysis/PlayListText.h"
#include "analysis/Summary.h"

namespace {

bool NeedsQuotes(std::string_view text) noexcept
{
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

// Quotes the field that starts at `start` of `out` in place, if it needs it.
void QuoteFieldFrom(std::size_t start, std::string& out)
{
    const std::string_view field(out.data() + start, out.size() - start);
    if (!NeedsQuotes(field)) return;
    std::string quoted;
    AppendCsvField(field, quoted);
    out.replace(start, std::string::npos, quoted);
}

class CsvOut {
public:
    CsvOut(const ExportOptions& options, const ExportSink& sink)
        : buffer(sink), lineEnd(options.crlf ? "\r\n" : "\n")
    {
        if (options.bom) buffer.Put("\xEF\xBB\xBF");
    }

    std::string& Text() noexcept { return buffer.Text(); }
    void Separator()
    {
        if (!firstInLine) buffer.Put(',');
        firstInLine = false;
    }
    void Field(std::string_view text)
    {
        Separator();
        AppendCsvField(text, buffer.Text());
    }
    void Integer(std::int64_t value)
    {
        Separator();
        buffer.Integer(value);
    }
    template <std::size_t N>
    void Fields(const std::array<std::string_view, N>& texts)
    {
        for (const std::string_view text : texts) Field(text);
    }
    void EndLine()
    {
        buffer.Put(lineEnd);
        firstInLine = true;
        buffer.MaybeFlush();
    }
    bool Finish() { return buffer.Finish(); }

private:
    ChunkedText buffer;
    std::string_view lineEnd;
    bool firstInLine = true;
};

void PutPlays(CsvOut& out, const PlaySeries& series)
{
    out.Fields(PLAY_LIST_CAPTIONS);
    out.Fields(RAW_FIELD_NAMES);
    out.EndLine();
    std::string& text = out.Text();
    for (const PlayRow& row : series.Rows()) {
        for (int column = 0; column < PLAY_LIST_COLUMNS; ++column) {
            out.Separator();
            const std::size_t start = text.size();
            AppendPlayListCell(row, column, text);
            QuoteFieldFrom(start, text);
        }
        for (const int field : RAW_FIELD_INDEX) out.Integer(row.Field(field));
        out.EndLine();
    }
}

void PutBonuses(CsvOut& out, const PlaySeries& series, const ResultAnalysis& analysis)
{
    out.Fields(BONUS_LIST_CAPTIONS);
    out.EndLine();
    for (const BonusLine& line : analysis.bonusLines) {
        for (const std::string& cell : BonusListCells(series, line)) out.Field(cell);
        out.EndLine();
    }
}

void PutStatLines(CsvOut& out, const StatTab& tab, std::string_view tableCaption)
{
    for (const StatLine& line : tab.lines) {
        if (!tableCaption.empty()) out.Field(tableCaption);
        out.Field(line.name);
        out.Field(line.count);
        out.Field(line.rate);
        out.Field(line.inverse);
        out.EndLine();
    }
}

struct TabRef {
    const StatTabCaptions& captions;
    const StatTab& tab;
};

std::array<TabRef, 4> Tabs(const ResultAnalysis& analysis)
{
    return {{{REN_CAPTIONS, analysis.ren},
             {KOYAKU_CAPTIONS, analysis.koyaku},
             {MODE_STAY_CAPTIONS, analysis.modeStay},
             {RT_CANCEL_CAPTIONS, analysis.rtCancel}}};
}

void PutSummary(CsvOut& out, const PlaySeries& series, const ResultAnalysis& analysis)
{
    out.Fields(std::array<std::string_view, 4>{"item", "label", "text", "value"});
    out.EndLine();
    for (const SummaryItem& item : SummaryItems(analysis.counts, analysis.plays, series.Back().medals)) {
        out.Field(item.id);
        out.Field(item.label);
        out.Field(item.text);
        out.Field(FormatGeneral(item.value));
        out.EndLine();
    }
}

}  // namespace

const std::array<std::string_view, PlayRow::FIELD_COUNT> RAW_FIELD_NAMES{
    "play",      "games_since_bonus", "outcome",       "mode",       "balance",       "bonus",
    "big_color", "pre_sign",          "pre_sign_blue", "bonus_game", "chain_trigger",
};

void AppendCsvField(std::string_view text, std::string& out)
{
    if (!NeedsQuotes(text)) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

bool WriteCsv(ExportWhat table, const PlaySeries& series, const ResultAnalysis& analysis,
              const ExportOptions& options, const ExportSink& sink)
{
    CsvOut out(options, sink);
    const auto tabs = Tabs(analysis);
    switch (table) {
        case ExportWhat::Plays:
            PutPlays(out, series);
            break;
        case ExportWhat::Bonuses:
            PutBonuses(out, series, analysis);
            break;
        case ExportWhat::Ren:
        case ExportWhat::Koyaku:
        case ExportWhat::ModeStay:
        case ExportWhat::RtCancel: {
            const TabRef& ref =
                tabs[static_cast<std::size_t>(table) - static_cast<std::size_t>(ExportWhat::Ren)];
            out.Fields(ref.captions.columns);
            out.EndLine();
            PutStatLines(out, ref.tab, {});
            break;
        }
        case ExportWhat::Tables:
            out.Fields(std::array<std::string_view, 5>{"table", "name", "count", "rate", "inverse"});
            out.EndLine();
            for (const TabRef& ref : tabs) PutStatLines(out, ref.tab, ref.captions.tab);
            break;
        case ExportWhat::Summary:
            PutSummary(out, series, analysis);
            break;
        case ExportWhat::All:
            break;
    }
    return out.Finish();
}
