#include "sim/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "sim/BatchName.h"

namespace {

namespace fs = std::filesystem;

// As the system's own limit on links followed in one lookup.
constexpr int MAX_LINK_HOPS = 40;

struct Existing {
    bool exists = false;
    struct stat info {};
};

Existing StatOf(const std::string& path)
{
    Existing file;
    file.exists = ::stat(path.c_str(), &file.info) == 0;
    return file;
}

// Where a write to `path` lands: its links followed (also those that lead
// nowhere yet, whose target a write creates), and the folders on the way
// resolved as far as they exist.
fs::path Destination(const std::string& path)
{
    fs::path target(path);
    std::error_code error;
    for (int hop = 0; hop < MAX_LINK_HOPS && fs::is_symlink(target, error); ++hop) {
        const fs::path next = fs::read_symlink(target, error);
        if (error) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    // Absolute first: a relative name of which nothing exists stays relative otherwise.
    const fs::path absolute = fs::absolute(target, error).lexically_normal();
    fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute : resolved;
}

bool SameExisting(const Existing& a, const Existing& b)
{
    return a.info.st_dev == b.info.st_dev && a.info.st_ino == b.info.st_ino && !S_ISCHR(a.info.st_mode);
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b)
{
    const Existing first = StatOf(a);
    const Existing second = StatOf(b);
    if (first.exists || second.exists) return first.exists && second.exists && SameExisting(first, second);
    return Destination(a) == Destination(b);
}

bool IsBatchFile(const std::string& path, const std::string& baseName, std::optional<int> setting, int plays,
                 std::int64_t first, std::int64_t last)
{
    const fs::path spelled(baseName);
    const std::string baseFile = spelled.filename().string();
    const fs::path folder = spelled.parent_path().empty() ? fs::path(".") : spelled.parent_path();
    const auto isBatchName = [&](const std::string& name) {
        return IsBatchFileName(name, baseFile, setting, plays, first, last);
    };

    // A batch file that exists already (perhaps a link) and is `path`.
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (isBatchName(name) && IsSameFile((folder / name).string(), path)) return true;
    }
    // One that does not exist yet, spelled where `path` leads.
    if (StatOf(path).exists) return false;
    const fs::path destination = Destination(path);
    return Destination(folder.string()) == destination.parent_path() &&
           isBatchName(destination.filename().string());
}
