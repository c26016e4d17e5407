#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "batchstats/RecordsFile.h"
#include "batchstats/StudyInputs.h"
#include "sim/SimFile.h"
#include "tests/support/StatusSupport.h"

namespace {

SimRecord Sample(std::int64_t sim)
{
    SimRecord r;
    r.sim = sim;
    r.seed = 42;
    r.setting = 1 + static_cast<std::int32_t>(sim % 6);
    r.plays = 8000;
    r.finalBalance = -2147483647 + static_cast<std::int32_t>(sim);  // extremes survive the text
    r.big = 30;
    r.reg = 12;
    r.bigFirstHits = 20;
    r.longestDrought = 900;
    r.lowestBalance = -2147483647 - 1;
    r.highestBalance = 2147483647;
    for (int k = 0; k < GRID_POINTS; ++k) r.grid[static_cast<std::size_t>(k)] = k * 37 - 1000;
    r.grid.back() = r.finalBalance;  // the last grid point is the last game
    return r;
}

std::string CsvLine(const SimRecord& r)
{
    return RecordLine(r, RecordsFormat::Csv);
}

TEST(RecordFields, EachNamesItsOwnMemberAndColumn)
{
    // Distinct values by hand, in the order files write the fields.
    SimRecord expected;
    expected.sim = 100;
    expected.seed = 101;
    expected.setting = 102;
    expected.plays = 103;
    expected.finalBalance = 104;
    expected.big = 105;
    expected.reg = 106;
    expected.bigFirstHits = 107;
    expected.longestDrought = 108;
    expected.lowestBalance = 109;
    expected.highestBalance = 110;
    SimRecord set;
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j)
        SetFieldValue(set, RECORD_FIELDS[j], 100 + static_cast<std::int64_t>(j));
    EXPECT_EQ(set, expected);

    RecordTable table;
    table.Add(expected);
    EXPECT_EQ(table.At(0), expected);
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
        const RecordField& field = RECORD_FIELDS[j];
        const std::int64_t column =
            field.wide ? (table.*field.wideColumn)[0] : (table.*field.narrowColumn)[0];
        EXPECT_EQ(column, FieldValue(expected, field)) << field.name;
    }
    EXPECT_EQ(
        RecordsCsvHeader().rfind(
            "sim,seed,setting,plays,final_balance,big,reg,big_first_hits,longest_drought,lowest_balance,"
            "highest_balance,b1,",
            0),
        0u);
}

