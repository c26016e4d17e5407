#include "batchstats/RecordsWriter.h"

#include <cerrno>

#include "batchstats/RecordLines.h"

namespace {

constexpr std::size_t WRITE_BUFFER_BYTES = 1 << 20;

bool EndsWith(const std::string& text, std::string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

RecordsFormat RecordsFormatFor(const std::string& path)
{
    return EndsWith(path, ".jsonl") || EndsWith(path, ".ndjson") ? RecordsFormat::JsonLines
                                                                 : RecordsFormat::Csv;
}

bool IsJsonDocumentName(const std::string& path)
{
    return EndsWith(path, ".json");
}

RecordsWriter::RecordsWriter() = default;
RecordsWriter::~RecordsWriter() = default;

Status RecordsWriter::Open(const std::string& path, WriteOptions options)
{
    if (IsJsonDocumentName(path))
        return {StatusCode::Refused, "cannot write '" + path + "': " + JSON_DOCUMENT_REFUSAL};
    file = std::make_unique<AtomicFileWriter>();
    format = RecordsFormatFor(path);
    writeErrno = 0;
    buffer.clear();
    const WriteResult opened = file->Open(path, options);
    if (!opened.Ok()) {
        file.reset();
        return opened;
    }
    if (format == RecordsFormat::Csv) buffer = RecordsCsvHeader() + '\n';
    return Status::Success();
}

bool RecordsWriter::Flush()
{
    if (writeErrno == 0 && !WriteAllBytes(file->Fd(), buffer.data(), buffer.size())) writeErrno = errno;
    buffer.clear();
    return writeErrno == 0;
}

bool RecordsWriter::Write(const SimRecord& record)
{
    if (!file || writeErrno != 0) return false;
    AppendRecordLine(buffer, record, format);
    return buffer.size() < WRITE_BUFFER_BYTES || Flush();
}

Status RecordsWriter::Commit()
{
    if (!file) return {StatusCode::Refused, "cannot write a records file that is not open"};
    Flush();
    const WriteResult result = writeErrno != 0 ? file->Fail(writeErrno) : file->Commit();
    file.reset();
    buffer.clear();
    return result;
}
