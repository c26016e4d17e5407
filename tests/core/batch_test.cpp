#include <gtest/gtest.h>

#include <filesystem>

#include "sim/BatchRun.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/core/TestSupport.h"

namespace {

TEST(BatchRun, WritesOneNamedFileEqualToEachSingleRun)
{
    TempDir dir;
    Program batch(31);
    std::vector<std::string> saved;
    const BatchResult result = RunBatch(batch.slot, batch.random, 800, {true, 0}, 3, dir.File("test.sim"),
                                        batch.series, [&](const BatchStep& step) {
                                            if (step.phase == BatchStep::Phase::Saved)
                                                saved.push_back(step.fileName);
                                            return true;
                                        });
    ASSERT_TRUE(result.status.Ok()) << result.status.Message();
    EXPECT_EQ(result.filesWritten, 3);
    ASSERT_EQ(saved.size(), 3u);

    Program single(31);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(RunSingle(single.slot, single.random, 800, {true, 0}, single.series));
        const std::string name = dir.File("test" + std::to_string(single.slot.GetSetting()) + "_800_" +
                                          std::to_string(i) + ".sim");
        EXPECT_EQ(saved[i - 1], name);
        EXPECT_EQ(ReadBytes(name), EncodeSimFile(single.slot.GetSetting(), 800, single.series)) << name;
    }
    EXPECT_TRUE(batch.series == single.series);  // the window holds the last simulation
}

TEST(BatchRun, StopsAtAFileThatCannotBeCreatedAndKeepsTheEarlierOnes)
{
    TempDir dir;
    const std::filesystem::path folder = dir.path / "out";
    std::filesystem::create_directory(folder);
    Program batch(8);
    const BatchResult result =
        RunBatch(batch.slot, batch.random, 100, {false, 2}, 5, (folder / "run.sim").string(), batch.series,
                 [&](const BatchStep& step) {
                     if (step.phase == BatchStep::Phase::Saved && step.index == 2)
                         std::filesystem::rename(folder, dir.path / "moved");  // the folder goes away
                     return true;
                 });
    EXPECT_EQ(result.status.Code(), StatusCode::CannotCreate);
    EXPECT_TRUE(result.FileError());
    EXPECT_EQ(result.filesWritten, 2);
    EXPECT_NE(result.status.Message().find("run2_100_3.sim"), std::string::npos) << result.status.Message();
    EXPECT_TRUE(std::filesystem::exists(dir.path / "moved" / "run2_100_1.sim"));
    EXPECT_TRUE(std::filesystem::exists(dir.path / "moved" / "run2_100_2.sim"));
    EXPECT_EQ(batch.series.Back().playCount, 100);  // the failed simulation still ran
}

TEST(BatchRun, CallbackCanStopBeforeTheNextSimulation)
{
    TempDir dir;
    Program batch(8);
    int played = 0;
    const BatchResult result = RunBatch(batch.slot, batch.random, 100, {false, 1}, 4, dir.File("s.sim"),
                                        batch.series, [&](const BatchStep& step) {
                                            if (step.phase == BatchStep::Phase::BeforePlay) ++played;
                                            return step.phase != BatchStep::Phase::Saved;
                                        });
    EXPECT_TRUE(result.Stopped());
    EXPECT_EQ(result.filesWritten, 1);
    EXPECT_EQ(played, 1);
}

}  // namespace
