#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>
#include <string>

#include "export/Csv.h"
#include "export/Export.h"
#include "export/Json.h"
#include "tests/analysis/Fixture.h"

namespace {

struct Collected {
    std::string text;
    int pieces = 0;
};

ExportSink Into(Collected& out)
{
    return [&out](std::string_view bytes) {
        out.text += bytes;
        ++out.pieces;
        return true;
    };
}

ResultAnalysis Analyse(const PlaySeries& series)
{
    AnalysisOutcome outcome = AnalyzeSeries(series);
    EXPECT_EQ(outcome.status, AnalysisOutcome::Status::Done);
    return std::move(outcome.analysis);
}

TEST(CsvField, QuotesOnlyWhereNeeded)
{
    const struct {
        std::string_view text;
        std::string_view field;
    } cases[] = {
        {"", ""},
        {"777(赤)", "777(赤)"},
        {"RT解除[規定RT]", "RT解除[規定RT]"},
        {" spaces kept ", " spaces kept "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"BIG回数:3　REG回数:2\nBIG初当り回数:2", "\"BIG回数:3　REG回数:2\nBIG初当り回数:2\""},
    };
    for (const auto& c : cases) {
        // Appends after what is there.
        std::string out = "x";
        AppendCsvField(c.text, out);
        EXPECT_EQ(std::string_view(out).substr(1), c.field) << "text: " << c.text;
        EXPECT_EQ(out[0], 'x');
    }
}

TEST(JsonString, EscapesAndReadsBack)
{
    const std::string_view cases[] = {
        "",
        "777(赤)",
        "quote \" backslash \\ slash /",
        "line\nfeed\r\ttab",
        std::string_view("nul\0bell\x07", 9),
        "\x1f\x7f",
        "BIG回数:3　REG回数:2\n機械割：89.3%",
    };
    for (const std::string_view text : cases) {
        std::string literal;
        AppendJsonString(text, literal);
        EXPECT_EQ(nlohmann::json::parse(literal).get<std::string>(), text) << literal;
    }
}

TEST(Export, SinkFailureStopsAndIsReported)
{
    PlaySeries series;
    // Enough rows for several pieces: the writer must not call the sink again
    // after a refusal.
    for (std::int32_t i = 1; i <= 100000; ++i) series.Append({i, -3 * i, i, 0, 0, 0, 2, 0, 0, 0, 0});
    const ResultAnalysis analysis = Analyse(series);
    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::Json}) {
        int calls = 0;
        const ExportSink refuse = [&calls](std::string_view) {
            ++calls;
            errno = ENOSPC;
            return false;
        };
        ExportOptions options;
        options.what = ExportWhat::Plays;
        options.format = format;
        EXPECT_FALSE(WriteExport(series, analysis, options, refuse));
        EXPECT_EQ(calls, 1);

        Collected whole;
        EXPECT_TRUE(WriteExport(series, analysis, options, Into(whole)));
        EXPECT_GT(whole.pieces, 1) << "a long list is handed over in pieces";
    }
}

TEST(Export, CsvOfEveryTableIsRectangular)
{
    const PlaySeries series = StoryRun();
    const ResultAnalysis analysis = Analyse(series);
    const struct {
        ExportWhat what;
        std::size_t columns;
        std::size_t lines;
    } cases[] = {
        {ExportWhat::Plays, 18, 13}, {ExportWhat::Bonuses, 7, 5},  {ExportWhat::Ren, 4, 8},
        {ExportWhat::Koyaku, 4, 7},  {ExportWhat::ModeStay, 4, 4}, {ExportWhat::RtCancel, 4, 7},
        {ExportWhat::Tables, 5, 23}, {ExportWhat::Summary, 4, 8},
    };
    for (const auto& c : cases) {
        Collected out;
        ExportOptions options;
        options.crlf = false;
        ASSERT_TRUE(WriteCsv(c.what, series, analysis, options, Into(out)));
        std::size_t lines = 0;
        std::size_t start = 0;
        for (std::size_t end; (end = out.text.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string_view line(out.text.data() + start, end - start);
            EXPECT_EQ(static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1, c.columns)
                << CsvFileName(c.what) << " line " << lines << ": " << line;
            ++lines;
        }
        EXPECT_EQ(start, out.text.size()) << CsvFileName(c.what) << ": text after the last line end";
        EXPECT_EQ(lines, c.lines) << CsvFileName(c.what);
    }
}

TEST(Export, JsonWithoutBonusesOrRows)
{
    // One play without a bonus: empty lists stay valid JSON arrays.
    const PlaySeries series = SeriesOf({{1, -3, 1, 0, 0, 0, 4, 0, 0, 0, 0}});
    const ResultAnalysis analysis = Analyse(series);
    Collected out;
    ASSERT_TRUE(WriteJson(ExportWhat::All, series, analysis, Into(out)));
    const auto doc = nlohmann::json::parse(out.text);
    EXPECT_TRUE(doc["bonuses"]["lines"].empty());
    EXPECT_EQ(doc["play_list"]["rows"].size(), 1u);
    EXPECT_EQ(doc["summary"]["items"][3]["text"], "1/0");
    EXPECT_EQ(doc["summary"]["items"][3]["value"], 0);
    EXPECT_EQ(doc["tables"]["rt_cancel"]["lines"][0]["rate"], nullptr);  // "-"
}

}  // namespace