TEST(RecordsFile, WrittenRecordsReadBackInBothFormats)
{
    TempDir dir;
    for (const char* name : {"r.csv", "r.jsonl", "r.txt"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        RecordsWriter writer;
        std::string error;
        ASSERT_TRUE(Succeeded(writer.Open(path), error)) << error;
        for (int i = 1; i <= 3; ++i) ASSERT_TRUE(writer.Write(Sample(i)));
        ASSERT_TRUE(Succeeded(writer.Commit(), error)) << error;
        EXPECT_EQ(FilesIn(dir.path), 1u);  // no temporary file left

        RecordTable table;
        ASSERT_TRUE(Succeeded(ReadStudyFile(path, table), error)) << error;
        ASSERT_EQ(table.Size(), 3u);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(table.At(static_cast<std::size_t>(i - 1)), Sample(i));
        std::filesystem::remove(path);
    }
}

TEST(RecordsFile, AbandonedOrFailedWriteLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.File("r.csv");
    WriteBytes(path, "old");
    {
        RecordsWriter writer;
        std::string error;
        ASSERT_TRUE(Succeeded(writer.Open(path), error));
        ASSERT_TRUE(writer.Write(Sample(1)));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FilesIn(dir.path), 1u);

    RecordsWriter full;
    std::string error;
    ASSERT_TRUE(Succeeded(full.Open("/dev/full"), error)) << error;
    // Writes may all land in the buffer; Commit reports the full device.
    for (int i = 0; i < 200; ++i) static_cast<void>(full.Write(Sample(i)));
    EXPECT_FALSE(Succeeded(full.Commit(), error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;

    EXPECT_FALSE(Succeeded(full.Open(dir.File("missing/r.csv")), error));
    EXPECT_NE(error.find("missing/r.csv"), std::string::npos) << error;
}

TEST(RecordsFile, MalformedInputIsRefusedWithLineAndReason)
{
    const std::string header = RecordsCsvHeader() + "\n";
    const std::string good = CsvLine(Sample(1));
    std::string tooLow = CsvLine(Sample(2));
    tooLow.replace(tooLow.find(",8000,"), 6, ",0,");
    SimRecord outside = Sample(3);
    outside.lowestBalance = 0;
    outside.finalBalance = -1;
    const auto changed = [](auto change) {
        SimRecord r = Sample(5);
        change(r);
        return RecordLine(r, RecordsFormat::Csv);
    };
    std::string longLine = header + std::string(70000, '1') + "\n";
    std::string json = RecordLine(Sample(4), RecordsFormat::JsonLines);
    json.pop_back();
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "empty file"},
        {"other header", "sim,setting\n" + good, "line 1: not a simulation or records file"},
        {"binary",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0",
                     9),
         "line 1"},
        {"few fields", header + "1,2,3\n", "line 2: 3 fields, expected 111"},
        {"many fields", header + good.substr(0, good.size() - 1) + ",5\n", "line 2: more than 111"},
        {"letters", header + "x" + good, "line 2: field 1"},
        {"blank field", header + "1,42,," + good.substr(7), "line 2: field 3"},
        {"space", header + " " + good, "line 2: field 1"},
        {"overflow", header + "1,42,2,8000,2147483648" + good.substr(good.find(",30,")), "line 2: field 5"},
        {"seed beyond 32 bits", header + "1,4294967296" + good.substr(4), "line 2: field 2"},
        {"plays 0", header + tooLow, "line 2: plays must be at least 1"},
        {"balance outside its range", header + CsvLine(outside), "line 2: final_balance must lie"},
        // What a run cannot write.
        {"setting 0", header + changed([](SimRecord& r) { r.setting = 0; }),
         "line 2: setting must be 1 to 6"},
        {"setting 99", header + good + changed([](SimRecord& r) { r.setting = 99; }), "line 3: setting must"},
        {"setting -3", header + changed([](SimRecord& r) { r.setting = -3; }), "line 2: setting must"},
        {"more first hits than BIG", header + changed([](SimRecord& r) { r.bigFirstHits = r.big + 1; }),
         "line 2: big_first_hits must not exceed big"},
        {"more bonuses than games", header + changed([](SimRecord& r) { r.plays = r.big + r.reg - 1; }),
         "line 2: big and reg together"},
        {"drought longer than the run",
         header + changed([](SimRecord& r) { r.longestDrought = r.plays + 1; }), "line 2: longest_drought"},
        {"b100 not the final balance", header + changed([](SimRecord& r) { r.grid.back() += 1; }),
         "line 2: b100 must equal final_balance"},
        {"json key twice", std::string(json).insert(1, "\"big\":1,") + "\n",
         "line 1: the key \"big\" appears twice"},
        {"json sim twice", json + "\n" + std::string(json).insert(1, "\"sim\":9,") + "\n",
         "line 2: the key \"sim\" appears twice"},
        {"empty line inside", header + good + "\n" + good, "line 3: empty line"},
        {"long line", longLine, "line 2: line too long"},
        {"cut last line", header + good + good.substr(0, 30), "line 3:"},
        // Cut inside its last number, the line still parses: only its
        // missing line end tells.
        {"cut inside the last number", header + good.substr(0, good.size() - 2), "line 2: has no line end"},
        {"json cut after its brace", json, "line 1: has no line end"},
        {"header without line end", RecordsCsvHeader(), "line 1: has no line end"},
        {"json not an object", "[1,2]\n", "line 1: not a simulation or records file"},
        {"json broken", json + "\n" + json.substr(0, 50) + "\n", "line 2: not valid JSON"},
        {"json float",
         json + "\n" + std::string(json).replace(json.find("\"big\":30"), 8, "\"big\":3.5") + "\n",
         "line 2: missing or non-integer \"big\""},
        {"json short grid", std::string(json).replace(json.find("[-1000,"), 7, "[") + "\n",
         "\"grid\" must be"},
        {"json extra key", json.substr(0, json.size() - 1) + ",\"x\":1}\n", "record keys"},
        {"json leading zero", std::string(json).replace(json.find("\"big\":30"), 8, "\"big\":030") + "\n",
         "line 1: not valid JSON"},
        {"plus sign", header + "+" + good, "line 2: field 1"},
        {"json huge",
         std::string(json).replace(json.find("\"sim\":4"), 7, "\"sim\":99999999999999999999") + "\n",
         "\"sim\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordTable table;
        table.Add(Sample(9));  // what was read before stays, nothing of the bad file is added
        std::string error;
        EXPECT_FALSE(Succeeded(ParseRecordsText(c.text, "in.csv", table), error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.rfind("'in.csv'", 0), 0u) << error;
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.grid[99].size(), 1u);
    }

    // Accepted variants: a header alone, CRLF line ends, a byte-order mark.
    RecordTable table;
    std::string error;
    EXPECT_TRUE(Succeeded(ParseRecordsText(header, "h.csv", table), error)) << error;
    std::string crlf = "\xEF\xBB\xBF" + header + good;
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) crlf.insert(at, "\r");
    EXPECT_TRUE(Succeeded(ParseRecordsText(crlf, "c.csv", table), error)) << error;
    EXPECT_EQ(table.Size(), 1u);
}

