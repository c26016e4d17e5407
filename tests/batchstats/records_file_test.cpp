#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "batchstats/RecordsFile.h"
#include "sim/SimFile.h"

namespace {

SimRecord Sample(std::int64_t sim)
{
    SimRecord r;
    r.sim = sim;
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
    return r;
}

std::string CsvLine(const SimRecord& r)
{
    return RecordLine(r, RecordsFormat::Csv);
}

TEST(RecordsFile, WrittenRecordsReadBackInBothFormats)
{
    TempDir dir;
    for (const char* name : {"r.csv", "r.jsonl", "r.txt"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        RecordsWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, error)) << error;
        for (int i = 1; i <= 3; ++i) ASSERT_TRUE(writer.Write(Sample(i)));
        ASSERT_TRUE(writer.Commit(error)) << error;
        EXPECT_EQ(FilesIn(dir.path), 1u);  // no temporary file left

        RecordTable table;
        ASSERT_TRUE(ReadStudyFile(path, table, error)) << error;
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
        ASSERT_TRUE(writer.Open(path, error));
        ASSERT_TRUE(writer.Write(Sample(1)));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FilesIn(dir.path), 1u);

    RecordsWriter full;
    std::string error;
    ASSERT_TRUE(full.Open("/dev/full", error)) << error;
    // Writes may all land in the buffer; Commit reports the full device.
    for (int i = 0; i < 200; ++i) static_cast<void>(full.Write(Sample(i)));
    EXPECT_FALSE(full.Commit(error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;

    EXPECT_FALSE(full.Open(dir.File("missing/r.csv"), error));
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
        {"few fields", header + "1,2,3\n", "line 2: 3 fields, expected 110"},
        {"many fields", header + good.substr(0, good.size() - 1) + ",5\n", "line 2: more than 110"},
        {"letters", header + "x" + good, "line 2: field 1"},
        {"blank field", header + "1,," + good.substr(4), "line 2: field 2"},
        {"space", header + " " + good, "line 2: field 1"},
        {"overflow", header + "1,2,8000,2147483648" + good.substr(good.find(",30,")), "line 2: field 4"},
        {"plays 0", header + tooLow, "line 2: plays must be at least 1"},
        {"balance outside its range", header + CsvLine(outside), "line 2: final_balance must lie"},
        {"empty line inside", header + good + "\n" + good, "line 3: empty line"},
        {"long line", longLine, "line 2: line too long"},
        {"cut last line", header + good + good.substr(0, 30), "line 3:"},
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
        EXPECT_FALSE(ParseRecordsText(c.text, "in.csv", table, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.rfind("'in.csv'", 0), 0u) << error;
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.grid[99].size(), 1u);
    }

    // Accepted variants: a header alone, CRLF line ends, a byte-order mark.
    RecordTable table;
    std::string error;
    EXPECT_TRUE(ParseRecordsText(header, "h.csv", table, error)) << error;
    std::string crlf = "\xEF\xBB\xBF" + header + good;
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) crlf.insert(at, "\r");
    EXPECT_TRUE(ParseRecordsText(crlf, "c.csv", table, error)) << error;
    EXPECT_EQ(table.Size(), 1u);
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
    ASSERT_TRUE(ParseRecordsText(join(lines), "big.csv", table, error)) << error;
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
    ASSERT_TRUE(ReadStudyFile(dir.File("big.csv"), fromFile, error)) << error;
    ASSERT_EQ(fromFile.Size(), fileLines.size() - 1);
    EXPECT_EQ(fromFile.sim.back(), static_cast<std::int64_t>(fileLines.size() - 1));

    // Bad lines in both halves: the first one is named, and nothing is kept.
    for (const std::vector<int>& bad : {std::vector<int>{10}, {2900}, {2900, 20}, {COUNT}}) {
        std::vector<std::string> broken = lines;
        for (const int at : bad) broken[static_cast<std::size_t>(at)] = "x\n";
        RecordTable partial;
        EXPECT_FALSE(ParseRecordsText(join(broken), "big.csv", partial, error));
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
        ASSERT_TRUE(ParseRecordsText(c.text, "in", table, error)) << error << "\n" << c.text;
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
        const bool ok = ReadStudyFile(path, table, error);
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
    EXPECT_FALSE(ReadStudyFile(dir.File("none.sim"), table, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_FALSE(ReadStudyFile(dir.path.string(), table, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

}  // namespace
