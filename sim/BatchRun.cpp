#include "sim/BatchRun.h"

#include "sim/BatchName.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/Slot.h"

namespace {
const Status STOPPED{StatusCode::Stopped, "the batch was stopped"};
}  // namespace

BatchResult RunBatch(Slot& slot, RandomSource& random, int plays, SettingChoice setting, int sims,
                     const std::string& baseName, PlaySeries& series, const BatchCallback& callback,
                     WriteOptions write)
{
    BatchResult result;
    auto report = [&](BatchStep::Phase phase, int index, const std::string& fileName, int played = 0) {
        return !callback || callback(BatchStep{phase, index, sims, played, fileName});
    };

    for (int i = 1; i <= sims; ++i) {
        std::function<bool(int)> playing;
        if (callback) playing = [&](int played) { return report(BatchStep::Phase::Playing, i, {}, played); };
        if (!RunSingle(
                slot, random, plays, setting, series,
                [&] { return report(BatchStep::Phase::BeforePlay, i, {}); }, playing)) {
            result.status = STOPPED;
            return result;
        }
        bool keepGoing = true;
        const std::string fileName = BatchFileName(baseName, slot.GetSetting(), slot.playCount, i);
        if (keepGoing) keepGoing = report(BatchStep::Phase::Saving, i, fileName);
        const WriteResult written = WriteSimFile(fileName, slot.GetSetting(), slot.playCount, series, write);
        if (!written.Ok()) {
            result.status = written;
            return result;
        }
        ++result.filesWritten;
        if (keepGoing) keepGoing = report(BatchStep::Phase::Saved, i, fileName);
        if (!keepGoing && i < sims) {
            result.status = STOPPED;
            return result;
        }
    }
    return result;
}
