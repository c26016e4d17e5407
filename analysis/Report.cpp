#include "analysis/Report.h"

#include <array>
#include <charconv>

#include "analysis/ChunkedText.h"
#include "analysis/PlayListText.h"

namespace {

// The report's text; with a stream it hands each full chunk over.
class TextOut : public ChunkedText {
public:
    TextOut() = default;
    explicit TextOut(std::FILE* file)
        : ChunkedText([file](std::string_view bytes) {
              return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
          }),
          stream(file)
    {
    }

    void Color(const Rgb& color)
    {
        Integer(color.r);
        Put(',');
        Integer(color.g);
        Put(',');
        Integer(color.b);
    }
    void EndLine()
    {
        Put('\n');
        MaybeFlush();
    }
    bool Finish() { return ChunkedText::Finish() && (!stream || std::fflush(stream) == 0); }

private:
    std::FILE* stream = nullptr;
};

void Row(TextOut& out, std::initializer_list<std::string_view> cells)
{
    bool first = true;
    for (const std::string_view cell : cells) {
        if (!first) out.Put('\t');
        out.Put(cell);
        first = false;
    }
    out.EndLine();
}

template <std::size_t N>
void Row(TextOut& out, const std::array<std::string_view, N>& cells)
{
    for (std::size_t k = 0; k < N; ++k) {
        if (k > 0) out.Put('\t');
        out.Put(cells[k]);
    }
    out.EndLine();
}

void StatSection(TextOut& out, const StatTabCaptions& captions, const StatTab& tab)
{
    out.Put("\n[");
    out.Put(captions.tab);
    out.Put(']');
    out.EndLine();
    Row(out, captions.columns);
    for (const StatLine& line : tab.lines) Row(out, {line.name, line.count, line.rate, line.inverse});
}

void PutReport(TextOut& out, const PlaySeries& series, const ResultAnalysis& analysis)
{
    out.Put("[PLAY情報]");
    out.EndLine();
    Row(out, PLAY_LIST_CAPTIONS);
    for (const PlayRow& row : series.Rows()) {
        AppendPlayListLine(row, out.Text());
        out.EndLine();
    }

    out.Put("\n[ボーナス情報]");
    out.EndLine();
    Row(out, BONUS_LIST_CAPTIONS);
    for (const BonusLine& line : analysis.bonusLines) {
        const auto cells = BonusListCells(series, line);
        Row(out, {cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6]});
    }

    StatSection(out, REN_CAPTIONS, analysis.ren);
    StatSection(out, KOYAKU_CAPTIONS, analysis.koyaku);
    StatSection(out, MODE_STAY_CAPTIONS, analysis.modeStay);
    StatSection(out, RT_CANCEL_CAPTIONS, analysis.rtCancel);

    out.Put("\n[シミュレーション結果]");
    out.EndLine();
    out.Put(analysis.summary);
    out.EndLine();
}

void Point(TextOut& out, const ChartPoint& point)
{
    out.Integer(point.x);
    out.Put('\t');
    out.Integer(point.y);
    out.Put('\t');
    out.Color(point.color);
    out.EndLine();
}

template <typename PointOf>
void PointSection(TextOut& out, std::string_view caption, const std::vector<std::int32_t>& rows,
                  const PlaySeries& series, PointOf pointOf)
{
    out.Put('\n');
    out.Put(caption);
    out.EndLine();
    for (const std::int32_t i : rows) Point(out, pointOf(series[static_cast<std::size_t>(i)]));
}

void PieSection(TextOut& out, std::string_view caption, const StatTab& tab)
{
    out.Put('\n');
    out.Put(caption);
    out.EndLine();
    for (const PieSlice& slice : tab.slices) {
        out.Integer(slice.x);
        out.Put('\t');
        out.Integer(slice.y);
        out.Put('\t');
        out.Put(slice.label);
        out.Put('\t');
        out.Color(slice.color);
        out.EndLine();
    }
}

void PutCharts(TextOut& out, const PlaySeries& series, const ResultAnalysis& analysis)
{
    out.Put("[axis]");
    out.EndLine();
    out.Put("SlumpChart.bottom\t");
    out.Integer(analysis.axisMin);
    out.Put('\t');
    out.Integer(analysis.axisMax);
    out.EndLine();

    PointSection(out, "[SlumpSeries]", analysis.normalRows, series, SlumpPoint);
    PointSection(out, "[ModeSeries]", analysis.normalRows, series, ModePoint);
    for (std::size_t k = 0; k < MARKER_COUNT; ++k) {
        const Rgb color = MARKER_COLORS[k];
        std::string caption = "[";  // built in steps: GCC 12 misreports "[" + name + "]" at -O3
        caption += MARKER_SERIES_NAMES[k];
        caption += ']';
        PointSection(out, caption, analysis.markerRows[k], series, [color](const PlayRow& row) {
            return ChartPoint{row.playCount, row.medals, color};
        });
    }
    out.Put("\n[SlumpBSeries]");
    out.EndLine();
    for (const ChartPoint& bar : analysis.bonusBars) Point(out, bar);

    PieSection(out, "[RenSeries]", analysis.ren);
    PieSection(out, "[KoyakuSeries]", analysis.koyaku);
    PieSection(out, "[ModeStaySeries]", analysis.modeStay);
    PieSection(out, "[RTCancelSeries]", analysis.rtCancel);
}

}  // namespace

std::string ReportText(const PlaySeries& series, const ResultAnalysis& analysis)
{
    TextOut out;
    PutReport(out, series, analysis);
    return std::move(out.Text());
}

std::string ChartsText(const PlaySeries& series, const ResultAnalysis& analysis)
{
    TextOut out;
    PutCharts(out, series, analysis);
    return std::move(out.Text());
}

bool WriteReport(std::FILE* stream, const PlaySeries& series, const ResultAnalysis& analysis)
{
    TextOut out(stream);
    PutReport(out, series, analysis);
    return out.Finish();
}

bool WriteCharts(std::FILE* stream, const PlaySeries& series, const ResultAnalysis& analysis)
{
    TextOut out(stream);
    PutCharts(out, series, analysis);
    return out.Finish();
}