TEST(RecordsFile, RecordsWithoutTheSeedStillRead)
{
    // Files written before records carried the seed: the CSV header without
    // the column, JSON lines without the key; an empty CSV field is no seed too.
    SimRecord r = Sample(3);
    r.seed = NO_SEED;
    std::string csv = RecordLine(r, RecordsFormat::Csv);
    const std::string oldCsv = csv.substr(0, csv.find(',')) + csv.substr(csv.find(',', 2));
    const std::string json = RecordLine(r, RecordsFormat::JsonLines);
    EXPECT_EQ(json.find("seed"), std::string::npos);
    EXPECT_EQ(RecordsCsvHeader().substr(0, 14), "sim,seed,setti");
    for (const std::string& text :
         {UnseededCsvHeader() + "\n" + oldCsv, RecordsCsvHeader() + "\n" + csv, json}) {
        SCOPED_TRACE(text.substr(0, 40));
        RecordTable table;
        std::string error;
        ASSERT_TRUE(Succeeded(ParseRecordsText(text, "old", table), error)) << error;
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.At(0), r);
    }
    // A JSON document name would hold JSON lines a JSON reader refuses.
    TempDir dir;
    RecordsWriter writer;
    std::string error;
    EXPECT_FALSE(Succeeded(writer.Open(dir.File("r.json")), error));
    EXPECT_NE(error.find(".jsonl"), std::string::npos) << error;
    EXPECT_EQ(FilesIn(dir.path), 0u);
}

