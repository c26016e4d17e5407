#pragma once

#include <memory>
#include <string>

#include "base/Status.h"
#include "batchstats/RecordLines.h"
#include "batchstats/SimRecord.h"
#include "sim/AtomicFile.h"

// Names ending in .jsonl or .ndjson are written as JSON lines, any other as
// CSV, except .json: a JSON reader would refuse JSON lines there, so such a
// name is refused.
RecordsFormat RecordsFormatFor(const std::string& path);
// Names a records file may not have (a JSON document is expected there).
bool IsJsonDocumentName(const std::string& path);
inline constexpr const char* JSON_DOCUMENT_REFUSAL =
    "records are JSON lines, which JSON readers refuse under .json: name the file .jsonl or .ndjson";

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

    // Refused for a .json name; CannotCreate naming the file and the reason.
    Status Open(const std::string& path, WriteOptions options = {});
    // False once a write failed; Commit then reports why.
    [[nodiscard]] bool Write(const SimRecord& record);
    // WriteFailed naming the file and the reason; Refused when not open.
    Status Commit();

private:
    bool Flush();

    std::unique_ptr<AtomicFileWriter> file;
    std::string buffer;
    RecordsFormat format = RecordsFormat::Csv;
    int writeErrno = 0;
};
