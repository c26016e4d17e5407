#include "export/ExportFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/AtomicFile.h"

Status ExportToFile(const std::string& path, const PlaySeries& series, const ResultAnalysis& analysis,
                    const ExportOptions& options)
{
    return WriteFileAtomically(path, [&](int fd) {
        return WriteExport(series, analysis, options, [fd](std::string_view bytes) {
            return WriteAllBytes(fd, bytes.data(), bytes.size());
        });
    });
}

std::string CsvFilePath(const std::string& folder, ExportWhat table)
{
    return folder + (folder.ends_with('/') ? "" : "/") + CsvFileName(table);
}

Status ExportToFolder(const std::string& folder, const PlaySeries& series, const ResultAnalysis& analysis,
                      ExportOptions options, std::vector<std::string>* written)
{
    const bool created = ::mkdir(folder.c_str(), 0777) == 0;
    if (!created && errno != EEXIST)
        return {StatusCode::CannotCreate, "cannot create '" + folder + "': " + std::strerror(errno)};
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return {StatusCode::CannotCreate, "'" + folder + "' is not a folder"};
    bool wroteAny = false;
    for (const ExportWhat part : CsvParts(options.what)) {
        options.what = part;
        const std::string path = CsvFilePath(folder, part);
        if (Status error = ExportToFile(path, series, analysis, options); !error.Ok()) {
            // A folder of ours that holds nothing would only look like a result.
            if (created && !wroteAny) static_cast<void>(::rmdir(folder.c_str()));
            return error;
        }
        wroteAny = true;
        if (written) written->push_back(path);
    }
    return {};
}