TEST(RecordsFile, ASimulationCountedTwiceIsRefusedNamingBothPlaces)
{
    TempDir dir;
    const auto write = [&](const std::string& name, const std::vector<SimRecord>& records) {
        std::string text = name.ends_with(".csv") ? RecordsCsvHeader() + "\n" : "";
        for (const SimRecord& r : records)
            text += RecordLine(r, name.ends_with(".csv") ? RecordsFormat::Csv : RecordsFormat::JsonLines);
        WriteBytes(dir.File(name), text);
        return dir.File(name);
    };
    const auto seeded = [](std::int64_t sim, std::int64_t seed) {
        SimRecord r = Sample(sim);
        r.seed = seed;
        return r;
    };
    SimRecord otherStudy = seeded(2, 7);  // seed 7 again, another setting: another simulation
    otherStudy.setting = otherStudy.setting % 6 + 1;
    const std::string a = write("a.csv", {seeded(1, 7), seeded(2, 7), seeded(3, 7)});
    const std::string shard = write("b.jsonl", {seeded(3, 7), seeded(4, 7)});  // overlaps a.csv at 3
    const std::string repeated = write("c.csv", {seeded(5, 7), seeded(6, 7), seeded(5, 7)});
    const std::string others = write("d.jsonl", {seeded(1, 8), otherStudy});  // another seed, another study
    SimRecord unseeded = Sample(1);
    unseeded.seed = NO_SEED;
    const std::string old1 = write("old1.jsonl", {unseeded});
    const std::string old2 = write("old2.jsonl", {unseeded});  // numbers repeat across old studies
    std::filesystem::create_hard_link(a, dir.File("a-link.csv"));
    struct Case {
        std::vector<std::string> files;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {{a, shard}, "simulation 3 of seed 7 is counted twice: '$/a.csv' line 4 and '$/b.jsonl' line 1"},
        {{repeated}, "simulation 5 of seed 7 is counted twice: '$/c.csv' line 2 and '$/c.csv' line 4"},
        {{a, a}, "'$/a.csv' is the same file as '$/a.csv'"},
        {{a, dir.File("a-link.csv")}, "'$/a-link.csv' is the same file as '$/a.csv'"},
        {{old1, old1}, "is the same file"},
        {{a, others}, nullptr},
        {{old1, old2}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.back());
        RecordTable table;
        std::string error;
        const bool ok = Succeeded(ReadStudyFiles(c.files, table), error);
        EXPECT_EQ(ok, c.message == nullptr) << error;
        if (!c.message) continue;
        std::string expected = c.message;
        for (std::size_t at = 0; (at = expected.find('$', at)) != std::string::npos;)
            expected.replace(at, 1, dir.path.string());
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST(RecordsFile, LargeInputKeepsOrderAndNamesTheFirstBadLine)
{
    // Large enough to be parsed in two halves at once.
    constexpr int COUNT = 3000;
    std::vector<std::string> lines = {RecordsCsvHeader() + "\n"};
    for (int i = 1; i <= COUNT; ++i) lines.push_back(CsvLine(Sample(i)));
    const auto join = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) text += part;
        return text;
    };
    RecordTable table;
    std::string error;
    ASSERT_GT(join(lines).size(), 512u * 1024);
    ASSERT_TRUE(Succeeded(ParseRecordsText(join(lines), "big.csv", table), error)) << error;
    ASSERT_EQ(table.Size(), static_cast<std::size_t>(COUNT));
    for (int i = 1; i <= COUNT; ++i) EXPECT_EQ(table.sim[static_cast<std::size_t>(i - 1)], i);

    // From a file, read a megabyte at a time: a last piece too small to be
    // split must not bring back records of the piece before it.
    TempDir dir;
    std::vector<std::string> fileLines = {lines[0]};
    for (int i = 1; join(fileLines).size() < (std::size_t{1} << 20) + 64 * 1024; ++i)
        fileLines.push_back(CsvLine(Sample(i)));
    WriteBytes(dir.File("big.csv"), join(fileLines));
    RecordTable fromFile;
    ASSERT_TRUE(Succeeded(ReadStudyFile(dir.File("big.csv"), fromFile), error)) << error;
    ASSERT_EQ(fromFile.Size(), fileLines.size() - 1);
    EXPECT_EQ(fromFile.sim.back(), static_cast<std::int64_t>(fileLines.size() - 1));

    // Bad lines in both halves: the first one is named, and nothing is kept.
    for (const std::vector<int>& bad : {std::vector<int>{10}, {2900}, {2900, 20}, {COUNT}}) {
        std::vector<std::string> broken = lines;
        for (const int at : bad) broken[static_cast<std::size_t>(at)] = "x\n";
        RecordTable partial;
        EXPECT_FALSE(Succeeded(ParseRecordsText(join(broken), "big.csv", partial), error));
        const int first = *std::min_element(bad.begin(), bad.end());
        EXPECT_NE(error.find("line " + std::to_string(first + 1) + ": field 1"), std::string::npos) << error;
        EXPECT_EQ(partial.Size(), 0u);
        EXPECT_EQ(partial.grid[0].size(), 0u);
    }
}

