#include "BatchRun.h"

#include "BatchName.h"
#include "SimFile.h"
#include "SingleRun.h"
#include "Slot.h"

BatchResult RunBatch(Slot& slot, RandomSource& random, int plays, SettingChoice setting, int sims,
                     const std::string& baseName, PlaySeries& series, const BatchCallback& callback)
{
    BatchResult result;
    auto report = [&](BatchStep::Phase phase, int index, const std::string& fileName) {
        return !callback || callback(BatchStep{phase, index, sims, fileName});
    };

    for (int i = 1; i <= sims; ++i) {
        if (!RunSingle(slot, random, plays, setting, series,
                       [&] { return report(BatchStep::Phase::BeforePlay, i, {}); })) {
            result.status = BatchResult::Status::Stopped;
            return result;
        }
        bool keepGoing = true;
        const std::string fileName = BatchFileName(baseName, slot.GetSetting(), slot.playCount, i);
        if (keepGoing) keepGoing = report(BatchStep::Phase::Saving, i, fileName);
        const SimWriteResult written = WriteSimFile(fileName, slot.GetSetting(), slot.playCount, series);
        if (!written.Ok()) {
            result.status = BatchResult::Status::FileError;
            result.message = written.message;
            return result;
        }
        ++result.filesWritten;
        if (keepGoing) keepGoing = report(BatchStep::Phase::Saved, i, fileName);
        if (!keepGoing && i < sims) {
            result.status = BatchResult::Status::Stopped;
            return result;
        }
    }
    return result;
}
