#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "batchstats/SimRecord.h"
#include "batchstats/Statistics.h"
#include "sim/AtomicFile.h"

// Records files: one record per simulation, either CSV with a header line or
// JSON lines (one object per line). Names ending in .jsonl or .ndjson are
// written as JSON lines, any other as CSV, except .json: a JSON reader would
// refuse JSON lines there, so such a name is refused. Readers tell the
// formats by content. Every line, the last too, ends with "\n".

enum class RecordsFormat { Csv, JsonLines };
RecordsFormat RecordsFormatFor(const std::string& path);
// Names a records file may not have (a JSON document is expected there).
bool IsJsonDocumentName(const std::string& path);
inline constexpr const char* JSON_DOCUMENT_REFUSAL =
    "records are JSON lines, which JSON readers refuse under .json: name the file .jsonl or .ndjson";

// The CSV header line (without its line end); records carry the study's seed
// beside the simulation number. Files written before that have the header
// without the seed column, and still read.
std::string RecordsCsvHeader();
std::string UnseededCsvHeader();
// One record as a line of the given format, with its "\n".
std::string RecordLine(const SimRecord& record, RecordsFormat format);

// Writes a records file through the shared atomic writer: the name never
// shows a partial file, and a failed, abandoned or interrupted (SIGINT,
// SIGTERM) write leaves any older file of that name as it was and no
// temporary file. Targets that are not regular files (a pipe, /dev/stdout)
// are written in place.
// To be used as follows: Open, Write each record, Commit; destroying an
// uncommitted writer removes its temporary file.
class RecordsWriter {
public:
    RecordsWriter();
    RecordsWriter(const RecordsWriter&) = delete;
    RecordsWriter& operator=(const RecordsWriter&) = delete;
    ~RecordsWriter();

    // False with `error` naming the file and the reason.
    [[nodiscard]] bool Open(const std::string& path, std::string& error);
    // False once a write failed; Commit then reports why.
    [[nodiscard]] bool Write(const SimRecord& record);
    [[nodiscard]] bool Commit(std::string& error);

private:
    bool Flush();

    std::unique_ptr<AtomicFileWriter> file;
    std::string buffer;
    RecordsFormat format = RecordsFormat::Csv;
    int writeErrno = 0;
};

// Parses the whole text of a records file and appends its records to `table`.
// Anything but the exact layout (header, field count, whole numbers within
// range, consistent balances) is refused with the line number and the reason,
// and then nothing is appended. `name` only goes into messages.
[[nodiscard]] bool ParseRecordsText(std::string_view text, const std::string& name, RecordTable& table,
                                    std::string& error);

// Reads one input of a summary: a simulation file (one record) or a records
// file (all of them), told apart by content. On failure nothing is appended
// and `error` names the file and the reason.
[[nodiscard]] bool ReadStudyFile(const std::string& path, RecordTable& table, std::string& error);
// The same, telling the line number of the first record (0 for a simulation
// file), so that a record can be named by its line.
[[nodiscard]] bool ReadStudyFile(const std::string& path, RecordTable& table, std::string& error,
                                 std::size_t& firstRecordLine);