TEST(RecordsFile, OtherSpellingsOfARecordReadAsTheWrittenOne)
{
    // Files from other tools: the reader takes what the formats allow, not
    // only the layout written here, and reads the same values from it.
    const SimRecord r = Sample(7);
    const std::string header = RecordsCsvHeader() + "\n";
    std::string csv = CsvLine(r);
    const std::string json = RecordLine(r, RecordsFormat::JsonLines);
    std::string zeros = csv;
    zeros.replace(0, 2, "0007,");  // sim 7 with leading zeros
    std::string minusZero = csv;
    minusZero.replace(minusZero.find(",30,12,"), 7, ",30,-0,");
    SimRecord zeroReg = r;
    zeroReg.reg = 0;
    std::string spaced = json;
    for (std::size_t at = 0; (at = spaced.find(':', at)) != std::string::npos; at += 3)
        spaced.insert(at + 1, " ");
    std::string reordered = json;
    const std::size_t simEnd = reordered.find(',');
    reordered = "{" + reordered.substr(simEnd + 1, reordered.size() - simEnd - 3) + "," +
                reordered.substr(1, simEnd - 1) + "}\n";
    const struct {
        const char* what;
        std::string text;
        SimRecord expected;
    } cases[] = {
        {"csv leading zeros", header + zeros, r},
        {"csv minus zero", header + minusZero, zeroReg},
        {"json spaces", spaced, r},
        {"json keys in another order", reordered, r},
        {"json 19-digit sim", std::string(json).replace(1, 7, "\"sim\":1000000000000000007"),
         [&] {
             SimRecord big = r;
             big.sim = 1000000000000000007;
             return big;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordTable table;
        std::string error;
        ASSERT_TRUE(Succeeded(ParseRecordsText(c.text, "in", table), error)) << error << "\n" << c.text;
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.At(0), c.expected);
    }
}

TEST(RecordsFile, SimulationFilesAreReadAsOneRecordAndDamagedOnesRefused)
{
    TempDir dir;
    PlaySeries series;
    PlayRow row{};
    row.playCount = 1;
    row.medals = -3;
    row.gamesSinceBonus = 1;
    series.Append(row);
    const std::string bytes = EncodeSimFile(4, 1, series);
    struct Case {
        const char* what;
        std::string content;
        const char* message;  // nullptr: read
    };
    const Case cases[] = {
        {"one game", bytes, nullptr},
        {"cut last record", bytes + std::string(20, '\0'), nullptr},
        {"header only", bytes.substr(0, 12), "holds no plays"},
        {"ends inside the header", bytes.substr(0, 7), "ends inside its header"},
        {"play count 0",
         EncodeSimFile(4, 1,
                       [] {
                           PlaySeries s;
                           s.Append(PlayRow{});
                           return s;
                       }()),
         "holds no plays"},
        {"text", "hello\n", "not a simulation or records file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("f.sim");
        WriteBytes(path, c.content);
        RecordTable table;
        std::string error;
        const bool ok = Succeeded(ReadStudyFile(path, table), error);
        EXPECT_EQ(ok, c.message == nullptr) << error;
        if (c.message) {
            EXPECT_NE(error.find(c.message), std::string::npos) << error;
            EXPECT_NE(error.find(path), std::string::npos) << error;
        } else {
            ASSERT_EQ(table.Size(), 1u);
            EXPECT_EQ(table.setting[0], 4);
            EXPECT_EQ(table.finalBalance[0], -3);
        }
    }
    RecordTable table;
    std::string error;
    EXPECT_FALSE(Succeeded(ReadStudyFile(dir.File("none.sim"), table), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_FALSE(Succeeded(ReadStudyFile(dir.path.string(), table), error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    // Callers tell a missing input from a damaged one by the code.
    EXPECT_EQ(ReadStudyFile(dir.File("none.sim"), table).Code(), StatusCode::CannotOpen);
    EXPECT_EQ(ReadStudyFile(dir.path.string(), table).Code(), StatusCode::ReadFailed);
    EXPECT_EQ(ParseRecordsText("garbage\n", "g.csv", table).Code(), StatusCode::NotValid);
}

}  // namespace
