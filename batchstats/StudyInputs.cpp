#include "batchstats/StudyInputs.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "batchstats/RecordsFile.h"

namespace {

struct Source {
    const std::string* name;
    std::size_t firstRow;
    std::size_t firstLine;  // of its first record; 0 for a simulation file
};

std::string Place(const std::vector<Source>& sources, std::size_t row)
{
    const auto after = std::upper_bound(sources.begin(), sources.end(), row,
                                        [](std::size_t r, const Source& s) { return r < s.firstRow; });
    const Source& source = *(after - 1);
    std::string place = "'" + *source.name + "'";
    if (source.firstLine > 0) place += " line " + std::to_string(source.firstLine + (row - source.firstRow));
    return place;
}

// The first repeated simulation in row order of its second appearance.
bool FindRepeated(const RecordTable& table, const std::vector<Source>& sources, std::string& error)
{
    struct Key {
        std::int64_t seed;
        std::int64_t sim;
        std::size_t row;
    };
    std::vector<Key> keys;
    for (std::size_t i = 0; i < table.Size(); ++i)
        if (table.seed[i] != NO_SEED) keys.push_back({table.seed[i], table.sim[i], i});
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.seed != b.seed ? a.seed < b.seed : a.sim != b.sim ? a.sim < b.sim : a.row < b.row;
    });
    bool found = false;
    std::size_t firstRow = 0;
    std::size_t secondRow = 0;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && keys[j].seed == keys[i].seed && keys[j].sim == keys[i].sim) ++j;
        // Rows ascend within one pair: the first repeat found is its earliest.
        bool inPair = false;
        for (std::size_t b = i + 1; b < j && !inPair && !(found && keys[b].row >= secondRow); ++b) {
            const SimRecord second = table.At(keys[b].row);
            for (std::size_t a = i; a < b && !inPair; ++a) {
                if (!(table.At(keys[a].row) == second)) continue;
                inPair = found = true;
                firstRow = keys[a].row;
                secondRow = keys[b].row;
            }
        }
        i = j;
    }
    if (!found) return true;
    error = "simulation " + std::to_string(table.sim[secondRow]) + " of seed " +
            std::to_string(table.seed[secondRow]) + " is counted twice: " + Place(sources, firstRow) +
            " and " + Place(sources, secondRow);
    return false;
}

}  // namespace

Status ReadStudyFiles(const std::vector<std::string>& paths, RecordTable& table)
{
    std::vector<Source> sources;
    struct Identity {
        dev_t device;
        ino_t inode;
        std::size_t argument;
    };
    std::vector<Identity> seen;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            const auto earlier = std::find_if(seen.begin(), seen.end(), [&](const Identity& e) {
                return e.device == info.st_dev && e.inode == info.st_ino;
            });
            if (earlier != seen.end())
                return {StatusCode::Refused, "'" + path + "' is the same file as '" +
                                                 paths[earlier->argument] +
                                                 "': its simulations would be counted twice"};
            seen.push_back({info.st_dev, info.st_ino, i});
        }
        Source source{&path, table.Size(), 0};
        const Result<std::size_t> read = ReadStudyFile(path, table);
        if (!read.Ok()) return read.Error();
        source.firstLine = read.Value();
        sources.push_back(source);
    }
    std::string error;
    if (!FindRepeated(table, sources, error)) return {StatusCode::Refused, error};
    return Status::Success();
}
