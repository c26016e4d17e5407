#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "base/Status.h"

// Writing a file so that its name never shows a partial file: the content goes
// to a temporary file beside the target (".<target name>.XXXXXX", shortened
// so it fits the folder's name limit), is flushed to the disk, and is renamed
// over the target; then the folder is flushed. A write that fails or is
// interrupted by SIGINT, SIGTERM or SIGHUP (once InstallWriteSignalHandlers
// ran) removes its temporary file; only a kill -9 or a power cut can leave
// one, and such a leftover is safe to delete.

// The outcome of a write: Ok, CannotCreate (nothing was written and no file
// was touched) or WriteFailed (created but not completed; the target is left
// as it was, unless flushing the folder after the rename failed). The message
// names the file and the reason.
using WriteResult = Status;

struct WriteOptions {
    // Whether the file is flushed to the disk before and after the rename.
    // Off only for throw-away output, where a power cut may leave it empty.
    bool sync = true;
};

// Writes the bytes to the open descriptor; false with errno set on failure.
using FileContent = std::function<bool(int fd)>;

// Writes `content` to `path` as described above. A symbolic link is followed
// and the file it names replaced, or created when the link dangles; a link
// loop is CannotCreate. Targets that are not regular files (devices, pipes)
// are written in place. Exceptions from `content` pass through after the
// temporary file is removed.
[[nodiscard]] WriteResult WriteFileAtomically(const std::string& path, const FileContent& content,
                                              WriteOptions options = {});

// WriteFileAtomically for content that comes over time (the records of a long
// study), with the same guarantees. To be used as follows: Open, write to
// Fd(), then Commit, or Fail with the errno of a failed write; destroying a
// writer that was not committed removes its temporary file.
class AtomicFileWriter {
public:
    AtomicFileWriter();
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    WriteResult Open(const std::string& path, WriteOptions options = {});
    int Fd() const noexcept;
    WriteResult Commit();
    // Abandons the write and describes `error` as its failure.
    WriteResult Fail(int error);

private:
    struct State;
    std::unique_ptr<State> state;
};

// Writes all bytes to fd, retrying short writes; false with errno set.
[[nodiscard]] bool WriteAllBytes(int fd, const void* data, std::size_t size);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of every write
// in progress, in any thread, before they end the process as they would have
// (the shell sees 130, 143, 129); from the signal on no write creates one.
// Signals the process was started with ignored stay ignored.
// Ignores SIGXFSZ, so a write beyond the file size limit fails as a write
// ("File too large") instead of killing the process. Call once, early in
// main.
void InstallWriteSignalHandlers();
